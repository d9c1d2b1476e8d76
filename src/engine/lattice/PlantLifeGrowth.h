#pragma once

#include "lattice/FieldPoint.h"
#include "lattice/ProgramState.h"
#include "lattice/WalkTrace.h"

#include <cstdint>

/// The plant-life pieces of a run: wanderers released ten rows above the cluster's top, walking
/// with a downward bias on a field whose left and right edges are joined, sticking where they
/// first touch the cluster or the base strip.
class PlantLifeGrowth {
public:
    /// Names this walk in run summaries; a change that alters any seed's cluster changes it.
    static constexpr const char* EngineVersion = "plant-1";

    explicit PlantLifeGrowth(ProgramState& state) : state_(state) {}

    /// Every plant-life run measures from the base strip again: plantTop := height - 5.
    void startRun() { state_.plantTop = state_.plantSize().height - ProgramState::BaseStripRows; }

    /// Releases one wanderer and walks it until it touches the cluster; adds its moves to `moves`.
    /// `trace` sees the release point and every position after a move (for tests; the default
    /// does nothing and costs nothing).
    template <class Trace = NoTrace>
    FieldPoint walk(std::int64_t& moves, Trace&& trace = Trace{})
    {
        const GrowthField& field = state_.plantField();
        const TouchView cluster = field.touchView();
        // A local copy of the random source stays in a register for the whole walk.
        RandomSource random = state_.random;
        // The run shares the field's width with the column map; a size change between
        // wanderers resizes the field too, so this is the current width.
        const std::int32_t w = field.width();
        const std::int32_t top = state_.plantTop;
        const std::int32_t releaseRow = top - 10;
        std::int32_t x = static_cast<std::int32_t>(random.below(static_cast<std::uint32_t>(w)));
        std::int32_t y = releaseRow;
        trace(x, y);
        std::int64_t walked = 0;
        while (!cluster.touches(x, y)) {
            const std::uint32_t r = random.below(7);
            x = wrapColumn(x + ColumnStep[r], w);
            y = pullBackRow(y + RowStep[r], top);
            ++walked;
            trace(x, y);
        }
        state_.random = random;
        moves += walked;
        return FieldPoint{x, y};
    }

    /// The ring of columns 1 .. w - 1 after a move: column 0 stands for w - 1 and column w for 1.
    /// Anything left of 1 (also column -1, reached only from column 0) comes round from the
    /// right, so no wanderer can leave the ring and walk blind below the field.
    static std::int32_t wrapColumn(std::int32_t x, std::int32_t w)
    {
        if (x < 1)
            return x + (w - 1);
        if (x > w - 1)
            return x - (w - 1);
        return x;
    }

    /// A wanderer that climbs more than 30 rows above the cluster's top is put back to the release
    /// row, ten above it; row top - 30 itself is still allowed.
    static std::int32_t pullBackRow(std::int32_t y, std::int32_t top) { return y < top - 30 ? top - 10 : y; }

    /// Messages are processed after every 30th wanderer (counts 0, 30, 60, ...).
    std::int64_t messageInterval() const { return 30; }

    const GrowthField& field() const { return state_.plantField(); }
    /// The growth marker: the cluster's top row.
    std::int32_t marker() const { return state_.plantTop; }
    /// The top row at which a To-Limit run ends.
    std::int32_t markerLimit() const { return 1; }

    /// Stamps the wanderer and raises the cluster's top, also when the stamp fell outside.
    void stick(FieldPoint at)
    {
        state_.stampPlant(at);
        if (at.y < state_.plantTop)
            state_.plantTop = at.y;
    }

    /// The plant has reached the top: plantTop is 1 or less.
    bool limitReached() const { return state_.plantTop <= markerLimit(); }

private:
    static constexpr std::int32_t ColumnStep[7] = {+1, -1, 0, +1, +1, -1, -1};
    static constexpr std::int32_t RowStep[7] = {0, 0, +1, +1, -1, +1, -1};

    ProgramState& state_;
};
