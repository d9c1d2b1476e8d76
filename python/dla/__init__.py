"""Diffusion-limited aggregation clusters as NumPy arrays.

The growth engine of dla-grow, in Python: the same clusters from the same seeds,
without files in between.

    >>> import dla
    >>> c = dla.offlattice(1_000_000, seed=1)
    >>> c.positions.shape, c.dimension
    ((1000001, 2), 1.71...)

offlattice()  the standard model: discs moving by Brownian motion in the plane
"""

from ._dla import OffLatticeCluster, __version__, offlattice

__all__ = ["OffLatticeCluster", "offlattice", "__version__"]
