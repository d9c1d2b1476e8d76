#pragma once

#include "GrowthMode.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

/// dla-grow's growth modes. A mode plugs in here, with one entry (GrowthMode): its name,
/// default size, marker, figures, own options and their settings, help, range of points, checks,
/// memory figure and run; nothing else of dla-grow names a mode. How to add one: ModeTable.cpp.
class ModeTable {
public:
    /// Every mode, the default one first.
    static const std::vector<GrowthMode>& modes();
    /// The mode used when --mode is not given.
    static const GrowthMode& defaultMode() { return modes().front(); }
    /// The mode of that name; null when there is none.
    static const GrowthMode* find(std::string_view name);
    /// The modes' names for a sentence: "plant or snowflake", "a, b or c".
    static std::string names();
    /// `each` of the modes, in their order, joined by ", " and, before the last, by
    /// `lastSeparator`.
    static std::string listed(const std::function<std::string(const GrowthMode&)>& each, std::string_view lastSeparator);
};
