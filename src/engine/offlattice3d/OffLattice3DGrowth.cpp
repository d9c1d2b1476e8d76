#include "offlattice3d/OffLattice3DGrowth.h"

#include "offlattice3d/BallExit.h"
#include "offlattice3d/ExteriorHarmonicMeasure.h"
#include "offlattice3d/SphereDirection.h"
#include "offlattice/UnitDirection.h"

#include <algorithm>
#include <cmath>

namespace {

/// The index's half side for a cluster whose farthest centre may reach `farthest`.
double halfSideFor(double farthest)
{
    return farthest + OffLattice3DGrowth::StartGap + OffLattice3DIndex::EdgeMargin + OffLattice3DIndex::BoxSide;
}

} // namespace

OffLattice3DGrowth::OffLattice3DGrowth(std::uint32_t seed, std::int64_t expectedParticles)
    : random_(seed), expectedParticles_(std::clamp<std::int64_t>(expectedParticles, 1, MaxParticles)),
      index_(halfSideFor(expectedRadius(expectedParticles)))
{
    particles_.reserve(static_cast<std::size_t>(std::clamp<std::int64_t>(expectedParticles, 0, MaxParticles) + 1));
    add(SpacePoint{}, -1);
}

double OffLattice3DGrowth::radiusBound(std::int64_t particles)
{
    // The farthest centre after n arrivals, measured here as 20 + c n^(1/2.5): c is 0.87 on
    // average over 40 seeds at 10^4 (1.10 at most), 1.11 over 8 at 10^5 (1.20 at most), 1.16 and
    // 1.21 for seed 1 at 10^6 and 10^7. The bound takes c = 1.4.
    return 20.0 + 1.4 * std::pow(static_cast<double>(std::max<std::int64_t>(particles, 1)), 1.0 / 2.5);
}

std::int64_t OffLattice3DGrowth::particlesBound(double radius)
{
    // The inverse of the smallest radius measured for a count, with a third more.
    return 100 + static_cast<std::int64_t>(1.33 * std::pow(std::max(radius, 1.0) / 0.8, 2.5));
}

double OffLattice3DGrowth::expectedRadius(std::int64_t particles)
{
    // Above what most clusters reach (see radiusBound()), so that most runs make their index once.
    return 20.0 + 1.3 * std::pow(static_cast<double>(std::max<std::int64_t>(particles, 1)), 1.0 / 2.5);
}

OffLattice3DGrowth::Outcome OffLattice3DGrowth::run(const Limits& limits, OffLatticeHost& host)
{
    OffLatticeGrowth::checkLimits(limits);
    const std::int64_t every = std::max<std::int64_t>(host.every(), 1);
    for (;;) {
        if (const std::optional<Outcome> end = OffLatticeGrowth::endBefore(limits, arrivals(), radius(), every, host))
            return *end;
        SpacePoint at = start();
        const std::int32_t touched = arrive(at);
        add(at, touched - 1);
    }
}

OffLattice3DGrowth::Outcome OffLattice3DGrowth::run(const Limits& limits)
{
    OffLatticeHost alone;
    return run(limits, alone);
}

SpacePoint OffLattice3DGrowth::start()
{
    const SpacePoint direction = SphereDirection::from(random_);
    return {startRadius_ * direction.x, startRadius_ * direction.y, startRadius_ * direction.z};
}

std::int32_t OffLattice3DGrowth::arrive(SpacePoint& at)
{
    // The particles gathered are all those within GatheredReach of their cell, so within
    // GatheredReach - d of a point d from it: they serve a walker within half of NearReach of it.
    constexpr double Regather = OffLattice3DIndex::NearReach / 2;
    for (;;) {
        std::int32_t touched = -1;
        nearest_ = -1;
        EmptyBall ball;
        const double offSquared = nearOffsetSquared(at);
        double off = offSquared <= Regather * Regather ? std::sqrt(offSquared) : Regather + 1.0;
        // Close to the particles gathered last, their exact gap answers before the index does.
        double gap = off <= Regather ? exactGap(at, off, touched) : -1.0;
        if (touched >= 0)
            return touched;
        if (gap < 0) {
            gap = index_.gapBound(at, ball);
            if (gap < GatherBelow) {
                if (off > Regather) {
                    index_.gatherNear(at, particles_.data(), near_);
                    off = 0;
                }
                gap = exactGap(at, off, touched);
                if (touched >= 0)
                    return touched;
                if (gap < 0) // none within reach
                    gap = OffLattice3DIndex::GatheredReach - 1.0 - off;
            }
        }
        if (!tangentJump(at, gap) && !ballJump(at, gap, ball)) {
            const SpacePoint direction = SphereDirection::from(random_);
            at.x += gap * direction.x;
            at.y += gap * direction.y;
            at.z += gap * direction.z;
        }
        ++jumps_;
        const double squared = at.squaredLength();
        if (squared > startRadius_ * startRadius_) {
            if (const std::optional<SpacePoint> back = ExteriorHarmonicMeasure::meet(at, squared, startRadius_, random_)) {
                at = *back;
                ++returns_;
            } else {
                at = start();
                ++escapes_;
            }
        }
    }
}

