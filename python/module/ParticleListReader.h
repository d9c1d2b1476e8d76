#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

/// Reads a particle list dla-grow wrote into the arrays of the cluster that grew it.
///
/// CSV, "index,x,y,parent" or "index,x,y,z,parent", a row per particle in order: a plane list
/// whose coordinates are all whole numbers is a lattice mode's, and its rows are the particles.
/// Any other is off the lattice (each double in its shortest form): it gets the origin particle
/// first, as the cluster's positions have it, and its parents are counted in those rows (one
/// more). PLY, the binary point cloud dla-grow writes for a name ending in ".ply": vertex 0 is
/// the origin particle and parents are vertex numbers already; a cloud whose every z is 0 is a
/// plane cluster's.
class ParticleListReader {
public:
    /// A file that is not such a list: the message names the file and the line (CSV) or the
    /// vertex (PLY).
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
        int dimensions = 2;
        std::vector<double> positions; // `dimensions` coordinates of each particle
        std::vector<std::int32_t> parents;
    };

    static Particles read(const std::string& path);

private:
    static Particles readCsv(std::istream& file, const std::string& path);
    static Particles readPly(std::istream& file, const std::string& path);
};
