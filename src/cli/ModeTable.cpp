#include "ModeTable.h"

#include "LatticeRun.h"
#include "OffLatticePlan.h"
#include "OffLatticeRun.h"
#include "OffLatticeSettings.h"
#include "offlattice/OffLatticeGrowth.h"
#include "offlattice/OffLatticeParticleList.h"
#include "offlattice/OffLatticePicture.h"
#include "offlattice3d/OffLattice3DGrowth.h"
#include "offlattice3d/OffLattice3DParticleList.h"
#include "offlattice3d/OffLattice3DPicture.h"
#include "lattice/PlantLifeGrowth.h"
#include "lattice/ProgramState.h"
#include "lattice/SnowflakeGrowth.h"

#include <algorithm>

namespace {

using Figure = SummaryKeys::Figure;

/// The off-lattice modes' runs, in the plane and in space.
using PlaneRun = OffLatticeRun<OffLatticeGrowth, OffLatticePicture, OffLatticeParticleList, OffLatticeModel::Plane>;
using SpaceRun = OffLatticeRun<OffLattice3DGrowth, OffLattice3DPicture, OffLattice3DParticleList, OffLatticeModel::Space>;

/// What both lattice modes report, in their summaries' order.
const std::vector<Figure> LatticeFigures{Figure::Wanderers, Figure::Moves,          Figure::Marker,   Figure::Seconds,
                                         Figure::Pixels,    Figure::GyrationRadius, Figure::Dimension};

/// Both lattice modes' particle lists, in --help (told once).
constexpr std::string_view LatticeParticleList =
    "index,x,y,parent for every wanderer in release order; x and y where it stuck (column from the left, row "
    "from the top); parent the wanderer that owns the first white pixel of its touch test, read in the order "
    "right, left, below, above, below right, below left, above right, above left (for plant life column 0 reads "
    "column w - 1 and column w reads column 1), or -1 for the starting cluster.";

/// Both off-lattice modes' notes on the figures they share, in --help (told once for both).
constexpr std::string_view OffLatticeGyrationNote = "in diameters, over every particle, the origin particle included";
constexpr std::string_view OffLatticeDimensionNote =
    "from the growth, the slope of log N against log R_g(N) over the first N particles from N = 100 on; null "
    "below two decades";
constexpr std::string_view OffLatticeParticlesNote = "the particles grown, the particle list's rows";

} // namespace

