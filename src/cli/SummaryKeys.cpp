#include "SummaryKeys.h"

const std::array<SummaryKeys::FigureKey, SummaryKeys::FigureCount>& SummaryKeys::figures()
{
    using F = Figure;
    // clang-format off
    static const std::array<FigureKey, FigureCount> table{{
        {F::Wanderers,      "wanderers",       Kind::Count,  false, Sum::Spread,   "",                   " wanderers", 0, 1},
        {F::Moves,          "moves",           Kind::Count,  false, Sum::Spread,   "",                   " moves",     0, 1},
        {F::Marker,         "marker",          Kind::Marker, false, Sum::None,     "",                   "",           0, 0},
        {F::Seconds,        "seconds",         Kind::Real,   false, Sum::Total,    "",                   " s",         2, 2},
        {F::Pixels,         "pixels",          Kind::Count,  false, Sum::Spread,   "",                   " pixels",    0, 1},
        {F::GyrationRadius, "gyration_radius", Kind::Real,   true,  Sum::SomeRuns, "gyration radius ",   "",           2, 2},
        {F::Dimension,      "dimension",       Kind::Real,   true,  Sum::SomeRuns, "fractal dimension ", "",           2, 3},
        {F::Particles,      "particles",       Kind::Count,  false, Sum::Spread,   "",                   " particles", 0, 1},
        {F::Jumps,          "jumps",           Kind::Count,  false, Sum::Spread,   "",                   " jumps",     0, 1},
    }};
    // clang-format on
    return table;
}
