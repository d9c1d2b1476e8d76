#pragma once

#include "GrowRequest.h"
#include "GrowthMode.h"

#include <cstdint>

/// What dla-grow will grow, worked out once before anything grows: how many runs, each run's
/// seed and file names, whether any two of those names lead to one file, and how many runs the
/// memory holds at once.
class RunPlan {
public:
    explicit RunPlan(const GrowRequest& request);

    /// Whether --runs was given: then the runs go as an ensemble, each told with its seed.
    bool isEnsemble() const { return request_.runs.has_value(); }
    std::uint64_t runs() const { return request_.runs.value_or(1); }
    /// The seed of run `index`: the first seed plus the index, modulo 2^32.
    std::uint32_t seedOf(std::uint64_t index) const { return static_cast<std::uint32_t>(request_.seed + index); }

    /// The request of run `index`: its seed, and file names that carry it (every name, when
    /// there is more than one run, so the runs cannot write over each other). Without --runs
    /// the names are taken as given, "{seed}" and all.
    GrowRequest requestOf(std::uint64_t index) const;
    /// The picture's (or else the particle list's) file name of run `index`; empty for none.
    std::string nameOf(std::uint64_t index, bool picture) const;

    /// Refuses, before anything grows, a plan that cannot be carried out. Throws UsageError when
    /// two of its files would be one (a run's picture and particle list, or files of two runs:
    /// 'w{seed}.bmp' for seed 11 and 'w{seed}1.bmp' for seed 1), through links, "." or ".."
    /// too; throws FieldSizeError when one run could never be held in memory; throws SaveError
    /// when the folder that every run of an ensemble writes to can take no file (told once,
    /// for the first run's file, rather than by every run).
    void check() const;

    /// The memory one run holds at its peak, as its mode counts it.
    std::uint64_t memoryOfOneRun() const { return request_.mode->memoryOfOneRun(request_); }

    /// How many runs go at once: as asked, or the processors this process may use; never more
    /// than there are runs, and lowered to what the memory holds.
    struct Jobs {
        int wanted = 1;
        int fitting = 1;
    };
    Jobs jobs() const;

private:
    void checkSharedFolders() const;
    /// Whether `name`, with no seed field in it, leads to a stream: every run would write to
    /// that one stream, so the name is kept as it is (and two runs meet in it).
    static bool leadsToStream(const std::string& name);
    bool toStream(bool picture) const { return picture ? pictureToStream_ : particlesToStream_; }

    GrowRequest request_;
    bool pictureToStream_;
    bool particlesToStream_;
};
