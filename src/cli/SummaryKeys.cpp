#include "SummaryKeys.h"

const std::array<SummaryKeys::FigureKey, SummaryKeys::FigureCount>& SummaryKeys::figures()
{
    using F = Figure;
    // clang-format off
    static const std::array<FigureKey, FigureCount> table{{
        {F::Wanderers,      "wanderers",       Kind::Count,  false, true,  F::Count,     Sum::Spread,   "",                   " wanderers", 0, 1},
        {F::Moves,          "moves",           Kind::Count,  false, true,  F::Count,     Sum::Spread,   "",                   " moves",     0, 1},
        {F::Marker,         "marker",          Kind::Marker, false, false, F::Count,     Sum::None,     "",                   "",           0, 0},
        {F::Seconds,        "seconds",         Kind::Real,   false, true,  F::Count,     Sum::Total,    "",                   " s",         2, 2},
        {F::Pixels,         "pixels",          Kind::Count,  false, true,  F::Wanderers, Sum::Spread,   "",                   " pixels",    0, 1},
        {F::GyrationRadius, "gyration_radius", Kind::Real,   true,  true,  F::Count,     Sum::SomeRuns, "gyration radius ",   "",           2, 2},
        {F::Dimension,      "dimension",       Kind::Real,   true,  false, F::Count,     Sum::SomeRuns, "fractal dimension ", "",           2, 3},
    }};
    // clang-format on
    return table;
}
