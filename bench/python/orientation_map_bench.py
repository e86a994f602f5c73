"""Times zirel.orientation_map on the map benchmark's crystal against the whole
`zirel-plan map` process (without --svg) on the same crystal, the two interleaved so
that a busy machine slows both alike; the median and the fastest run of each.

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


def timings(runs, **calls):
    """Seconds of each call, the calls interleaved so that a busy machine slows them alike."""
    for run in calls.values():
        run()  # warm-up: caches, the first page faults
    times = {name: [] for name in calls}
    for _ in range(runs):
        for name, run in calls.items():
            start = time.perf_counter()
            run()
            times[name].append(time.perf_counter() - start)
    return times


def main():
    program = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 10
    for step in (1.0, 0.5):
        t = timings(runs,
                    cli=lambda: subprocess.run([program, "map", *ARGS, "--step", str(step), "--top", "5"],
                                               check=True, stdout=subprocess.DEVNULL),
                    py=lambda: zirel.orientation_map(cell=zirel.Cell(*CELL), step=step, top=5, **CRYSTAL))
        for what, pick in (("median", statistics.median), ("fastest", min)):
            cli, py = pick(t["cli"]), pick(t["py"])
            print(f"step {step:g} deg, {what:7}: zirel-plan map {cli * 1e3:7.1f} ms   "
                  f"zirel.orientation_map {py * 1e3:7.1f} ms   ratio {py / cli:.3f}")

if __name__ == "__main__":
    main()
