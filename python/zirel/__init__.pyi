from typing import Optional, Sequence, Union
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
