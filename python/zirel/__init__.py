"""Zirel's core on numpy arrays: which reflections a crystal in a diamond-anvil cell can
reach, decided exactly as zirel-batch decides them.

Example:
    >>> import numpy as np, zirel
    >>> cell = zirel.Cell(7.512, 9.874, 11.236, 90, 103.47, 90)
    >>> data = zirel.read_reflections("examples/monoclinic.hkl")
    >>> keep = zirel.accessible(data, cell=cell, uvw=(0, 1, 0), wavelength=0.7093, psi_max=35)
    >>> int(keep.sum())
    25
"""
from ._zirel import (
    Cell,
    Refused,
    RecordError,
    OrientationMap,
    accessible,
    completeness,
    orientation_map,
    generate,
    read_reflections,
    write_reflections,
    __version__,
)

__all__ = ["Cell", "Refused", "RecordError", "OrientationMap", "accessible", "completeness", "orientation_map", "generate", "read_reflections", "write_reflections",
           "__version__"]
