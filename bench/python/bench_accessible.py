#!/usr/bin/python3
"""Times zirel.accessible on the 1,000,000 indices that bench_accessibility's
BM_IsAccessible tests: the first million of the sphere of its case (a long monoclinic
cell at 0.2903 A, 2 theta up to 80 degrees), h slowest and l fastest, as int32.

    PYTHONPATH=build/default/python bench/python/bench_accessible.py [REPEATS]

Prints the best time per call and per reflection; compare with the ns per item of
BM_IsAccessible (items_per_second) from build/bench/bench/filtering/bench_accessibility.
"""
import math
import sys
import time

import numpy as np
import zirel

CELL = (35, 12, 9, 90, 103.5, 90)
WAVELENGTH, PSI_MAX = 0.2903, 40
COUNT = 1_000_000


def sphere_indices():
    a, b, c, alpha, beta, gamma = CELL
    # Reciprocal metric of a monoclinic (b unique) cell: G* = G^-1, in double.
    cb, sb = math.cos(math.radians(beta)), math.sin(math.radians(beta))
    g = np.array([[a * a, 0, a * c * cb], [0, b * b, 0], [a * c * cb, 0, c * c]])
    g_star = np.linalg.inv(g)
    n = int(max(a, b, c) * 2.5 * math.sin(math.radians(PSI_MAX)) / WAVELENGTH)
    q_max = (2 * math.sin(math.radians(PSI_MAX)) / WAVELENGTH) ** 2
    axis = np.arange(-n, n + 1)
    k, l = np.meshgrid(axis, axis, indexing="ij")
    rows = []
    total = 0
    for h in axis:
        hkl = np.stack([np.full(k.size, h), k.ravel(), l.ravel()], axis=1)
        q = np.einsum("ij,jk,ik->i", hkl, g_star, hkl)
        inside = hkl[(q <= q_max) & (q > 0)]
        rows.append(inside)
        total += len(inside)
        if total >= COUNT:
            break
    return np.concatenate(rows)[:COUNT].astype(np.int32)


def main():
    repeats = int(sys.argv[1]) if len(sys.argv) > 1 else 10
    hkl = sphere_indices()
    cell = zirel.Cell(*CELL)
    best = best_cpu = math.inf
    for _ in range(repeats):
        start, start_cpu = time.perf_counter(), time.process_time()
        mask = zirel.accessible(hkl, cell=cell, uvw=(0, 0, 1), wavelength=WAVELENGTH, psi_max=PSI_MAX)
        best_cpu = min(best_cpu, time.process_time() - start_cpu)
        best = min(best, time.perf_counter() - start)
    # Wall and CPU time, as Google Benchmark reports them (CPU time counts on a busy machine).
    print(f"zirel.accessible: {len(hkl)} indices, {int(mask.sum())} accessible, best of {repeats}: "
          f"{best * 1e3:.1f} ms wall, {best_cpu * 1e3:.1f} ms CPU, {best_cpu / len(hkl) * 1e9:.1f} ns CPU per reflection")


if __name__ == "__main__":
    main()
