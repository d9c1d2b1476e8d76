"""Diffusion-limited aggregation clusters as NumPy arrays.

The growth engine of dla-grow, in Python: the same clusters from the same seeds,
without files in between.

    >>> import dla
    >>> c = dla.offlattice(1_000_000, seed=1)
    >>> c.positions.shape, c.dimension
    ((1000001, 2), 1.72...)

offlattice()     the standard model: discs moving by Brownian motion in the plane
                 (balls in space with dimensions=3)
plant()          the desktop program's plant life, upward from a strip
snowflake()      the desktop program's snowflake, outward from a pixel
read_particles() a particle list dla-grow wrote, as the same arrays
"""

from typing import Optional, Tuple, Union

from . import _dla
from ._dla import LatticeCluster, OffLattice3DCluster, OffLatticeCluster, ParticleList, __version__

__all__ = ["LatticeCluster", "OffLattice3DCluster", "OffLatticeCluster", "ParticleList", "offlattice", "plant", "read_particles", "snowflake",
           "__version__"]


def _described_by(engine_function):
    """Gives a function the engine's docstring, less its first line (the signature, which
    Python now tells itself)."""
    def describe(function):
        function.__doc__ = engine_function.__doc__.split("\n", 2)[2]
        return function
    return describe


@_described_by(_dla.offlattice)
def offlattice(n: int, seed: Optional[int] = None,
               dimensions: int = 2) -> Union[OffLatticeCluster, OffLattice3DCluster]:
    return _dla.offlattice(n, seed, dimensions)


@_described_by(_dla.plant)
def plant(size: Tuple[int, int] = (150, 300), seed: Optional[int] = None,
          points: Optional[int] = None) -> LatticeCluster:
    return _dla.plant(size, seed, points)


@_described_by(_dla.snowflake)
def snowflake(size: Tuple[int, int] = (300, 300), seed: Optional[int] = None,
              points: Optional[int] = None) -> LatticeCluster:
    return _dla.snowflake(size, seed, points)


@_described_by(_dla.read_particles)
def read_particles(path: str) -> ParticleList:
    return _dla.read_particles(path)