bool OffLattice3DGrowth::tangentJump(SpacePoint& at, double gap)
{
    // Close to a particle, the ball the walker leaves need not be centred on it: a ball that
    // touches the particle where the walker is nearest to it and no other is as good, and it may
    // be far larger than the gap, so most exits land far nearer the surface.
    if (nearest_ < 0 || gap > MaxTangentRadius / 2)
        return false;
    const SpacePoint particle{near_.x[nearest_], near_.y[nearest_], near_.z[nearest_]};
    const double distance = 1.0 + gap;
    const SpacePoint normal{(at.x - particle.x) / distance, (at.y - particle.y) / distance, (at.z - particle.z) / distance};
    const SpacePoint touch{particle.x + normal.x, particle.y + normal.y, particle.z + normal.z};
    const double radius = tangentRadius(near_, nearest_, touch, normal);
    if (radius < 2.0 * gap) // the ball centred on the walker does about as well
        return false;
    const SpacePoint centre{touch.x + radius * normal.x, touch.y + radius * normal.y, touch.z + radius * normal.z};
    const double u = random_.uniform();
    const UnitDirection::Vector azimuth = UnitDirection::from(random_.next());
    at = BallExit::from(centre, radius, {-normal.x, -normal.y, -normal.z}, gap, u, azimuth.x, azimuth.y);
    return true;
}

bool OffLattice3DGrowth::ballJump(SpacePoint& at, double gap, const EmptyBall& ball)
{
    // Brownian motion leaves the ball centred on the walker after a mean time of gap^2 / 3, and
    // an empty ball about another centre after (R^2 - s^2) / 3: where that is longer, one jump
    // to where it leaves the larger ball does the work of several. Where the gap is the exact one
    // to the particles gathered, the walker is so close to them that these balls saved nothing
    // in trials.
    if (nearest_ >= 0 || ball.radius <= 0)
        return false;
    const SpacePoint offset{at.x - ball.centre.x, at.y - ball.centre.y, at.z - ball.centre.z};
    const double fromCentre = std::sqrt(offset.squaredLength());
    const double depth = ball.radius - fromCentre;
    if (depth <= 0 || fromCentre <= 0 || depth * (ball.radius + fromCentre) <= gap * gap)
        return false;
    const double u = random_.uniform();
    const UnitDirection::Vector azimuth = UnitDirection::from(random_.next());
    const double inverse = 1.0 / fromCentre;
    const SpacePoint toStart{offset.x * inverse, offset.y * inverse, offset.z * inverse};
    at = BallExit::from(ball.centre, ball.radius, toStart, depth, u, azimuth.x, azimuth.y);
    return true;
}

double OffLattice3DGrowth::tangentRadius(const OffLattice3DIndex::Near& near, std::int32_t touched, SpacePoint touch,
                                         SpacePoint normal)
{
    // Every centre not gathered lies beyond GatheredReach of the cell, and the ball's centre at
    // most its radius beyond the touching point: a radius R with dist(touch, cell) + 2R + 1 at
    // most GatheredReach keeps them all out of reach.
    const double off = std::sqrt(nearOffsetSquared(near, touch));
    double radius = std::min(MaxTangentRadius, (OffLattice3DIndex::GatheredReach - 1.0 - off) / 2);
    for (std::int32_t i = 0; i < near.count; ++i) {
        // The ball of centre touch + R normal clears the reach of centre q while
        // |touch - q|^2 - 1 >= 2 R (1 - normal . (touch - q)).
        const double wx = touch.x - near.x[i], wy = touch.y - near.y[i], wz = touch.z - near.z[i];
        const double facing = 2.0 * (1.0 - (normal.x * wx + normal.y * wy + normal.z * wz));
        const double room = wx * wx + wy * wy + wz * wz - 1.0;
        if (i != touched && facing > 0 && room < radius * facing)
            radius = room / facing;
    }
    return radius;
}

double OffLattice3DGrowth::exactGap(SpacePoint& at, double off, std::int32_t& touched)
{
    const double reach = OffLattice3DIndex::GatheredReach - off;
    double nearest = reach * reach;
    std::int32_t closest = -1;
    for (std::int32_t i = 0; i < near_.count; ++i) {
        const double dx = at.x - near_.x[i];
        const double dy = at.y - near_.y[i];
        const double dz = at.z - near_.z[i];
        const double squared = dx * dx + dy * dy + dz * dz;
        if (squared < nearest) {
            nearest = squared;
            closest = i;
        }
    }
    nearest_ = closest;
    if (closest < 0)
        return -1.0;
    const double distance = std::sqrt(nearest);
    const double gap = distance - 1.0;
    if (gap > StopDistance)
        return gap;
    // Within StopDistance: in contact at distance 1 from the closest centre, on the line from it
    // (which keeps it at least 1 from every other centre, see StopDistance).
    at = {near_.x[closest] + (at.x - near_.x[closest]) / distance, near_.y[closest] + (at.y - near_.y[closest]) / distance,
          near_.z[closest] + (at.z - near_.z[closest]) / distance};
    touched = near_.particle[closest];
    return 0;
}

