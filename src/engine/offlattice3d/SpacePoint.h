#pragma once

/// A point of space in particle diameters; the first particle of a 3D cluster sits at the origin.
struct SpacePoint {
    double x = 0;
    double y = 0;
    double z = 0;
    bool operator==(const SpacePoint&) const = default;

    double squaredLength() const { return x * x + y * y + z * z; }
};
