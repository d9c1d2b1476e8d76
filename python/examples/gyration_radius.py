"""Grows 20 off-lattice clusters and plots their gyration radius against the particle count on
log-log axes, with the fractal dimension fitted over them: the worked example of docs/python.md.

    PYTHONPATH=build/python python3 python/examples/gyration_radius.py docs/python-gyration.png
"""

import sys

import matplotlib

matplotlib.use("Agg")  # draws into the file, no display needed
import matplotlib.pyplot as plt
import numpy as np

import dla

CLUSTERS = 20
PARTICLES = 100_000


def main(figure_path):
    histories = []
    for seed in range(1, CLUSTERS + 1):
        cluster = dla.offlattice(PARTICLES, seed=seed)
        histories.append(cluster.gyration_history)
        print(f"seed {seed}: R_g = {cluster.gyration_radius:.1f}, dimension {cluster.dimension:.3f}")

    # Every cluster of the same size is sampled at the same particle counts; one particle alone
    # has no radius to show on log axes.
    shown = histories[0][0] >= 2
    counts = histories[0][0][shown]
    radii = np.array([radius[shown] for _, radius in histories])
    mean_radius = np.exp(np.log(radii).mean(axis=0))

    # N ~ R_g^D: the slope of log N against log R_g, from 100 particles on.
    fitted = counts >= 100
    dimension, offset = np.polyfit(np.log(mean_radius[fitted]), np.log(counts[fitted]), 1)
    print(f"fitted dimension over {CLUSTERS} clusters: {dimension:.3f}")

    figure, axes = plt.subplots(figsize=(6, 4.5), dpi=100)
    for radius in radii:
        axes.plot(counts, radius, color="0.8", linewidth=0.8)
    axes.plot(counts, mean_radius, "o", color="tab:blue", markersize=3, label=f"mean of {CLUSTERS} clusters")
    axes.plot(counts[fitted], np.exp((np.log(counts[fitted]) - offset) / dimension), color="tab:red",
              label=f"$N \\sim R_g^{{D}}$, D = {dimension:.3f}")
    axes.set_xscale("log")
    axes.set_yscale("log")
    axes.set_xlabel("particles N")
    axes.set_ylabel("gyration radius $R_g$ (diameters)")
    axes.set_title("Off-lattice DLA grown with the Python module dla")
    axes.legend()
    figure.tight_layout()
    figure.savefig(figure_path)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "python-gyration.png")
