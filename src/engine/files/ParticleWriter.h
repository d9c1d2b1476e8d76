#pragma once

#include "files/SafeSave.h"

#include <cstdint>
#include <string>
#include <vector>

/// The particle list as CSV, streamed to its file while the run goes on: the header
/// "index,x,y,parent" ("index,x,y,z,parent" for particles in space), then one row per wanderer
/// in release order. Through SafeSave, so the
/// file appears, complete, only at commit().
class ParticleWriter {
public:
    /// The rows it gathers before each write to the file.
    static constexpr std::size_t BufferBytes = 1 << 16;

    /// Which coordinates the rows have.
    enum class Columns { Plane, Space };

    /// Creates the temporary file for `path`. Throws SaveError "Cannot create file <path>".
    explicit ParticleWriter(const std::string& path, Columns columns = Columns::Plane);

    /// Adds one row of a lattice wanderer, at a pixel; `parent` is -1 for none.
    void write(std::int64_t index, std::int32_t x, std::int32_t y, std::int64_t parent);
    /// Adds one row of an off-lattice particle, x and y in the shortest form that reads back as
    /// the same double.
    void write(std::int64_t index, double x, double y, std::int64_t parent);
    /// Adds one row of a particle in space (a writer made with Columns::Space).
    void write(std::int64_t index, double x, double y, double z, std::int64_t parent);

    /// Writes what is left in the buffer to the temporary file; false when a write has fallen
    /// short (a full disk, a file-size limit): the list can then not be put in place.
    bool writeOut();
    /// Gives the list up: its temporary file is removed at once, the target left as it was.
    void abandon() { save_.abandon(); }

    /// Writes what is left and puts the file in place. Throws SaveError as SafeSave does.
    void commit();

private:
    void flush();
    template <typename Coordinate>
    void writeRow(std::int64_t index, Coordinate x, Coordinate y, std::int64_t parent);

    SafeSave save_;
    std::vector<char> buffer_;
    std::size_t used_ = 0;
};
