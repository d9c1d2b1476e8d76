#pragma once

#include "files/SafeSave.h"

#include <cstdint>
#include <string>
#include <vector>

/// A cluster as a point cloud in binary little-endian PLY (Turk, "The PLY polygon file format",
/// 1994), the format ParaView, MeshLab, CloudCompare and Blender read: one vertex per particle,
/// the first particle's included, each with x, y and z as doubles and the vertex number of its
/// parent as an int, -1 for the first. Streamed through SafeSave, so the file appears, complete,
/// only at commit(). The number of vertices goes in the header, so it is known from the start.
class PlyPointCloud {
public:
    /// The bytes before the first vertex, and those of each vertex.
    static constexpr std::size_t VertexBytes = 3 * 8 + 4;
    static std::uint64_t fileBytes(std::int64_t vertices);

    /// Creates the temporary file for `path` and writes the header. Throws SaveError "Cannot
    /// create file <path>".
    PlyPointCloud(const std::string& path, std::int64_t vertices);

    /// Adds the next vertex; `parent` is the parent's vertex number, -1 for none.
    void write(double x, double y, double z, std::int32_t parent);
    /// Writes what is left and puts the file in place. Throws SaveError as SafeSave does, and
    /// when fewer or more vertices were written than the header gave.
    void commit();

    /// Whether `path` names a PLY file: it ends in ".ply", in any case.
    static bool isPlyName(const std::string& path);

    /// The header for `vertices` vertices.
    static std::string header(std::int64_t vertices);

private:
    void flush();

    SafeSave save_;
    std::vector<unsigned char> buffer_;
    std::size_t used_ = 0;
    std::int64_t expected_;
    std::int64_t written_ = 0;
};
