#include "lattice/FixedSettingsHost.h"
#include "lattice/RunFrame.h"
#include "TestHosts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace {

/// FNV-1a over the pixel block: any changed pixel changes it.
std::uint64_t pictureHash(const GrowthField& field)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < field.pixelBlockSize(); ++i)
        hash = (hash ^ field.pixelBlock()[i]) * 1099511628211ull;
    return hash;
}

struct SeededRun {
    bool plant;
    std::uint32_t seed;
    FieldSize size;
    std::optional<std::int32_t> points; ///< empty: To Limit
    std::int64_t wanderers;
    std::int64_t moves;
    std::int32_t marker;
    std::uint64_t hash;
};

} // namespace

// Whole runs with their figures fixed, so any change to the growth shows. The figures were taken
// once from the engine; the two one-wanderer runs with seed 0 were also followed step by step
// from the walk rules by a separate program (25 moves to (146, 294); 61 moves to (151, 151)).
TEST(SeededRun, EachModeGrowsItsKnownClusters)
{
    const SeededRun runs[] = {
        {true, 0, {150, 300}, 0, 1, 25, 294, 15534036964241973654ull}, // sticks at (146, 294)
        {true, 1, {150, 300}, std::nullopt, 6488, 1067851, 1, 9188399336735559579ull},
        {true, 7, {200, 100}, 500, 501, 52028, 70, 504640022766231800ull},
        {true, 9, {37, 400}, std::nullopt, 2216, 231344, 1, 17376028458114171536ull},
        {false, 0, {300, 300}, 0, 1, 61, 1, 8870936065852854755ull}, // sticks at (151, 151)
        {false, 2024, {300, 300}, std::nullopt, 6235, 4784854, 149, 6546225521122089005ull},
        {false, 5, {500, 300}, std::nullopt, 6316, 4471727, 149, 11634187282312003062ull},
        {false, 3, {10, 10}, 200, 201, 23593, 8, 895665503470645077ull}, // past the edge: bounds checked
    };
    for (const SeededRun& run : runs) {
        ProgramState state(run.seed);
        FixedSettingsHost host = run.points ? FixedSettingsHost(*run.points) : FixedSettingsHost();
        RunFrame frame(state, host);
        RunStats stats;
        if (run.plant) {
            state.resizePlant(run.size);
            stats = frame.runPlantLife();
        } else {
            state.resizeSnowflake(run.size);
            stats = frame.runSnowflake();
        }
        const GrowthField& field = run.plant ? state.plantField() : state.snowField();
        const std::int32_t marker = run.plant ? state.plantTop : state.snowRadius;
        const std::uint64_t hash = pictureHash(field);
        EXPECT_TRUE(stats.wanderers == run.wanderers && stats.moves == run.moves && marker == run.marker &&
                    hash == run.hash)
            << (run.plant ? "plant" : "snowflake") << " seed " << run.seed << ": {" << stats.wanderers << ", "
            << stats.moves << ", " << marker << ", " << hash << "ull}";
    }
}
