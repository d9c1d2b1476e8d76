#include "offlattice/OffLatticeGrowth.h"

#include "offlattice/ExteriorPoissonKernel.h"
#include "offlattice/UnitDirection.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

double squaredLength(PlanePoint p)
{
    return p.x * p.x + p.y * p.y;
}

/// The index's half side for a cluster whose farthest centre may reach `farthest`.
double halfSideFor(double farthest)
{
    return farthest + OffLatticeGrowth::StartGap + OffLatticeIndex::EdgeMargin + 8.0;
}

} // namespace

OffLatticeGrowth::OffLatticeGrowth(std::uint32_t seed, std::int64_t expectedParticles)
    : random_(seed), expectedParticles_(std::clamp<std::int64_t>(expectedParticles, 1, MaxParticles)),
      index_(halfSideFor(expectedRadius(expectedParticles)))
{
    particles_.reserve(static_cast<std::size_t>(std::clamp<std::int64_t>(expectedParticles, 0, MaxParticles) + 1));
    add(PlanePoint{}, -1);
}

double OffLatticeGrowth::radiusBound(std::int64_t particles)
{
    // The farthest centre after n arrivals, measured here over seeds from 10^3 to 10^7
    // particles: 0.84 to 1.0 times n^(1/1.71). The bound leaves 40 % more.
    return 20.0 + 1.4 * std::pow(static_cast<double>(std::max<std::int64_t>(particles, 1)), 1.0 / 1.71);
}

std::int64_t OffLatticeGrowth::particlesBound(double radius)
{
    // The inverse of the smallest radius measured for a count, with a third more.
    return 100 + static_cast<std::int64_t>(1.33 * std::pow(std::max(radius, 1.0) / 0.8, 1.71));
}

double OffLatticeGrowth::expectedRadius(std::int64_t particles)
{
    return 20.0 + 1.1 * std::pow(static_cast<double>(std::max<std::int64_t>(particles, 1)), 1.0 / 1.71);
}

OffLatticeGrowth::Outcome OffLatticeGrowth::run(const Limits& limits, OffLatticeHost& host)
{
    checkLimits(limits);
    const std::int64_t every = std::max<std::int64_t>(host.every(), 1);
    for (;;) {
        if (const std::optional<Outcome> end = endBefore(limits, arrivals(), radius(), every, host))
            return *end;
        PlanePoint at = start();
        const std::int32_t touched = arrive(at);
        add(at, touched - 1);
    }
}

void OffLatticeGrowth::checkLimits(const Limits& limits)
{
    if (limits.particles <= 0 && limits.radius <= 0)
        throw std::invalid_argument("an off-lattice run needs a particle count or a radius to stop at");
    if (limits.particles > MaxParticles)
        throw std::invalid_argument("an off-lattice cluster holds at most 2147483646 particles");
}

std::optional<OffLatticeGrowth::Outcome> OffLatticeGrowth::endBefore(const Limits& limits, std::int64_t arrivals, double radius,
                                                                     std::int64_t every, OffLatticeHost& host)
{
    if ((limits.particles > 0 && arrivals >= limits.particles) || arrivals >= MaxParticles)
        return Outcome::ParticlesReached;
    if (limits.radius > 0 && radius >= limits.radius)
        return Outcome::RadiusReached;
    if (arrivals % every == 0) {
        if (host.stopWanted())
            return Outcome::Stopped;
        if (arrivals > 0)
            host.progress(arrivals);
    }
    return std::nullopt;
}

OffLatticeGrowth::Outcome OffLatticeGrowth::run(const Limits& limits)
{
    OffLatticeHost alone;
    return run(limits, alone);
}

PlanePoint OffLatticeGrowth::start()
{
    const UnitDirection::Vector direction = UnitDirection::from(random_.next());
    return {startRadius_ * direction.x, startRadius_ * direction.y};
}

void OffLatticeGrowth::returnToCircle(PlanePoint& at, double squaredRadius)
{
    at = ExteriorPoissonKernel::hit(at, squaredRadius, startRadius_, random_.uniform());
    ++returns_;
}

std::int32_t OffLatticeGrowth::arrive(PlanePoint& at)
{
    const double startSquared = startRadius_ * startRadius_;
    for (;;) {
        // Inside the start circle the distance from the origin bounds the gap by StartGap - 1
        // at most, never more than the index does where it leaves the near particles aside.
        static_assert(StartGap - 1.0 <= OffLatticeIndex::NearReach);
        double gap = index_.gapBound(at);
        if (gap < OffLatticeIndex::NearReach) {
            std::int32_t touched = -1;
            gap = gapOrContact(at, touched);
            if (touched >= 0)
                return touched;
        }
        if (gap > 0) {
            const UnitDirection::Vector direction = UnitDirection::from(random_.next());
            at.x += gap * direction.x;
            at.y += gap * direction.y;
            ++jumps_;
        }
        const double squared = squaredLength(at);
        if (squared > startSquared)
            returnToCircle(at, squared);
    }
}

