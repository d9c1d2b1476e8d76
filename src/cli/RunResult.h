#pragma once

#include "lattice/FieldSize.h"
#include "SummaryKeys.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct GrowthMode;
struct GrowRequest;

/// What one run did: which run it was, how it ended, its figures and its files. The one-line
/// summary, the JSON summary and the aggregate's figures all come from here.
struct RunResult {
    enum class End {
        Written,    ///< grown and every file saved
        NotWritten, ///< a file could not be made or saved, or the run could not be held: `errors`
                    ///< say why; the other file may still be written
        Stopped     ///< stopped before its end by a request to stop; nothing saved
    };

    const GrowthMode* mode = nullptr;
    FieldSize size;
    std::uint32_t seed = 0;
    End end = End::Stopped;
    /// The value of each figure the mode reports; empty where the run has none (a gyration
    /// radius without a pixel) and for the figures of other modes.
    std::array<std::optional<double>, SummaryKeys::FigureCount> figures{};
    std::string output;    ///< the picture's file; empty for none
    std::string particles; ///< the particle list's file; empty for none
    /// The growth ran to its end (it was not stopped), whatever became of its files.
    bool grown = false;
    bool pictureWritten = false;
    bool particlesWritten = false;
    /// One message for each file that could not be written, naming it, or why the run could
    /// not be made.
    std::vector<std::string> errors;

    /// The run `request` asks for, before it has grown: its mode, size, seed and files, no
    /// figure yet, ended Stopped until the run says otherwise.
    static RunResult of(const GrowRequest& request);

    /// Whether the run is told and summed up: it grew, and its picture, when it has one, was
    /// written (a particle list that could not be written does not hold it back).
    bool summarised() const { return grown && (pictureWritten || output.empty()); }

    std::optional<double> figure(SummaryKeys::Figure which) const { return figures[static_cast<std::size_t>(which)]; }
    void setFigure(SummaryKeys::Figure which, std::optional<double> value)
    {
        figures[static_cast<std::size_t>(which)] = value;
    }

    /// "plant 150x300, seed 7: 3021 wanderers, 48061233 moves, plantTop 1, 0.52 s, 2990 pixels,
    /// gyration radius 52.10, fractal dimension 1.63, written to plant.bmp", then
    /// ", particles to FILE" when a particle list was written: the mode's figures in its order,
    /// a figure the run has none of left out; without a picture, no "written to". For a run
    /// that is summarised().
    std::string line() const;
    /// One JSON object on one line: mode, engine, width, height, seed, every figure in the order of
    /// SummaryKeys (null where the run has none and for the figures of other modes), output
    /// (null for a run without a picture), and for a run with a particle list particle_list
    /// (null when it could not be written).
    /// Every summary has the same keys, so a table of runs of several modes lines up.
    std::string json() const;
    /// "snowflake 1000x1000": what the runs summed up together must share.
    std::string kind() const;
};
