"""The module against zirel-batch doing the same job."""
import os
import pathlib
import subprocess

import numpy as np
import pytest

import zirel

SOURCE = pathlib.Path(os.environ.get("ZIREL_SOURCE", pathlib.Path(__file__).resolve().parents[2]))
EXAMPLES = SOURCE / "examples"
NACL = SOURCE.parent / "shared" / "data" / "NaCl.hkl"
BATCH = os.environ.get("ZIREL_BATCH", "zirel-batch")

MONOCLINIC = dict(cell=(7.512, 9.874, 11.236, 90, 103.47, 90), uvw=(0, 1, 0), wavelength=0.7093, psi_max=35)
NACL_RUN = dict(cell=(5.641087, 5.641087, 5.641087, 90, 90, 90), hkl=(1, 1, 0), wavelength=0.71073, psi_max=38)


def options(run):
    args = ["--cell", *map(repr, run["cell"])]
    for axis in ("uvw", "hkl"):
        if axis in run:
            args += ["--" + axis, *map(repr, run[axis])]
    return args + ["--wavelength", repr(run["wavelength"]), "--psi-max", repr(run["psi_max"])]


def keywords(run):
    kw = dict(run)
    kw["cell"] = zirel.Cell(*run["cell"])
    return kw


def batch(tmp_path, *args):
    out = tmp_path / "out.hkl"
    done = subprocess.run([BATCH, "--quiet", "--output", str(out), *args], capture_output=True, text=True)
    return done, out


def hkl_of(data):
    return np.stack([data["h"], data["k"], data["l"]], axis=1)


def need(path):
    if not path.exists():
        pytest.skip(f"{path.name} is not here")
    return path


@pytest.mark.parametrize("path, run", [
    (EXAMPLES / "monoclinic.hkl", MONOCLINIC),
    (EXAMPLES / "monoclinic.abs", MONOCLINIC),
    (EXAMPLES / "monoclinic.hkl", dict(MONOCLINIC, uvw=None, hkl=(1, 0, 2), psi_max=40.5)),
    (NACL, NACL_RUN),
], ids=["shelx", "cellex", "plane-normal", "NaCl"])
def test_accessible_keeps_what_zirel_batch_keeps(tmp_path, path, run):
    run = {k: v for k, v in run.items() if v is not None}
    data = zirel.read_reflections(str(need(path)))
    done, out = batch(tmp_path, "--input", str(path), *options(run))
    assert done.returncode == 0, done.stderr
    kept = zirel.read_reflections(str(out))
    mask = zirel.accessible(data, **keywords(run))
    assert mask.dtype == np.bool_ and mask.shape == (len(data),)
    np.testing.assert_array_equal(hkl_of(data[mask]), hkl_of(kept))
    # The same from a plain (N, 3) array, of int32 read in place and of int64 converted.
    for dtype in (np.int32, np.int64, np.int16):
        np.testing.assert_array_equal(zirel.accessible(hkl_of(data).astype(dtype), **keywords(run)), mask)


def test_accessible_on_a_generated_sphere(tmp_path):
    # Every index of a cube, in Fortran order too (a strided view read in place).
    run = dict(MONOCLINIC, wavelength=1.5418)
    n = 8
    axis = np.arange(-n, n + 1)
    cube = np.stack(np.meshgrid(axis, axis, axis, indexing="ij"), axis=-1).reshape(-1, 3).astype(np.int32)
    mask = zirel.accessible(np.asfortranarray(cube), **keywords(run))
    done, out = batch(tmp_path, "--generate", *options(run))
    assert done.returncode == 0, done.stderr
    generated = hkl_of(zirel.read_reflections(str(out)))
    assert np.abs(generated).max() <= n  # the cube holds the whole sphere
    np.testing.assert_array_equal(cube[mask], generated)


@pytest.mark.parametrize("run", [dict(MONOCLINIC, wavelength=1.5418), NACL_RUN, dict(MONOCLINIC, psi_max=20)],
                         ids=["Cu", "NaCl", "narrow"])
def test_generate_writes_what_zirel_batch_generates(tmp_path, run):
    done, out = batch(tmp_path, "--generate", *options(run))
    assert done.returncode == 0, done.stderr
    expected = zirel.read_reflections(str(out))
    got = zirel.generate(**keywords(run))
    np.testing.assert_array_equal(hkl_of(got), hkl_of(expected))
    assert (got["I"] == 0).all() and (got["sigma"] == 0).all()