double OffLatticeGrowth::gapOrContact(PlanePoint& at, std::int32_t& touched)
{
    // The particles gathered are all those within a gap of NearReach of their cell, so within
    // NearReach - d of a point d from it (d bounded above by the sum of the distances on each
    // axis): they serve a walker that has not gone more than half a diameter from the cell.
    constexpr double Regather = OffLatticeIndex::NearReach / 2;
    double off = std::max({0.0, near_.corner.x - at.x, at.x - (near_.corner.x + 1.0)}) +
                 std::max({0.0, near_.corner.y - at.y, at.y - (near_.corner.y + 1.0)});
    if (off > Regather) {
        index_.gatherNear(at, particles_.data(), near_);
        off = 0;
    }
    const double reach = 1.0 + OffLatticeIndex::NearReach - off;
    double nearest = reach * reach;
    for (std::int32_t i = 0; i < near_.count; ++i) {
        const double dx = at.x - near_.x[i];
        const double dy = at.y - near_.y[i];
        nearest = std::min(nearest, dx * dx + dy * dy);
    }
    const double gap = std::sqrt(nearest) - 1.0;
    if (gap > StopDistance)
        return gap;
    // Within StopDistance of its nearest particle (reach is far above 1 + StopDistance, so there
    // is one): the walker goes the rest of the way along the line to that particle's centre.
    // Every other particle is at least as far as the nearest, so the move of at most
    // StopDistance brings none closer than 1. The nearest is looked for only now, once a walk.
    std::int32_t closest = 0;
    double closestSquared = 1e300;
    for (std::int32_t i = 0; i < near_.count; ++i) {
        const double dx = at.x - near_.x[i];
        const double dy = at.y - near_.y[i];
        if (dx * dx + dy * dy < closestSquared) {
            closestSquared = dx * dx + dy * dy;
            closest = i;
        }
    }
    const double px = near_.x[closest];
    const double py = near_.y[closest];
    const double length = std::sqrt(closestSquared);
    at = {px + (at.x - px) / length, py + (at.y - py) / length};
    touched = near_.particle[closest];
    return 0;
}

void OffLatticeGrowth::add(PlanePoint at, std::int32_t parentRow)
{
    const auto particle = static_cast<std::int32_t>(particles_.size());
    particles_.push_back({at, parentRow, -1});
    farthest_ = std::max(farthest_, std::sqrt(squaredLength(at)));
    startRadius_ = farthest_ + StartGap;
    if (startRadius_ + OffLatticeIndex::EdgeMargin > index_.halfSide())
        rebuildIndex(halfSideFor(rebuiltRadius()));
    else
        index_.insert(particle, particles_.data());
    near_.corner = {-1e300, -1e300}; // the new particle may be near it

    const double n = static_cast<double>(particle + 1);
    const double dx = at.x - meanX_;
    const double dy = at.y - meanY_;
    meanX_ += dx / n;
    meanY_ += dy / n;
    squares_ += dx * (at.x - meanX_) + dy * (at.y - meanY_);
    if (particle + 1 == nextSample_) {
        history_.push_back({particle + 1, gyrationRadius()});
        // The next count whose logarithm is a further 1/20 decade on, skipping repeats.
        while (nextSample_ <= particle + 1)
            nextSample_ = static_cast<std::int64_t>(std::ceil(std::pow(10.0, ++sampleStep_ / double(GyrationSamplesPerDecade)) - 1e-9));
    }
}

double OffLatticeGrowth::rebuiltRadius() const
{
    // A third more than the cluster reaches now, so rebuilds stay rare; but no more than the
    // bound for the particles the run was made for while the cluster is within it, so the
    // index never outgrows what memoryBytes counts for them.
    const double bound = radiusBound(expectedParticles_);
    return farthest_ < bound ? std::min(1.3 * farthest_, bound) : 1.3 * farthest_;
}

void OffLatticeGrowth::rebuildIndex(double halfSide)
{
    // The index only ever holds the particles, so a larger one built from them answers exactly
    // as the old one would: the cluster does not depend on when this happens.
    // The old index goes before the new one is made, so the two are never held at once.
    { const OffLatticeIndex released = std::move(index_); }
    index_ = OffLatticeIndex(halfSide);
    for (std::size_t particle = 0; particle < particles_.size(); ++particle)
        index_.insert(static_cast<std::int32_t>(particle), particles_.data());
}

double OffLatticeGrowth::gyrationRadius() const
{
    return std::sqrt(squares_ / static_cast<double>(particles_.size()));
}

std::vector<OffLatticeGrowth::GyrationSample> OffLatticeGrowth::gyrationHistory() const
{
    std::vector<GyrationSample> samples = history_;
    const auto particles = static_cast<std::int64_t>(particles_.size());
    if (samples.empty() || samples.back().particles != particles)
        samples.push_back({particles, gyrationRadius()});
    return samples;
}

std::uint64_t OffLatticeGrowth::bytes() const
{
    return sizeof(*this) + particles_.capacity() * sizeof(OffLatticeParticle) +
           history_.capacity() * sizeof(GyrationSample) + index_.bytes();
}

std::uint64_t OffLatticeGrowth::memoryBytes(std::int64_t particles)
{
    // The particles, reserved once; tiles, measured at 0.12 a particle from 10^4 particles on
    // (more for tiny clusters), bounded at 0.16; the index's tables for the largest radius the
    // particles reach (a rebuild lets the old index go before it makes the new one, and grows
    // it no further than that radius); and the gyration samples.
    const auto count = static_cast<std::uint64_t>(std::max<std::int64_t>(particles, 0));
    const std::uint64_t tiles = 64 + count * 16 / 100;
    return (count + 1) * sizeof(OffLatticeParticle) + tiles * OffLatticeIndex::BytesPerTile +
           OffLatticeIndex::fixedBytes(halfSideFor(radiusBound(particles))) + (1 << 20);
}
