#pragma once

#include "RunFigures.h"

#include <cstdint>
#include <string>

/// How one run of an ensemble ended, as its thread hands it back.
struct RunOutcome {
    enum class End {
        Written,    ///< grown and saved: `report` and `figures` tell it
        NotWritten, ///< grown, but a file could not be saved: `error` says why
        Stopped     ///< stopped before its end by a request to stop the ensemble; nothing saved
    };

    std::uint32_t seed = 0;
    End end = End::Stopped;
    std::string report; ///< the summary, a line or one JSON object, without a line break
    RunFigures figures;
    std::string error;
};
