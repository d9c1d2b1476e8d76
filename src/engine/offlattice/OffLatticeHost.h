#pragma once

#include <cstdint>

/// What an off-lattice growth asks of the program around it, every every() arrivals: whether to
/// stop, and to show how far it has come. The lattice runs ask their RunHost the same way at
/// their message points. This base answers as a run on its own does: never stop, show nothing.
class OffLatticeHost {
public:
    virtual ~OffLatticeHost() = default;

    /// The arrivals between two questions, read once when a run starts; at least 1.
    virtual std::int64_t every() const { return 1024; }
    /// True ends the run before its next particle; another run() goes on growing the cluster.
    virtual bool stopWanted() { return false; }
    /// The arrivals so far, at least one.
    virtual void progress(std::int64_t arrivals) { static_cast<void>(arrivals); }
};
