#pragma once

// Off-lattice growth in space the slow, plain way, for checks of the fast growth: it shares no
// code with it. Its own random source (the standard library's Mersenne twister), directions
// from three normal draws, the exact gap to every particle at every jump and no index, its own
// stop distance, and the return to the start sphere found by a walk inside the ball instead of
// drawn from the harmonic measure's closed form.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

struct PlainPoint3D {
    double x = 0, y = 0, z = 0;
};

/// A mean and its standard error.
struct MeanAndError3D {
    double mean;
    double error;
};

inline MeanAndError3D meanOf3D(const std::vector<double>& values)
{
    double sum = 0;
    for (double v : values)
        sum += v;
    const double mean = sum / static_cast<double>(values.size());
    double squares = 0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    return {mean, std::sqrt(squares / static_cast<double>(values.size() - 1) / static_cast<double>(values.size()))};
}

inline double plainGyrationRadius3D(const std::vector<PlainPoint3D>& centres)
{
    double mx = 0, my = 0, mz = 0;
    for (const PlainPoint3D& c : centres)
        mx += c.x, my += c.y, mz += c.z;
    const double n = static_cast<double>(centres.size());
    mx /= n, my /= n, mz /= n;
    double squares = 0;
    for (const PlainPoint3D& c : centres)
        squares += (c.x - mx) * (c.x - mx) + (c.y - my) * (c.y - my) + (c.z - mz) * (c.z - mz);
    return std::sqrt(squares / n);
}

/// A uniform point of the sphere of `radius` about the origin: three normal draws, scaled.
inline PlainPoint3D plainOnSphere(std::mt19937_64& random, double radius)
{
    std::normal_distribution<double> normal;
    for (;;) {
        const double x = normal(random), y = normal(random), z = normal(random);
        const double length = std::sqrt(x * x + y * y + z * z);
        if (length > 1e-12)
            return {radius * x / length, radius * y / length, radius * z / length};
    }
}

/// Where Brownian motion from `from`, outside the sphere of `radius`, meets it, or false when it
/// leaves for infinity: it meets it with probability R / r, and then where motion from the
/// inverted point R^2 x / r^2 inside the ball first meets the sphere (the Kelvin transform takes
/// the one harmonic measure to the other), found by walk on spheres inside the ball down to 1e-10
/// of the sphere.
inline bool plainReturn(std::mt19937_64& random, PlainPoint3D& from, double radius)
{
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const double squared = from.x * from.x + from.y * from.y + from.z * from.z;
    if (uniform(random) >= radius / std::sqrt(squared))
        return false;
    const double shrink = radius * radius / squared;
    PlainPoint3D at{from.x * shrink, from.y * shrink, from.z * shrink};
    for (;;) {
        const double r = std::sqrt(at.x * at.x + at.y * at.y + at.z * at.z);
        if (radius - r < 1e-10) {
            from = {at.x * radius / r, at.y * radius / r, at.z * radius / r};
            return true;
        }
        const PlainPoint3D step = plainOnSphere(random, radius - r);
        at = {at.x + step.x, at.y + step.y, at.z + step.z};
    }
}

/// A cluster of `arrivals` particles plus the origin's, grown by walk on spheres with the exact
/// gap to every particle, down to 1e-8 of contact.
inline std::vector<PlainPoint3D> plainCluster3D(std::uint64_t seed, int arrivals)
{
    constexpr double Stop = 1e-8;
    std::mt19937_64 random(seed);
    std::vector<PlainPoint3D> centres{{0, 0, 0}};
    double farthest = 0;
    while (static_cast<int>(centres.size()) <= arrivals) {
        const double startRadius = farthest + 2.0;
        PlainPoint3D at = plainOnSphere(random, startRadius);
        for (;;) {
            double nearest = 1e300;
            std::size_t closest = 0;
            for (std::size_t i = 0; i < centres.size(); ++i) {
                const double d = std::sqrt((at.x - centres[i].x) * (at.x - centres[i].x) + (at.y - centres[i].y) * (at.y - centres[i].y) +
                                           (at.z - centres[i].z) * (at.z - centres[i].z));
                if (d < nearest)
                    nearest = d, closest = i;
            }
            const double gap = nearest - 1.0;
            if (gap <= Stop) {
                const PlainPoint3D c = centres[closest];
                at = {c.x + (at.x - c.x) / nearest, c.y + (at.y - c.y) / nearest, c.z + (at.z - c.z) / nearest};
                break;
            }
            const PlainPoint3D step = plainOnSphere(random, gap);
            at = {at.x + step.x, at.y + step.y, at.z + step.z};
            if (at.x * at.x + at.y * at.y + at.z * at.z > startRadius * startRadius && !plainReturn(random, at, startRadius))
                at = plainOnSphere(random, startRadius);
        }
        centres.push_back(at);
        farthest = std::max(farthest, std::sqrt(at.x * at.x + at.y * at.y + at.z * at.z));
    }
    return centres;
}
