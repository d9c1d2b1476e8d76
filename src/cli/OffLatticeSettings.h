#pragma once

#include "GrowthMode.h"

#include <any>
#include <string>
#include <string_view>

struct GrowRequest;

/// The offlattice mode's own settings, read once from its options.
struct OffLatticeSettings {
    /// One pixel per particle diameter: each particle is about a pixel, as each lattice
    /// wanderer is, and touching particles fall on neighbouring pixels, so every branch shows
    /// connected in the smallest picture that holds it.
    static constexpr double DefaultScale = 1.0;
    /// A cluster in space is drawn as shaded spheres, which need a few pixels each to show
    /// their shading; its branches overlap in the picture, so it is denser there too.
    static constexpr double SpaceDefaultScale = 3.0;
    static constexpr double MinimumScale = 0.01;
    static constexpr double MaximumScale = 1000.0;
    /// The option's name on the command line.
    static constexpr std::string_view ScaleOption = "--scale";

    /// Pixels per particle diameter.
    double scale = DefaultScale;

    /// The settings of `given` (the mode's options by name), as GrowthMode::readSettings hands
    /// them over. Throws UsageError for a --scale that parseScale refuses.
    static std::any read(const ModeOptionTexts& given);
    /// The same for a cluster in space, whose default scale is SpaceDefaultScale.
    static std::any readSpace(const ModeOptionTexts& given);
    /// The settings of a request of this mode; the defaults when it holds none.
    static OffLatticeSettings of(const GrowRequest& request);
    /// A number in any plain floating-point spelling ("2", "0.25", "1e3", "2.5E-1") from
    /// MinimumScale to MaximumScale; throws UsageError.
    static double parseScale(const std::string& text);
};
