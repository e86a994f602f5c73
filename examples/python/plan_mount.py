"""Plans a mount for the example crystal (monoclinic, P 21/c) in a cell opening 35°:
the best axes from the orientation map, then the completeness per shell at the best
one, drawn with matplotlib (an example's dependency only, not the module's).

  /usr/bin/python3 examples/python/plan_mount.py [picture.png]
"""
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

import zirel

cell = zirel.Cell(7.512, 9.874, 11.236, 90, 103.47, 90)
crystal = dict(cell=cell, space_group="P21/c", wavelength=0.7093, psi_max=35)

omap = zirel.orientation_map(step=2, top=5, **crystal)
best = omap.best[0]
print(f"{omap.symmetry}: {omap.theory} unique reflections; mean over mounts {omap.mean:.1f}%")
for rank, mount in enumerate(omap.best, 1):
    print(f"{rank}. [{' '.join(map(str, mount['uvw']))}] {mount['uvw_completeness']:.1f}%"
          f"   ({' '.join(map(str, mount['hkl']))}) {mount['hkl_completeness']:.1f}%")

report = zirel.completeness(uvw=best["uvw"], shells=8, **crystal)

fig, (left, right) = plt.subplots(1, 2, figsize=(11, 4.8), gridspec_kw=dict(width_ratios=[1, 1.1]))
# The hemisphere of axes seen from above (c* up), polar angle as the radius.
x, y, z = omap.directions.T
polar = np.degrees(np.arccos(np.clip(z, -1, 1)))
azimuth = np.arctan2(y, x)
dots = left.scatter(polar * np.cos(azimuth), polar * np.sin(azimuth), c=omap.completeness, s=9, cmap="viridis")
for rank, mount in enumerate(omap.best, 1):
    dx, dy, dz = mount["direction"]
    p, a = np.degrees(np.arccos(dz)), np.arctan2(dy, dx)
    left.annotate(str(rank), (p * np.cos(a), p * np.sin(a)), weight="bold", ha="center", va="center",
                  bbox=dict(boxstyle="circle,pad=0.2", fc="white", ec="black"))
left.set_aspect("equal")
left.set_axis_off()
left.set_title("Completeness of every mount (polar angle from c*)")
fig.colorbar(dots, ax=left, label="completeness, %", shrink=0.8)

shells = report.shells
labels = [f"{hi:.2f}–{lo:.2f}" for hi, lo in zip(shells["d_max"], shells["d_min"])]
right.bar(labels, shells["completeness"], color="#3b7dd8")
right.set_ylim(0, 100)
right.set_ylabel("accessible of the unique set, %")
right.set_xlabel("shell, d in Å")
right.tick_params(axis="x", rotation=45)
uvw = " ".join(map(str, best["uvw"]))
right.set_title(f"Per shell along [{uvw}]: {report.overall['completeness']:.1f}% overall")
fig.tight_layout()
fig.savefig(sys.argv[1] if len(sys.argv) > 1 else "plan_mount.png", dpi=110)
