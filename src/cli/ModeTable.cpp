#include "ModeTable.h"

#include "LatticeRun.h"
#include "OffLatticeRun.h"
#include "lattice/PlantLifeGrowth.h"
#include "lattice/ProgramState.h"
#include "lattice/SnowflakeGrowth.h"
#include "offlattice/OffLatticeGrowth.h"

#include <algorithm>

namespace {

using Figure = SummaryKeys::Figure;

/// What both lattice modes report, in their summaries' order.
const std::vector<Figure> LatticeFigures{Figure::Wanderers, Figure::Moves,          Figure::Marker,   Figure::Seconds,
                                         Figure::Pixels,    Figure::GyrationRadius, Figure::Dimension};

const std::vector<Figure> OffLatticeFigures{Figure::Particles, Figure::Jumps, Figure::Seconds, Figure::GyrationRadius,
                                            Figure::Dimension};

const ModeOption ScaleOption{OffLatticeSettings::ScaleOption, "K",
                             "offlattice: pixels per particle diameter, 0.01 to 1000 (default: 1)"};

} // namespace

const std::vector<GrowthMode>& ModeTable::modes()
{
    static const std::vector<GrowthMode> table{
        {"plant", PlantLifeGrowth::EngineVersion, ProgramState::DefaultPlantSize, "plantTop", LatticeFigures, {}, LatticeRun::checkBeforeRuns,
         LatticeRun::memoryOfOneRun, LatticeRun::memoryRefusal, LatticeRun::makePlant},
        {"snowflake", SnowflakeGrowth::EngineVersion, ProgramState::DefaultSnowSize, "snowRadius", LatticeFigures, {}, LatticeRun::checkBeforeRuns,
         LatticeRun::memoryOfOneRun, LatticeRun::memoryRefusal, LatticeRun::makeSnowflake},
        {"offlattice", OffLatticeGrowth::EngineVersion, OffLatticeSettings::DefaultSize, "radius", OffLatticeFigures, {ScaleOption},
         OffLatticeRun::checkBeforeRuns, OffLatticeRun::memoryOfOneRun, OffLatticeRun::memoryRefusal,
         OffLatticeRun::make,
         OffLatticeSettings::sizeWithoutSizeOption},
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
