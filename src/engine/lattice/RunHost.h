#pragma once

#include "lattice/RunProgress.h"
#include "lattice/RunSettings.h"

/// What a growth run needs of the program around it. The desktop program answers from its
/// menu and windows; dla-grow and the tests answer with fixed settings.
///
/// processPendingMessages() may do anything a menu command can: reset or resize a field, switch
/// modes, set the state's stopRequested. The run reads the state afresh afterwards.
class RunHost {
public:
    virtual ~RunHost() = default;

    /// The run has begun: enable Cancel, then disable START.
    virtual void runStarted() = 0;
    /// The run's settings, read once, right after runStarted(): "To Limit" first, then the
    /// number of points only when To Limit is off.
    virtual RunSettings settings() = 0;
    /// Handle everything that is waiting (repaint, commands), then return at once.
    virtual void processPendingMessages(const RunProgress& progress) = 0;
    /// The run ended by its own rule: enable START, then disable Cancel. Not called when a run
    /// returns because it found stopRequested set.
    virtual void runEnded() = 0;
};
