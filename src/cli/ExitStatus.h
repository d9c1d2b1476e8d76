#pragma once

/// dla-grow's exit statuses: every way it ends, in one place.
struct ExitStatus {
    /// Everything was written (or summed up) and its summary printed.
    static constexpr int Written = 0;
    /// A file could not be written: the picture or the particle list of a run, or of one or
    /// more runs of an ensemble (the others are written).
    static constexpr int NotWritten = 1;
    /// Bad input: nothing grown, nothing written.
    static constexpr int BadInput = 2;
    /// The files were written, but standard output could not take the summaries.
    static constexpr int OutputLost = 3;
};
