#pragma once

#include "ProgressBar.h"
#include "RunResult.h"

#include <atomic>
#include <cstdint>
#include <string>

struct GrowRequest;
class SaveError;

/// One run of one growth mode, made by its mode's entry (GrowthMode::makeRun) with everything
/// it grows on already allocated. It keeps all its state to itself, so runs for several seeds
/// can go at once, one per thread.
class GrowthRun {
public:
    virtual ~GrowthRun() = default;

    /// Refuses before the run a file that could never be written, instead of after it: throws
    /// SaveError with the message the save would give. Writes nothing.
    virtual void checkWritable() const = 0;

    /// Grows the cluster, showing progress on `bar` when one is given and stopping at its next
    /// message point once `cancelled` (when given) is raised; then writes its files and tells
    /// what it did. A stopped run writes nothing and leaves no temporary file.
    virtual RunResult run(ProgressBar* bar, const std::atomic<bool>* cancelled) = 0;

protected:
    /// checkWritable for a run's two files as `request` names them: the picture, with the room
    /// a BMP of its size takes (a PNG's is not known before it is made), and the
    /// particle list when there is one.
    static void checkFilesWritable(const GrowRequest& request);
    /// SafeSave::checkWritable for `file` of `bytes` bytes; its SaveError names the file.
    static void checkFileWritable(const std::string& file, std::uint64_t bytes);
    /// The message of a file that could not be written, naming it.
    static std::string failureOf(const SaveError& error, const std::string& file);
};
