"""Planning from Python against zirel-plan doing the same job."""
import json
import math
import os
import pathlib
import signal
import subprocess

import numpy as np
import pytest

import zirel

SOURCE = pathlib.Path(os.environ.get("ZIREL_SOURCE", pathlib.Path(__file__).resolve().parents[2]))
EXAMPLE = SOURCE / "examples" / "monoclinic.hkl"
PLAN = os.environ.get("ZIREL_PLAN", "zirel-plan")

CELL = (7.512, 9.874, 11.236, 90, 103.47, 90)
BEAM = dict(wavelength=0.7093, psi_max=35)


def plan(*args):
    done = subprocess.run([PLAN, *args], capture_output=True, text=True)
    return done


def common(cell=CELL, wavelength=0.7093, psi_max=35, space_group="P21/c", d_min=None, **_):
    args = ["--cell", *map(repr, cell), "--wavelength", repr(wavelength), "--psi-max", repr(psi_max),
            "--space-group", space_group]
    return args + (["--d-min", repr(d_min)] if d_min is not None else [])


def close(python_percent, program_fraction):
    return math.isclose(python_percent / 100, program_fraction, abs_tol=5e-7)


REPORTS = [
    dict(uvw=(0, 1, 0), shells=5),
    dict(hkl=(1, 0, 2), shells=10, d_min=0.8),
    dict(uvw=(1, 1, 1), shells=3, space_group="P-1", measured=True),
    dict(uvw=(0, 1, 0), shells=5, measured=True),
]


@pytest.mark.parametrize("case", REPORTS, ids=["uvw", "hkl-d-min", "P-1-measured", "measured"])
def test_completeness_gives_the_report_of_zirel_plan(case):
    case = dict(case)
    measured = case.pop("measured", False)
    space_group = case.pop("space_group", "P21/c")
    axis = "uvw" if "uvw" in case else "hkl"
    args = common(space_group=space_group, **case) + ["--" + axis, *map(repr, case[axis]),
                                                      "--shells", str(case["shells"]), "--json"]
    kwargs = dict(case, cell=zirel.Cell(*CELL), space_group=space_group, **BEAM)
    if measured:
        args += ["--input", str(EXAMPLE)]
        kwargs["measured"] = zirel.read_reflections(str(EXAMPLE))
    done = plan(*args)
    assert done.returncode == 0, done.stderr
    want = json.loads(done.stdout)
    got = zirel.completeness(**kwargs)
    assert got.symmetry == want["symmetry"]["name"]
    assert math.isclose(got.d_min, want["d_min"], abs_tol=5e-7)
    rows = [dict(zip(got.shells, values)) for values in zip(*got.shells.values())] + [got.overall]
    for row, shell in zip(rows, want["shells"] + [want["overall"]], strict=True):
        assert math.isclose(row["d_max"], shell["d_max"], abs_tol=5e-5)
        assert math.isclose(row["d_min"], shell["d_min"], abs_tol=5e-5)
        assert (row["theory"], row["accessible"]) == (shell["theory"], shell["accessible"])
        assert close(row["completeness"], shell["accessible_completeness"])
        if measured:
            for key in ("measured", "observations", "measured_accessible"):
                assert row[key] == shell[key]
            assert close(row["measured_completeness"], shell["measured_completeness"])
            assert close(row["accessible_measured_completeness"], shell["accessible_measured_completeness"])
            if shell["redundancy"] is None:
                assert math.isnan(row["redundancy"])
            else:
                assert math.isclose(row["redundancy"], shell["redundancy"], abs_tol=5e-7)
        else:
            assert "measured" not in row
    if measured:
        assert (got.records, got.absent, got.beyond) == (want["input"]["records"], want["input"]["absent"],
                                                         want["input"]["beyond_d_min"])


def test_completeness_takes_plain_indices_as_it_takes_records():
    data = zirel.read_reflections(str(EXAMPLE))
    hkl = np.stack([data["h"], data["k"], data["l"]], axis=1).astype(np.int64)
    kw = dict(cell=zirel.Cell(*CELL), uvw=(0, 1, 0), space_group="P21/c", measured=hkl, **BEAM)
    assert zirel.completeness(**kw).overall == zirel.completeness(**dict(kw, measured=data)).overall


@pytest.mark.parametrize("measured", [np.zeros((4, 2), np.int32), np.zeros((4, 3), np.float64), [1, 2, 3]])
def test_measured_indices_of_the_wrong_shape_or_dtype_raise_type_errors(measured):
    with pytest.raises(TypeError, match="measured="):
        zirel.completeness(cell=zirel.Cell(*CELL), uvw=(0, 1, 0), space_group="P21/c", measured=measured, **BEAM)


MAPS = [
    dict(),
    dict(with_=[(0, 1, 0)], top=3),
    dict(with_hkl=[(1, 0, 2)], with_=[(1, 0, 0)], step=3, d_min=0.8),
    dict(space_group="Fm-3m", cell=(5.64, 5.64, 5.64, 90, 90, 90), psi_max=40, step=2.5),
]


