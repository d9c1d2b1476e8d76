#include "GrowthMode.h"

#include <algorithm>

bool GrowthMode::reports(SummaryKeys::Figure figure) const
{
    return std::find(figures.begin(), figures.end(), figure) != figures.end();
}
