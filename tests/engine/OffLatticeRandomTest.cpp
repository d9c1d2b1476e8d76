// The off-lattice growth's sources of chance: the random source, the start direction and the
// angle at which a wanderer outside the start circle comes back to it.

#include "offlattice/ExteriorPoissonKernel.h"
#include "offlattice/UnitDirection.h"
#include "offlattice/Xoshiro256PlusPlus.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

namespace {

constexpr double Pi = std::numbers::pi;

/// The Kolmogorov-Smirnov distance between a sample and a distribution function.
double ksDistance(std::vector<double> sample, const std::function<double(double)>& distribution)
{
    std::sort(sample.begin(), sample.end());
    const double n = static_cast<double>(sample.size());
    double worst = 0;
    for (std::size_t i = 0; i < sample.size(); ++i) {
        const double f = distribution(sample[i]);
        worst = std::max({worst, f - i / n, (i + 1) / n - f});
    }
    return worst;
}

/// The KS distance that a true sample of n exceeds with probability 0.001.
double ksLimit(std::size_t n)
{
    return 1.95 / std::sqrt(static_cast<double>(n));
}

} // namespace

TEST(Xoshiro256PlusPlusTest, MatchesThePublishedGeneratorAndSeedsThroughSplitMix64)
{
    // xoshiro256++ from the state {1, 2, 3, 4}; splitmix64's first output from 0.
    Xoshiro256PlusPlus source = Xoshiro256PlusPlus::fromState({1, 2, 3, 4});
    EXPECT_EQ(source.next(), 41943041u);
    EXPECT_EQ(source.next(), 58720359u);
    EXPECT_EQ(source.next(), 3588806011781223u);
    std::uint64_t mixer = 0;
    EXPECT_EQ(Xoshiro256PlusPlus::splitMix64(mixer), 0xe220a8397b1dcdafULL);

    // The seed fills the state through splitmix64, so a seed's stream is fixed and nearby seeds differ.
    Xoshiro256PlusPlus one(1);
    Xoshiro256PlusPlus again(1);
    Xoshiro256PlusPlus two(2);
    const std::uint64_t first = one.next();
    EXPECT_EQ(first, again.next());
    EXPECT_EQ(first, 14971601782005023387u);
    EXPECT_NE(first, two.next());
}

TEST(Xoshiro256PlusPlusTest, UniformDoublesAreMultiplesOfTwoToTheMinus53InTheUnitInterval)
{
    Xoshiro256PlusPlus source(7);
    std::vector<double> sample;
    for (int i = 0; i < 20000; ++i) {
        const double u = source.uniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
        ASSERT_EQ(std::ldexp(u, 53), std::floor(std::ldexp(u, 53)));
        sample.push_back(u);
    }
    EXPECT_LT(ksDistance(sample, [](double u) { return u; }), ksLimit(sample.size()));
}

TEST(UnitDirectionTest, DirectionsAreUnitVectorsAtTheAngleOfTheirBits)
{
    Xoshiro256PlusPlus source(3);
    for (int i = 0; i < 10000; ++i) {
        // Sector edges first, then random bits.
        const std::uint64_t bits = i < 4 ? (static_cast<std::uint64_t>(i) << 62) - (i > 0) : source.next();
        const UnitDirection::Vector d = UnitDirection::from(bits);
        const double angle = 2 * Pi * std::ldexp(static_cast<double>(bits >> 11), -53);
        ASSERT_NEAR(d.x, std::cos(angle), 2e-15) << bits;
        ASSERT_NEAR(d.y, std::sin(angle), 2e-15) << bits;
    }
}

TEST(UnitDirectionTest, StartAnglesAreUniform)
{
    // A new particle starts at UnitDirection::from(next()) on the start circle.
    Xoshiro256PlusPlus source(11);
    std::vector<double> angles;
    for (int i = 0; i < 50000; ++i) {
        const UnitDirection::Vector d = UnitDirection::from(source.next());
        angles.push_back(std::atan2(d.y, d.x));
    }
    EXPECT_LT(ksDistance(angles, [](double t) { return (t + Pi) / (2 * Pi); }), ksLimit(angles.size()));
}

TEST(ExteriorPoissonKernelTest, ReturnsOnTheCircleAtThePoissonKernelsAngles)
{
    struct Case {
        PlanePoint from;
        double radius;
    };
    for (const Case& c : {Case{{3.0, 4.0}, 2.0}, Case{{-40.0, 1.0}, 38.0}, Case{{0.0, -10.0}, 1.0}}) {
        const double squared = c.from.x * c.from.x + c.from.y * c.from.y;
        const double rho = c.radius / std::sqrt(squared);
        const double own = std::atan2(c.from.y, c.from.x);
        Xoshiro256PlusPlus source(5);
        std::vector<double> angles;
        for (int i = 0; i < 40000; ++i) {
            const PlanePoint hit = ExteriorPoissonKernel::hit(c.from, squared, c.radius, source.uniform());
            ASSERT_NEAR(std::hypot(hit.x, hit.y), c.radius, 1e-12 * c.radius);
            angles.push_back(std::remainder(std::atan2(hit.y, hit.x) - own, 2 * Pi));
        }
        // The distribution function of the density (1 - p^2) / (2 pi (1 + p^2 - 2 p cos t)) on
        // (-pi, pi], integrated numerically rather than taken from the sampler's formula.
        auto density = [rho](double t) { return (1 - rho * rho) / (2 * Pi * (1 + rho * rho - 2 * rho * std::cos(t))); };
        constexpr int Steps = 200000;
        const double h = 2 * Pi / Steps;
        std::vector<double> integral(Steps + 1, 0.0);
        for (int k = 1; k <= Steps; ++k)
            integral[k] = integral[k - 1] + h * (density(-Pi + (k - 1) * h) + 4 * density(-Pi + (k - 0.5) * h) + density(-Pi + k * h)) / 6;
        EXPECT_NEAR(integral.back(), 1.0, 1e-9);
        auto distribution = [&](double t) {
            const double at = (t + Pi) / h;
            const auto k = std::min(static_cast<int>(at), Steps - 1);
            return integral[k] + (at - k) * (integral[k + 1] - integral[k]);
        };
        EXPECT_LT(ksDistance(angles, distribution), ksLimit(angles.size())) << "rho " << rho;
    }
}