def map_args(case):
    args = common(**case)
    for key, option in (("with_", "--with"), ("with_hkl", "--with-hkl")):
        for mount in case.get(key, []):
            args += [option, *map(repr, mount)]
    for key in ("step", "top"):
        if key in case:
            args += ["--" + key, repr(case[key])]
    return args


def map_kwargs(case):
    kw = dict(BEAM, space_group="P21/c")
    kw.update(case)
    kw["cell"] = zirel.Cell(*case.get("cell", CELL))
    return kw


@pytest.mark.parametrize("case", MAPS, ids=["plain", "with", "with-hkl-step", "cubic"])
def test_orientation_map_gives_the_numbers_and_the_picture_of_zirel_plan(tmp_path, case):
    svg, csv = tmp_path / "map.svg", tmp_path / "map.csv"
    done = plan("map", *map_args(case), "--json", "--svg", str(svg), "--csv", str(csv))
    assert done.returncode == 0, done.stderr
    want = json.loads(done.stdout)
    got = zirel.orientation_map(**map_kwargs(case))
    assert got.svg().encode("utf-8") == svg.read_bytes()
    assert (got.theory, got.covered, got.symmetry) == (want["unique"], want["covered"], want["symmetry"])
    assert math.isclose(got.mean / 100, want["mean_completeness"], abs_tol=5e-7)
    grid = np.loadtxt(csv, delimiter=",", skiprows=1, ndmin=2)
    assert len(got.counts) == len(grid) == want["directions"]
    np.testing.assert_array_equal(got.counts, grid[:, 5].astype(int))
    np.testing.assert_allclose(got.directions, grid[:, 2:5], atol=5e-7)
    np.testing.assert_allclose(got.completeness, grid[:, 6], atol=5e-4)
    assert [m["accessible"] for m in got.mounts] == [m["accessible"] for m in want["mounts"]]
    for mine, theirs in zip([*got.best, got.worst], [*want["best"], want["worst"]], strict=True):
        assert mine["accessible"] == theirs["accessible"]
        np.testing.assert_allclose(mine["direction"], theirs["direction"], atol=5e-7)
        for kind in ("uvw", "hkl"):
            assert list(mine[kind]) == theirs[kind]["indices"]
            assert math.isclose(mine[kind + "_angle"], theirs[kind]["angle"], abs_tol=5e-4)
            assert close(mine[kind + "_completeness"], theirs[kind]["completeness"])


# What zirel-plan says after its option's name, and the keyword Python names.
PLAN_REFUSALS = [
    (dict(space_group="Q2"), "--space-group: ", "space_group"),
    (dict(d_min=-1.0), "--d-min ", "d_min"),
    (dict(with_=[(0, 0, 0)]), "", "with_"),
    (dict(with_hkl=[(0, 0, 0)]), "", "with_hkl"),
    (dict(top=-1), "--top ", "top"),
    (dict(wavelength=0.0), "", "wavelength"),
    (dict(cell=(7.512, 9.874, -11.236, 90, 103.47, 90)), "", "cell"),
]


@pytest.mark.parametrize("change, prefix, parameter", PLAN_REFUSALS, ids=[p for _, _, p in PLAN_REFUSALS])
def test_refusals_of_the_plan_name_the_keyword_with_the_programs_message(change, prefix, parameter):
    done = plan("map", *map_args(change))
    assert done.returncode != 0
    told = done.stderr.rstrip("\n").removeprefix("zirel-plan map: ")
    with pytest.raises(zirel.Refused) as caught:
        zirel.orientation_map(**map_kwargs(change))
    assert isinstance(caught.value, ValueError) and caught.value.parameter == parameter
    assert prefix + str(caught.value) == told.removeprefix("mount [0 0 0]: ").removeprefix("mount (0 0 0): ") \
        or told.endswith(str(caught.value))


@pytest.mark.parametrize("call", [zirel.orientation_map, zirel.completeness])
def test_a_plan_needs_its_symmetry(call):
    with pytest.raises(zirel.Refused, match="space_group=") as caught:
        call(cell=zirel.Cell(*CELL), **({"uvw": (0, 1, 0)} if call is zirel.completeness else {}), **BEAM)
    assert caught.value.parameter == "space_group"


def test_a_map_can_be_interrupted():
    state = {"inside": False, "seen_inside": None}

    def alarm(signum, frame):
        state["seen_inside"] = state["inside"]
        raise KeyboardInterrupt

    previous = signal.signal(signal.SIGALRM, alarm)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.2)
        with pytest.raises(KeyboardInterrupt):
            for _ in range(100):
                state["inside"] = True
                zirel.orientation_map(cell=zirel.Cell(20, 20, 20, 90, 100, 90), space_group="P21/c", d_min=0.8,
                                      step=1, threads=1, **BEAM)
                state["inside"] = False
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert state["seen_inside"] is True  # stopped within the call, not between two calls
