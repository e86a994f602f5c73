"""Builds the compiled part of the module zirel with the project's own CMake tree (only
the core and the module: no form, no tests) for the interpreter running pip."""
import pathlib
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = pathlib.Path(__file__).resolve().parent


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(self.build_temp).resolve() / "cmake"
        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build), "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                        "-DZIREL_BUILD_GUI=OFF", "-DZIREL_BUILD_TESTS=OFF", "-DZIREL_BUILD_PYTHON=ON",
                        f"-DPython3_EXECUTABLE={sys.executable}"], check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "_zirel"], check=True)
        built = next((build / "python" / "zirel").glob("_zirel*.so"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built, target)


setup(
    packages=["zirel"],
    package_dir={"zirel": "python/zirel"},
    package_data={"zirel": ["__init__.pyi", "py.typed"]},
    ext_modules=[Extension("zirel._zirel", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
)
