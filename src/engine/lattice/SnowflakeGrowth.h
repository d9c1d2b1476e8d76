#pragma once

#include "lattice/FieldPoint.h"
#include "lattice/ProgramState.h"
#include "lattice/WalkTrace.h"
#include "lattice/Rounding.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

/// The snowflake pieces of a run: wanderers released on a circle five pixels outside the
/// cluster's radius, walking in eight directions, put back to their release point when they
/// stray more than eight pixels beyond it, sticking where they first touch the cluster.
class SnowflakeGrowth {
public:
    /// Names this walk in run summaries; a change that alters any seed's cluster changes it.
    static constexpr const char* EngineVersion = "snowflake-1";

    explicit SnowflakeGrowth(ProgramState& state) : state_(state) {}

    /// The radius carries over from earlier runs.
    void startRun() {}

    /// Releases one wanderer and walks it until it touches the cluster; adds its moves to `moves`.
    /// `trace` sees the release point and every position after a move and the stray test.
    template <class Trace = NoTrace>
    FieldPoint walk(std::int64_t& moves, Trace&& trace = Trace{})
    {
        const GrowthField& field = state_.snowField();
        const TouchView cluster = field.touchView();
        // A local copy of the random source stays in a register for the whole walk.
        RandomSource random = state_.random;
        // The fast path below trusts these to be the touch counts' own size.
        const std::int32_t w = field.width();
        const std::int32_t h = field.height();
        const std::int32_t radius = state_.snowRadius;

        const double angle = random.real() * (2 * std::numbers::pi);
        const double releaseDistance = static_cast<double>(radius) + 5;
        const FieldPoint release{
            static_cast<std::int32_t>(roundHalfEven(w / 2.0) + roundHalfEven(std::cos(angle) * releaseDistance)),
            static_cast<std::int32_t>(roundHalfEven(h / 2.0) + roundHalfEven(std::sin(angle) * releaseDistance))};

        const StrayLimit strayLimit = strayLimitFor(radius);
        std::int32_t x = release.x;
        std::int32_t y = release.y;
        trace(x, y);
        std::int64_t walked = 0;
        auto strayed = [&](std::int32_t atX, std::int32_t atY) {
            return strayLimit.exceededBy(halfPixelDistanceSquared(FieldPoint{atX, atY}, FieldSize{w, h}));
        };
        if (strayDiskIsCovered(radius, FieldSize{w, h})) {
            // Every position the walk can reach has a count: follow its index instead of
            // checking bounds and multiplying out the row at every move.
            const std::ptrdiff_t stride = cluster.rowStride();
            const std::ptrdiff_t releaseIndex = cluster.index(x, y);
            const std::ptrdiff_t indexStep[8] = {-1, stride - 1, stride, stride + 1, 1, 1 - stride, -stride, -stride - 1};
            std::ptrdiff_t at = releaseIndex;
            while (!cluster.touchesAt(at)) {
                const std::uint32_t r = random.below(8);
                x += ColumnStep[r];
                y += RowStep[r];
                at += indexStep[r];
                ++walked;
                if (strayed(x, y)) {
                    x = release.x;
                    y = release.y;
                    at = releaseIndex;
                }
                trace(x, y);
            }
        } else {
            while (!cluster.touches(x, y)) {
                const std::uint32_t r = random.below(8);
                x += ColumnStep[r];
                y += RowStep[r];
                ++walked;
                if (strayed(x, y)) {
                    x = release.x;
                    y = release.y;
                }
                trace(x, y);
            }
        }
        state_.random = random;
        moves += walked;
        return FieldPoint{x, y};
    }

    /// Strayed means Round(distance) > radius + 8. Measured in half pixels from the centre
    /// (W / 2, H / 2), the squared distance 4d^2 is an exact integer, and Round(d) >= m exactly
    /// when 4d^2 > (2m - 1)^2, or equals it and m is even (a half goes to the even neighbour):
    /// the rounded square root without the square root.
    struct StrayLimit {
        std::int64_t boundary;  ///< (2m - 1)^2 with m = radius + 9
        bool boundaryStrays;    ///< m is even, so a distance of exactly m - 1/2 rounds up to m
        bool exceededBy(std::int64_t halfPixelDistanceSquared) const
        {
            return halfPixelDistanceSquared > boundary || (halfPixelDistanceSquared == boundary && boundaryStrays);
        }
    };

    static StrayLimit strayLimitFor(std::int32_t radius)
    {
        const std::int64_t m = static_cast<std::int64_t>(radius) + 9;
        return StrayLimit{(2 * m - 1) * (2 * m - 1), m % 2 == 0};
    }

    /// (2x - W)^2 + (2y - H)^2: four times the squared distance from the unrounded centre.
    static std::int64_t halfPixelDistanceSquared(FieldPoint at, FieldSize size)
    {
        const std::int64_t dx = 2 * static_cast<std::int64_t>(at.x) - size.width;
        const std::int64_t dy = 2 * static_cast<std::int64_t>(at.y) - size.height;
        return dx * dx + dy * dy;
    }

    /// Whether every position within the stray limit (a rounded distance of at most radius + 8,
    /// so less than radius + 9 from the centre) has a touch count of its own.
    static bool strayDiskIsCovered(std::int32_t radius, FieldSize size)
    {
        // |x - W/2| < radius + 9 must keep -pad <= x < W + pad: 2 * (radius + 9) <= W + 2 * pad.
        const std::int64_t reach = 2 * (static_cast<std::int64_t>(radius) + 9);
        return reach <= static_cast<std::int64_t>(size.width) + 2 * TouchView::PadColumns &&
               reach <= static_cast<std::int64_t>(size.height) + 2 * TouchView::PadRows;
    }

    /// Messages are processed when the count is a multiple of Round(radius / 5) + 1.
    std::int64_t messageInterval() const { return roundHalfEven(state_.snowRadius / 5.0) + 1; }

    const GrowthField& field() const { return state_.snowField(); }
    /// The growth marker: the cluster's radius.
    std::int32_t marker() const { return state_.snowRadius; }
    /// The smallest radius beyond Min(W, H) / 2 - 2, at which a To-Limit run ends.
    std::int32_t markerLimit() const
    {
        const FieldSize size = state_.snowSize();
        return static_cast<std::int32_t>(std::floor(std::min(size.width, size.height) / 2.0 - 2)) + 1;
    }

    /// Stamps the wanderer and widens the radius, also when the stamp fell outside.
    void stick(FieldPoint at)
    {
        state_.stampSnowflake(at);
        const std::int32_t d = distanceFromCentre(at);
        if (d > state_.snowRadius)
            state_.snowRadius = d;
    }

    /// The flake has reached the edge: radius > Min(W, H) / 2 - 2, compared as reals.
    bool limitReached() const
    {
        const FieldSize size = state_.snowSize();
        return state_.snowRadius > std::min(size.width, size.height) / 2.0 - 2;
    }

    /// Round(sqrt((x - W/2)^2 + (y - H/2)^2)), the centre taken unrounded.
    std::int32_t distanceFromCentre(FieldPoint at) const
    {
        const FieldSize size = state_.snowSize();
        const double dx = at.x - size.width / 2.0;
        const double dy = at.y - size.height / 2.0;
        return static_cast<std::int32_t>(roundHalfEven(std::sqrt(dx * dx + dy * dy)));
    }

private:
    static constexpr std::int32_t ColumnStep[8] = {-1, -1, 0, +1, +1, +1, 0, -1};
    static constexpr std::int32_t RowStep[8] = {0, +1, +1, +1, 0, -1, -1, -1};

    ProgramState& state_;
};
