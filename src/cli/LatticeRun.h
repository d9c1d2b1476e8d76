#pragma once

#include "GrowRequest.h"
#include "GrowthRun.h"
#include "lattice/OrderMap.h"
#include "files/ParticleWriter.h"
#include "lattice/ProgramState.h"

#include <memory>
#include <optional>

/// One run of a lattice mode (plant life or snowflake): grows the mode's field as the desktop
/// program's START does, writes the picture (and the particle list) and tells what it did.
class LatticeRun : public GrowthRun {
public:
    enum class Lattice {
        Plant,    ///< plant life: upward from the base strip
        Snowflake ///< outward from the centre pixel
    };

    /// Makes the mode's field at its size (and only that field), and the order map when the
    /// picture is coloured by age. Throws FieldSizeError when the memory cannot hold them:
    /// nothing is grown or written. Throws std::invalid_argument for points beyond 32 bits.
    LatticeRun(Lattice lattice, const GrowRequest& request);

    /// The mode table's ways to make a run of each mode.
    static std::unique_ptr<GrowthRun> makePlant(const GrowRequest& request);
    static std::unique_ptr<GrowthRun> makeSnowflake(const GrowRequest& request);
    /// Throws FieldSizeError when the mode's field could never be held at the options' size.
    static void checkBeforeRuns(const GrowRequest& request);
    static std::uint64_t memoryOfOneRun(const GrowRequest& request);
    static std::string memoryRefusal(const GrowRequest& request);

    /// A BMP file's size is known before the run; a PNG file's and the particle list's depend
    /// on the run, so for them only the place is checked.
    void checkWritable() const override;

    /// The particle list's file is made before the run, so a place where it cannot be made ends
    /// the run before it grows. A file whose writing falls short leaves the old file as it was,
    /// and the other file is still written; the result (NotWritten) has one message for each
    /// file that failed, naming it, and its figures when the picture was written. A file put in
    /// place whose folder could not then be flushed is told as failed too, although it is
    /// written.
    RunResult run(ProgressBar* bar, const std::atomic<bool>* cancelled) override;

private:
    const GrowthField& field() const;
    /// Saves the picture and the particle list (when given), noting in `result` what was written.
    void saveFiles(ParticleWriter* particles, RunResult& result) const;

    Lattice lattice_;
    GrowRequest request_;
    ProgramState state_;
    std::optional<OrderMap> order_;
};
