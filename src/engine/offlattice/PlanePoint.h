#pragma once

/// A point of the off-lattice plane, in particle diameters; the first particle sits at the origin.
struct PlanePoint {
    double x = 0;
    double y = 0;
    bool operator==(const PlanePoint&) const = default;
};
