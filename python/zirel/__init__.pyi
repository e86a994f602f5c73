from typing import Any, Dict, List, Optional, Sequence, Union
import numpy as np
import numpy.typing as npt

__version__: str

class Cell:
    a: float
    b: float
    c: float
    alpha: float
    beta: float
    gamma: float
    def __init__(self, a: float, b: float, c: float, alpha: float, beta: float, gamma: float) -> None: ...

class Refused(ValueError):
    parameter: str
    kind: str
    determinant: Optional[float]

class RecordError(ValueError):
    line: int
    path: str

Axis = Sequence[float]

def accessible(indices: npt.NDArray[np.generic], /, *, cell: Cell, uvw: Optional[Axis] = None,
               hkl: Optional[Axis] = None, wavelength: float, psi_max: float) -> npt.NDArray[np.bool_]: ...
def generate(*, cell: Cell, uvw: Optional[Axis] = None, hkl: Optional[Axis] = None,
             wavelength: float, psi_max: float) -> npt.NDArray[np.void]: ...
def read_reflections(path: str) -> npt.NDArray[np.void]: ...
def write_reflections(path: str, data: npt.NDArray[np.void], layout: Optional[str] = None,
                      keep_columns: bool = False) -> int: ...

class CompletenessReport:
    symmetry: str
    d_min: float
    shells: Dict[str, npt.NDArray[Any]]
    overall: Dict[str, Union[int, float]]
    records: int
    absent: int
    beyond: int

def completeness(*, cell: Cell, uvw: Optional[Axis] = None, hkl: Optional[Axis] = None, wavelength: float,
                 psi_max: float, space_group: Optional[str] = None, laue: Optional[str] = None,
                 d_min: Optional[float] = None, anomalous: bool = False, shells: int = 10,
                 measured: Optional[npt.NDArray[Any]] = None) -> CompletenessReport: ...

class OrientationMap:
    directions: npt.NDArray[np.float64]
    counts: npt.NDArray[np.int32]
    completeness: npt.NDArray[np.float64]
    theory: int
    covered: int
    step: float
    symmetry: str
    d_min: float
    mean: float
    mounts: List[Dict[str, Any]]
    best: List[Dict[str, Any]]
    worst: Dict[str, Any]
    def svg(self) -> str: ...

def orientation_map(*, cell: Cell, wavelength: float, psi_max: float, space_group: Optional[str] = None,
                    laue: Optional[str] = None, d_min: Optional[float] = None, anomalous: bool = False,
                    step: float = 2.0, top: int = 5, with_: Optional[Sequence[Axis]] = None,
                    with_hkl: Optional[Sequence[Axis]] = None, threads: int = 0) -> OrientationMap: ...