def test_read_reflections_gives_the_values_of_both_layouts():
    shelx = zirel.read_reflections(str(EXAMPLES / "monoclinic.hkl"))
    cellex = zirel.read_reflections(str(EXAMPLES / "monoclinic.abs"))
    lines = (EXAMPLES / "monoclinic.hkl").read_text().splitlines()
    first = lines[0]
    assert tuple(shelx[0][["h", "k", "l"]]) == (int(first[0:4]), int(first[4:8]), int(first[8:12]))
    assert shelx["I"][0] == np.float32(first[12:20]) and shelx["sigma"][0] == np.float32(first[20:28])
    assert len(shelx) == len(cellex) == sum(1 for line in lines if line[:12].split() != ["0", "0", "0"])
    f = np.float32((EXAMPLES / "monoclinic.abs").read_text().splitlines()[0][9:19])
    assert cellex["I"][0] == f * f  # I = F^2 in single precision, as the core converts
    assert set(cellex.dtype.names) >= {"pass_real", "pass_integer"}


def test_read_reflections_keeps_the_batch_numbers():
    data = zirel.read_reflections(str(need(NACL)))
    first = NACL.read_text().splitlines()[0]
    assert len(data) == 8578  # the 0 0 0 record ends the data
    assert data["batch"][0] == int(first[28:32]) and data["extra"][0] == first[28:].encode()


@pytest.mark.parametrize("record, line", [("   1   2   3 abc        1.0\r\n", 2), ("  1  2  3 x\n", 2)],
                         ids=["shelx", "cellex"])
def test_a_bad_record_raises_with_its_line(tmp_path, record, line):
    name = "bad.hkl" if "abc" in record else "bad.abs"
    path = tmp_path / name
    good = "   1   0   0   12.00    1.00\r\n" if name.endswith(".hkl") else "  1  0  0    9.2975 0.225   0.00000    1\n"
    path.write_text(good + record)
    with pytest.raises(zirel.RecordError) as caught:
        zirel.read_reflections(str(path))
    assert caught.value.line == line and f"line {line}" in str(caught.value)
    with pytest.raises(FileNotFoundError):
        zirel.read_reflections(str(tmp_path / "none.hkl"))


REFUSALS = [
    (dict(wavelength=0), "wavelength"),
    (dict(psi_max=90.5), "psi_max"),
    (dict(cell=(7.512, 9.874, -11.236, 90, 103.47, 90)), "cell"),
    (dict(cell=(7.5, 9.8, 11.2, 10, 10, 90)), "cell"),
    (dict(cell=(1, 1, 1, 0, 0, 0)), "cell"),
    (dict(uvw=(0, 0, 0)), "uvw"),
    (dict(uvw=None, hkl=(0, 0, 0)), "hkl"),
]


@pytest.mark.parametrize("change, parameter", REFUSALS, ids=[f"{p}-{i}" for i, (_, p) in enumerate(REFUSALS)])
def test_refusals_are_the_programs(tmp_path, change, parameter):
    run = {k: v for k, v in dict(MONOCLINIC, **change).items() if v is not None}
    done, _ = batch(tmp_path, "--generate", *options(run))
    assert done.returncode != 0
    told = done.stderr.rstrip("\n")
    told = told.split(": ", 2)[-1] if told.startswith("zirel-batch: ") else told
    for call in (lambda: zirel.accessible(np.zeros((1, 3), np.int32), **keywords(run)),
                 lambda: zirel.generate(**keywords(run))):
        with pytest.raises(zirel.Refused) as caught:
            call()
        assert isinstance(caught.value, ValueError)
        assert str(caught.value) == told and caught.value.parameter == parameter


def test_not_a_number_is_refused_as_no_positive_wavelength():
    # The command line refuses the text "nan" before the run; here it reaches the run's checks.
    with pytest.raises(zirel.Refused, match="^WAVELENGTH MUST BE POSITIVE$"):
        zirel.generate(**keywords(dict(MONOCLINIC, wavelength=float("nan"))))


def test_generate_refuses_too_large_a_sphere(tmp_path):
    run = dict(MONOCLINIC, wavelength=0.01)
    done, _ = batch(tmp_path, "--generate", *options(run))
    with pytest.raises(zirel.Refused) as caught:
        zirel.generate(**keywords(run))
    assert caught.value.parameter == "generate" and str(caught.value) in done.stderr