void OffLattice3DGrowth::add(SpacePoint at, std::int32_t parentRow)
{
    const auto particle = static_cast<std::int32_t>(particles_.size());
    particles_.push_back({at, parentRow, -1});
    farthest_ = std::max(farthest_, std::sqrt(at.squaredLength()));
    startRadius_ = farthest_ + StartGap;
    if (startRadius_ + OffLattice3DIndex::EdgeMargin > index_.halfSide())
        rebuildIndex(halfSideFor(rebuiltRadius()));
    else
        index_.insert(particle, particles_.data());
    near_.corner = {-1e300, -1e300, -1e300}; // the new particle may be near it

    const double n = static_cast<double>(particle + 1);
    const SpacePoint d{at.x - mean_.x, at.y - mean_.y, at.z - mean_.z};
    mean_.x += d.x / n;
    mean_.y += d.y / n;
    mean_.z += d.z / n;
    squares_ += d.x * (at.x - mean_.x) + d.y * (at.y - mean_.y) + d.z * (at.z - mean_.z);
    if (particle + 1 == nextSample_) {
        history_.push_back({particle + 1, gyrationRadius()});
        // The next count whose logarithm is a further 1/20 decade on, skipping repeats.
        while (nextSample_ <= particle + 1)
            nextSample_ = static_cast<std::int64_t>(std::ceil(std::pow(10.0, ++sampleStep_ / double(GyrationSamplesPerDecade)) - 1e-9));
    }
}

double OffLattice3DGrowth::rebuiltRadius() const
{
    // A third more than the cluster reaches now, so rebuilds stay rare; but no more than the
    // bound for the particles the run was made for while the cluster is within it, so the
    // index never outgrows what memoryBytes counts for them.
    const double bound = radiusBound(expectedParticles_);
    return farthest_ < bound ? std::min(1.3 * farthest_, bound) : 1.3 * farthest_;
}

void OffLattice3DGrowth::rebuildIndex(double halfSide)
{
    // The index only ever holds the particles, so a larger one built from them answers exactly
    // as the old one would: the cluster does not depend on when this happens. The old index goes
    // before the new one is made, so the two are never held at once.
    { const OffLattice3DIndex released = std::move(index_); }
    index_ = OffLattice3DIndex(halfSide);
    for (std::size_t particle = 0; particle < particles_.size(); ++particle)
        index_.insert(static_cast<std::int32_t>(particle), particles_.data());
}

double OffLattice3DGrowth::gyrationRadius() const
{
    return std::sqrt(squares_ / static_cast<double>(particles_.size()));
}

std::vector<OffLattice3DGrowth::GyrationSample> OffLattice3DGrowth::gyrationHistory() const
{
    std::vector<GyrationSample> samples = history_;
    const auto particles = static_cast<std::int64_t>(particles_.size());
    if (samples.empty() || samples.back().particles != particles)
        samples.push_back({particles, gyrationRadius()});
    return samples;
}

std::uint64_t OffLattice3DGrowth::bytes() const
{
    return sizeof(*this) + particles_.capacity() * sizeof(SpaceParticle) + history_.capacity() * sizeof(GyrationSample) +
           index_.bytes();
}

std::uint64_t OffLattice3DGrowth::memoryBytes(std::int64_t particles)
{
    // The particles, reserved once; tiles, measured at 0.043 a particle from 10^4 particles on,
    // bounded at 0.05 and made in chunks; the index's tables for the largest radius the
    // particles reach (a rebuild lets the old index go before it makes the new one, and grows
    // it no further than that radius); and the gyration samples.
    const auto count = static_cast<std::uint64_t>(std::max<std::int64_t>(particles, 0));
    return (count + 1) * sizeof(SpaceParticle) + tilesBound(particles) * OffLattice3DIndex::BytesPerTile +
           OffLattice3DIndex::fixedBytes(halfSideFor(radiusBound(particles))) + (1 << 20);
}

std::uint64_t OffLattice3DGrowth::tilesBound(std::int64_t particles)
{
    const auto count = static_cast<std::uint64_t>(std::max<std::int64_t>(particles, 0));
    return (count * 5 / 100 / OffLattice3DIndex::TilesPerChunk + 1) * OffLattice3DIndex::TilesPerChunk;
}

std::uint64_t OffLattice3DGrowth::memoryBytesForRadius(double radius)
{
    return memoryBytes(particlesBound(radius));
}
