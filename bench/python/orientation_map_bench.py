"""Times zirel.orientation_map on the map benchmark's crystal against the whole
`zirel-plan map` process (without --svg) on the same crystal; the median of several runs.

  PYTHONPATH=build/default/python /usr/bin/python3 bench/python/orientation_map_bench.py \
      build/default/plan/zirel-plan [RUNS]
"""
import statistics
import subprocess
import sys
import time

import zirel

CELL = (20, 20, 20, 90, 100, 90)
CRYSTAL = dict(space_group="P21/c", wavelength=0.71073, psi_max=35, d_min=0.7)
ARGS = ["--cell", *map(str, CELL), "--space-group", "P21/c", "--wavelength", "0.71073", "--psi-max", "35",
        "--d-min", "0.7"]


def median_seconds(run, runs):
    run()  # warm-up: caches, the first page faults
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def main():
    program = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    for step in (1.0, 0.5):
        cli = median_seconds(lambda: subprocess.run([program, "map", *ARGS, "--step", str(step), "--top", "5"],
                                                    check=True, stdout=subprocess.DEVNULL), runs)
        py = median_seconds(lambda: zirel.orientation_map(cell=zirel.Cell(*CELL), step=step, top=5, **CRYSTAL), runs)
        print(f"step {step:g} deg: zirel-plan map {cli * 1e3:8.1f} ms   zirel.orientation_map {py * 1e3:8.1f} ms"
              f"   ratio {py / cli:.3f}")


if __name__ == "__main__":
    main()
