"""Diffusion-limited aggregation clusters as NumPy arrays.

The growth engine of dla-grow, in Python: the same clusters from the same seeds,
without files in between.

    >>> import dla
    >>> c = dla.offlattice(1_000_000, seed=1)
    >>> c.positions.shape, c.dimension
    ((1000001, 2), 1.71...)

offlattice()     the standard model: discs moving by Brownian motion in the plane
plant()          the desktop program's plant life, upward from a strip
snowflake()      the desktop program's snowflake, outward from a pixel
read_particles() a particle list dla-grow wrote, as the same arrays
"""

from ._dla import (LatticeCluster, OffLatticeCluster, ParticleList, __version__, offlattice, plant, read_particles,
                   snowflake)

__all__ = ["LatticeCluster", "OffLatticeCluster", "ParticleList", "offlattice", "plant", "read_particles", "snowflake",
           "__version__"]
