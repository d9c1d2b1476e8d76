#include "offlattice/UnitDirection.h"

#include <cmath>

UnitDirection::Table::Table()
{
    for (int sector = 0; sector < Sectors; ++sector) {
        const double angle = 6.283185307179586476925 * sector / Sectors;
        entries[static_cast<std::size_t>(sector)] = {std::cos(angle), std::sin(angle)};
    }
}

const UnitDirection::Table UnitDirection::Starts;