@pytest.mark.parametrize("indices", [
    np.zeros((4, 2), np.int32), np.zeros(3, np.int32), np.zeros((2, 3), np.float64),
    [[1, 0, 0]], np.zeros(2, dtype=[("h", "i4"), ("k", "i4")]), np.zeros(2, dtype=[("h", "f4"), ("k", "i4"), ("l", "i4")]),
], ids=["two-columns", "one-dimensional", "floats", "list", "no-l-field", "float-field"])
def test_wrong_shapes_and_dtypes_raise_type_errors(indices):
    with pytest.raises(TypeError):
        zirel.accessible(indices, **keywords(MONOCLINIC))


def test_an_axis_is_given_once():
    for axes in (dict(), dict(uvw=(0, 0, 1), hkl=(0, 0, 1))):
        run = {k: v for k, v in MONOCLINIC.items() if k != "uvw"}
        with pytest.raises(TypeError):
            zirel.generate(**keywords(run), **axes)


def test_an_index_too_large_for_the_core_is_refused():
    with pytest.raises(ValueError):
        zirel.accessible(np.array([[2**40, 0, 0]]), **keywords(MONOCLINIC))


@pytest.mark.parametrize("source, expected, run", [
    ("monoclinic.hkl", "accessible.hkl", MONOCLINIC),
    ("monoclinic.hkl", "accessible.abs", MONOCLINIC),
    ("monoclinic.abs", "from-cellex.hkl", MONOCLINIC),
    (None, "generated.hkl", dict(MONOCLINIC, wavelength=1.5418)),
])
def test_write_reflections_gives_the_example_outputs_byte_for_byte(tmp_path, source, expected, run):
    if source:
        data = zirel.read_reflections(str(EXAMPLES / source))
        data = data[zirel.accessible(data, **keywords(run))]
    else:
        data = zirel.generate(**keywords(run))
    out = tmp_path / expected
    out.write_bytes(b"an older file, replaced whole")
    assert zirel.write_reflections(str(out), data) == len(data)
    assert out.read_bytes() == (EXAMPLES / "expected" / expected).read_bytes()
    assert [p.name for p in tmp_path.iterdir()] == [expected]  # no temporary file left behind


def test_write_reflections_keeps_columns_as_zirel_batch_does(tmp_path):
    data = zirel.read_reflections(str(need(NACL)))
    done, out = batch(tmp_path, "--input", str(NACL), "--keep-columns", *options(NACL_RUN))
    assert done.returncode == 0, done.stderr
    mine = tmp_path / "mine.hkl"
    zirel.write_reflections(str(mine), data[zirel.accessible(data, **keywords(NACL_RUN))], keep_columns=True)
    assert mine.read_bytes() == out.read_bytes()


def test_write_reflections_refuses_what_it_cannot_write(tmp_path):
    data = zirel.generate(**keywords(MONOCLINIC))
    with pytest.raises(TypeError):
        zirel.write_reflections(str(tmp_path / "a.hkl"), hkl_of(data))
    with pytest.raises(TypeError):
        zirel.write_reflections(str(tmp_path / "a.hkl"), data.astype([(n, "f8") for n in data.dtype.names]))
    with pytest.raises(ValueError):
        zirel.write_reflections(str(tmp_path / "a.hkl"), data, layout="xds")
    with pytest.raises(OSError):
        zirel.write_reflections(str(tmp_path / "no-folder" / "a.hkl"), data)
    wide = data.copy()
    wide["I"][0] = 1e9  # too wide for F7
    with pytest.warns(RuntimeWarning, match="1 reflections too large"):
        assert zirel.write_reflections(str(tmp_path / "b.hkl"), wide) == len(data) - 1


def test_a_long_call_can_be_interrupted():
    import signal

    state = {"inside": False, "seen_inside": None}

    def alarm(signum, frame):
        state["seen_inside"] = state["inside"]
        raise KeyboardInterrupt

    indices = np.tile(np.array([[1, 2, 3]], np.int32), (2_000_000, 1))
    previous = signal.signal(signal.SIGALRM, alarm)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.02)
        with pytest.raises(KeyboardInterrupt):
            for _ in range(10_000):
                state["inside"] = True
                zirel.accessible(indices, **keywords(MONOCLINIC))
                state["inside"] = False
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert state["seen_inside"] is True  # stopped within the call, not between two calls
