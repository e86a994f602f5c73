"""zirel-correct --svg on the shipped example, read back by an XML parser: the document
parses, has one panel per side, and each panel's dots are the beams its caption counts.
    svg_is_well_formed.py ZIREL_CORRECT EXAMPLES_DIR"""
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ElementTree
from pathlib import Path

program, examples = sys.argv[1], Path(sys.argv[2])
SVG = "{http://www.w3.org/2000/svg}"
with tempfile.TemporaryDirectory() as folder:
    picture = Path(folder) / "correction.svg"
    subprocess.run([program, "--input", str(examples / "rotation.hkl"), "--output", str(Path(folder) / "c.hkl"),
                    "--dac", str(examples / "dac-steel-gasket.toml"), "--cell", "7.1", "9.4", "11.2", "90", "101.3",
                    "90", "--uvw", "0", "0", "1", "--wavelength", "0.71073", "--svg", str(picture)],
                   check=True, stdout=subprocess.DEVNULL)
    size = picture.stat().st_size
    root = ElementTree.parse(picture).getroot()
panels = [g for g in root.iter(SVG + "g") if g.get("class") == "panel"]
dots = [len(g.findall(SVG + "circle")) for g in root.iter(SVG + "g") if g.get("class") == "beams"]
captions = [t.text for t in root.iter(SVG + "text") if t.text and "measured beams" in t.text]
drawn = [int(re.match(r"(\d+)", c).group(1)) for c in captions]
failures = []
if len(panels) != 2:
    failures.append(f"{len(panels)} panels, expected 2")
if dots != drawn:
    failures.append(f"dots per panel {dots}, captions say {drawn}")
if size >= 1_000_000:
    failures.append(f"{size} bytes, expected well under 1 MB")
print(f"panels {len(panels)}, dots {dots}, {size} bytes")
if failures:
    sys.exit("svg_is_well_formed: " + "; ".join(failures))
