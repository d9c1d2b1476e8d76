from typing import Optional, Tuple, Union

from ._dla import LatticeCluster as LatticeCluster
from ._dla import OffLattice3DCluster as OffLattice3DCluster
from ._dla import OffLatticeCluster as OffLatticeCluster
from ._dla import ParticleList as ParticleList

__version__: str

def offlattice(
    n: int, seed: Optional[int] = None, dimensions: int = 2
) -> Union[OffLatticeCluster, OffLattice3DCluster]: ...
def plant(
    size: Tuple[int, int] = (150, 300), seed: Optional[int] = None, points: Optional[int] = None
) -> LatticeCluster: ...
def snowflake(
    size: Tuple[int, int] = (300, 300), seed: Optional[int] = None, points: Optional[int] = None
) -> LatticeCluster: ...
def read_particles(path: str) -> ParticleList: ...
