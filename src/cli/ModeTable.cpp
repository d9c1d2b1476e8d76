#include "ModeTable.h"

#include "LatticeRun.h"
#include "ProgramState.h"

#include <algorithm>

namespace {

using Figure = SummaryKeys::Figure;

/// What both lattice modes report, in their summaries' order.
const std::vector<Figure> LatticeFigures{Figure::Wanderers, Figure::Moves,          Figure::Marker,   Figure::Seconds,
                                         Figure::Pixels,    Figure::GyrationRadius, Figure::Dimension};

} // namespace

const std::vector<GrowthMode>& ModeTable::modes()
{
    static const std::vector<GrowthMode> table{
        {"plant", ProgramState::DefaultPlantSize, "plantTop", LatticeFigures, {}, LatticeRun::checkBeforeRuns,
         LatticeRun::memoryOfOneRun, LatticeRun::makePlant},
        {"snowflake", ProgramState::DefaultSnowSize, "snowRadius", LatticeFigures, {}, LatticeRun::checkBeforeRuns,
         LatticeRun::memoryOfOneRun, LatticeRun::makeSnowflake},
    };
    return table;
}

const GrowthMode* ModeTable::find(std::string_view name)
{
    const auto& table = modes();
    const auto found = std::find_if(table.begin(), table.end(), [name](const GrowthMode& mode) { return mode.name == name; });
    return found == table.end() ? nullptr : &*found;
}

std::string ModeTable::names()
{
    return listed([](const GrowthMode& mode) { return std::string(mode.name); }, " or ");
}

std::string ModeTable::listed(const std::function<std::string(const GrowthMode&)>& each, std::string_view lastSeparator)
{
    const auto& table = modes();
    std::string text;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (i > 0)
            text += i + 1 == table.size() ? std::string(lastSeparator) : std::string(", ");
        text += each(table[i]);
    }
    return text;
}
