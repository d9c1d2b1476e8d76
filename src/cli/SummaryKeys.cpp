#include "SummaryKeys.h"

const std::array<SummaryKeys::FigureKey, SummaryKeys::FigureCount>& SummaryKeys::figures()
{
    using F = Figure;
    // clang-format off
    static const std::array<FigureKey, FigureCount> table{{
        {F::Wanderers,      "wanderers",       Kind::Count,  false, true,  F::Count,     Sum::Spread,   "",                   " wanderers", 0, 1,
         "the wanderers released: N + 1 for --points N, fewer when the limit came first"},
        {F::Moves,          "moves",           Kind::Count,  false, true,  F::Count,     Sum::Spread,   "",                   " moves",     0, 1,
         "the steps they walked, one random draw each"},
        {F::Marker,         "marker",          Kind::Marker, false, false, F::Count,     Sum::None,     "",                   "",           0, 0,
         "plantTop (the cluster's highest row) or snowRadius (its largest rounded distance from the centre) at the end"},
        {F::Seconds,        "seconds",         Kind::Real,   false, true,  F::Count,     Sum::Total,    "",                   " s",         2, 2,
         "the run alone, without writing its files"},
        {F::Pixels,         "pixels",          Kind::Count,  false, true,  F::Wanderers, Sum::Spread,   "",                   " pixels",    0, 1,
         "the pixels the run turned white inside the picture, one for each wanderer that stuck inside it"},
        {F::GyrationRadius, "gyration_radius", Kind::Real,   true,  true,  F::Count,     Sum::SomeRuns, "gyration radius ",   "",           2, 2,
         "the root mean squared distance of those wanderers from their centre of mass, in pixels; the starting cluster left out; null without one"},
        {F::Dimension,      "dimension",       Kind::Real,   true,  false, F::Count,     Sum::SomeRuns, "fractal dimension ", "",           2, 3,
         "a box-counting estimate of the fractal dimension: boxes of 1, 2, 4, ... pixels aligned to the top left corner of the cluster's bounding box (the plant's base strip left out), up to a quarter of its shorter side, the slope of log N(s) against log(1/s) fitted from 4 pixels on; null when the box is under 128 pixels either way"},
        {F::Particles,      "particles",       Kind::Count,  false, true,  F::Count,     Sum::Spread,   "",                   " particles", 0, 1,
         ""},
        {F::Jumps,          "jumps",           Kind::Count,  false, true,  F::Count,     Sum::Spread,   "",                   " jumps",     0, 1,
         ""},
    }};
    // clang-format on
    return table;
}