// To add a mode: write its run class (a GrowthRun, with static functions for the entry's
// checkBeforeRuns, memoryOfOneRun, memoryRefusal and makeRun; see OffLatticeRun) and, if it has
// options of its own, its settings type beside it (readSettings reads them once from their
// texts; the run takes them back with std::any_cast from GrowRequest::modeSettings; see
// OffLatticeSettings). Then add its entry below: name, default size, figures, options, help
// (its words in --help, its notes on the figures), range of --points and those functions. The
// parser, the help, the plan, the ensemble, the summaries and the aggregate take it from here;
// a figure no mode had before also needs its row in SummaryKeys.
const std::vector<GrowthMode>& ModeTable::modes()
{
    static const std::vector<GrowthMode> table{
        {
            .name = "plant",
            .engine = PlantLifeGrowth::EngineVersion,
            .defaultSize = ProgramState::DefaultPlantSize,
            .markerName = "plantTop",
            .figures = LatticeFigures,
            .options = {},
            .help = {.particleList = LatticeParticleList},
            .checkBeforeRuns = LatticeRun::checkBeforeRuns,
            .memoryOfOneRun = LatticeRun::memoryOfOneRun,
            .memoryRefusal = LatticeRun::memoryRefusal,
            .makeRun = LatticeRun::makePlant,
        },
        {
            .name = "snowflake",
            .engine = SnowflakeGrowth::EngineVersion,
            .defaultSize = ProgramState::DefaultSnowSize,
            .markerName = "snowRadius",
            .figures = LatticeFigures,
            .options = {},
            .help = {.particleList = LatticeParticleList,
                     .examples = {"dla-grow --mode snowflake --size 1000x1000 --seed 7 --output flake.bmp",
                                  "dla-grow -m snowflake -s 2000x2000 -r 7 --colour age -o flake.png --particles "
                                  "flake.csv",
                                  "dla-grow -m snowflake -s 1000x1000 --runs 8 --seed 1 --json -o "
                                  "'flake-{seed}.png'"}},
            .checkBeforeRuns = LatticeRun::checkBeforeRuns,
            .memoryOfOneRun = LatticeRun::memoryOfOneRun,
            .memoryRefusal = LatticeRun::memoryRefusal,
            .makeRun = LatticeRun::makeSnowflake,
        },
        {
            .name = "offlattice",
            .engine = OffLatticeGrowth::EngineVersion,
            .defaultSize = OffLatticePlan::DefaultSize,
            .markerName = "radius",
            .figures = {Figure::Particles, Figure::Jumps, Figure::Seconds, Figure::GyrationRadius, Figure::Dimension},
            .options = {{OffLatticeSettings::ScaleOption, "K",
                         "offlattice: pixels per particle diameter, 0.01 to 1000 (default: 1)"}},
            .help = {.size = "offlattice with -n: a square that holds the N particles",
                     .points = "offlattice: grow N particles, 1 or more",
                     .particles = "offlattice: every particle that arrived",
                     .particleList = "Offlattice: one row per particle that arrived, in arrival order (the origin "
                                     "particle has none); x and y its centre in diameters from the origin, y "
                                     "upwards; parent the row of the particle it touched, or -1 for the origin "
                                     "particle.",
                     .examples = {"dla-grow -m offlattice -n 1000000 -r 1 --colour age -o dla.png --particles "
                                  "dla.csv"},
                     .figures = {{Figure::GyrationRadius, OffLatticeGyrationNote},
                                 {Figure::Dimension, OffLatticeDimensionNote},
                                 {Figure::Particles, OffLatticeParticlesNote},
                                 {Figure::Jumps, "the circle jumps taken, one random direction each"}}},
            .fewestPoints = 1,
            .mostPoints = OffLatticeGrowth::MaxParticles,
            .readSettings = OffLatticeSettings::read,
            .sizeWithoutSizeOption = OffLatticePlan::sizeWithoutSizeOption,
            .checkBeforeRuns = PlaneRun::checkBeforeRuns,
            .memoryOfOneRun = PlaneRun::memoryOfOneRun,
            .memoryRefusal = PlaneRun::memoryRefusal,
            .makeRun = PlaneRun::make,
        },
        {
            .name = "offlattice3d",
            .engine = OffLattice3DGrowth::EngineVersion,
            .defaultSize = OffLatticePlan::DefaultSize,
            .markerName = "radius",
            .figures = {Figure::Particles, Figure::Jumps, Figure::Seconds, Figure::GyrationRadius, Figure::Dimension},
            .options = {{OffLatticeSettings::ScaleOption, "K",
                         "offlattice3d: pixels per particle diameter, 0.01 to 1000 (default: 3)"}},
            .help = {.size = "offlattice3d with -n: a square that holds the N particles",
                     .points = "offlattice3d: grow N particles in space, 1 or more",
                     .particles = "offlattice3d: every particle that arrived; a name ending in .ply gives a PLY "
                                  "point cloud, in either off-lattice mode",
                     .particleList = "Offlattice3d: index,x,y,z,parent, one row per particle that arrived, x, y "
                                     "and z its centre in diameters; its picture is the cluster seen along z, "
                                     "each particle a shaded sphere. A .ply list (offlattice and offlattice3d) "
                                     "is binary little-endian PLY: vertex 0 the origin particle, vertex i the "
                                     "particle of row i - 1, x, y, z as doubles (z = 0 in the plane) and the "
                                     "parent's vertex as an int, -1 for the origin particle.",
                     .examples = {"dla-grow -m offlattice3d -n 1000000 -r 1 --colour age -o dla3d.png --particles "
                                  "dla3d.ply"},
                     .figures = {{Figure::GyrationRadius, OffLatticeGyrationNote},
                                 {Figure::Dimension, OffLatticeDimensionNote},
                                 {Figure::Particles, OffLatticeParticlesNote},
                                 {Figure::Jumps, "the jumps taken, each out of a ball that reaches no particle"}}},
            .fewestPoints = 1,
            .mostPoints = OffLattice3DGrowth::MaxParticles,
            .readSettings = OffLatticeSettings::readSpace,
            .sizeWithoutSizeOption = OffLatticePlan::spaceSizeWithoutSizeOption,
            .checkBeforeRuns = SpaceRun::checkBeforeRuns,
            .memoryOfOneRun = SpaceRun::memoryOfOneRun,
            .memoryRefusal = SpaceRun::memoryRefusal,
            .makeRun = SpaceRun::make,
        },
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
