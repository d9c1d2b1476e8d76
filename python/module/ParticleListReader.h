#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

/// Reads a particle list dla-grow wrote (CSV: "index,x,y,parent", a row per particle in order)
/// into the arrays of the cluster that grew it. A list whose coordinates are all whole numbers
/// is a lattice mode's: its rows are the particles. One with a coordinate that is not (an
/// off-lattice list, in the shortest form of each double) gets the origin particle first, as the
/// cluster's positions have it, and its parents are counted in those rows (one more).
class ParticleListReader {
public:
    /// A file that is not such a list: the message names the file and line.
    class Malformed : public std::runtime_error {
    public:
        explicit Malformed(const std::string& message) : std::runtime_error(message) {}
    };
    /// A file that cannot be read: "Cannot read file <path>".
    class Unreadable : public std::runtime_error {
    public:
        explicit Unreadable(const std::string& message) : std::runtime_error(message) {}
    };

    struct Particles {
        bool offLattice = false;
        std::vector<double> positions; // x, y of each particle
        std::vector<std::int32_t> parents;
    };

    static Particles read(const std::string& path);
};
