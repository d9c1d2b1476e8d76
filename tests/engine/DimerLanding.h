#pragma once

// Where the second arrival lands beside the first two particles, in closed form, for checks of
// the growth's contact rule: the tests at a few hundred thousand runs, the benchmark at more.

#include "offlattice/OffLatticeParticle.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <numbers>
#include <utility>
#include <vector>

/// The second arrival's centre comes from infinity and stops on the first point of the two unit
/// circles around the touching pair's centres (1 apart) that Brownian motion reaches: its
/// landing point follows the harmonic measure, seen from infinity, of the region outside them.
///
/// Put the origin particle at 0 and the first arrival at 1. The circles cross at the two necks
/// P = e^{i pi/3} and its conjugate, at 120 degrees on the outside. The Moebius map
/// w = (z - P) / (z - conj P) sends P to 0 and conj P to infinity, so it sends each circle to a
/// line through 0 (a circle through a point sent to infinity becomes a line): the outer arc of
/// the origin's circle to the ray arg w = pi/3, the first arrival's to arg w = -pi/3, infinity
/// to w = 1 and the region to the wedge |arg w| < pi/3. The power zeta = w^(3/2) opens the wedge
/// to the right half-plane, with infinity at zeta = 1. Both maps are conformal, and harmonic
/// measure is conformally invariant (Levy's conformal invariance of Brownian paths; e.g.
/// J. B. Garnett and D. E. Marshall, Harmonic Measure, Cambridge 2005, ch. I), so the landing
/// point's image i t on the imaginary axis has the half-plane's Poisson kernel seen from 1,
/// the Cauchy density 1 / (pi (1 + t^2)).
///
/// A point at arc s from P along either outer arc (the angle at its circle's centre, 0 to
/// 4 pi / 3) maps to |w| = sin(s/2) / sin(pi/3 + s/2), as e^{ia} - e^{ib} = 2i sin((a-b)/2)
/// e^{i(a+b)/2} shows, with t = +|w|^(3/2) on the origin's circle and -|w|^(3/2) on the first
/// arrival's. So 1/2 + atan(t) / pi is uniform in [0, 1], and each of the four arc ends at a
/// neck takes atan((sin(a/2) / sin(pi/3 + a/2))^(3/2)) / pi of the landings within arc a of it.
class DimerLanding {
public:
    static constexpr double OuterArc = 4 * std::numbers::pi / 3;

    /// The arc from the neck P around the particle it touched, and which particle that is.
    struct Landing {
        double fromNeck;
        bool onOrigin;
    };

    /// The second arrival's landing in a cluster of the origin and two arrivals, turned so that
    /// the first arrival lies at 1.
    static Landing of(const std::vector<OffLatticeParticle>& cluster)
    {
        const PlanePoint first = cluster[1].at;
        const PlanePoint second = cluster[2].at;
        const double turn = std::atan2(first.y, first.x);
        const double c = std::cos(turn), s = std::sin(turn);
        const PlanePoint at{c * second.x + s * second.y, c * second.y - s * second.x};
        if (cluster[2].parent < 0) { // the origin particle: arc from P at angle pi/3
            double angle = std::atan2(at.y, at.x);
            if (angle < 0)
                angle += 2 * std::numbers::pi;
            return {std::clamp(angle - std::numbers::pi / 3, 0.0, OuterArc), true};
        }
        // The first arrival: P lies at angle 2 pi / 3 around it, the arc runs clockwise.
        return {std::clamp(2 * std::numbers::pi / 3 - std::atan2(at.y, at.x - 1), 0.0, OuterArc), false};
    }

    /// The share of all landings that fall on one circle within arc `s` of the neck P.
    static double shareFromNeck(double s)
    {
        if (s >= OuterArc)
            return 0.5;
        const double modulus = std::sin(s / 2) / std::sin(std::numbers::pi / 3 + s / 2);
        return std::atan(std::pow(modulus, 1.5)) / std::numbers::pi;
    }

    /// The landing's place in [0, 1], uniform under the model.
    static double uniform(Landing landing)
    {
        const double share = shareFromNeck(landing.fromNeck);
        return landing.onOrigin ? 0.5 + share : 0.5 - share;
    }

    /// The arc to the nearer neck.
    static double toNearerNeck(Landing landing) { return std::min(landing.fromNeck, OuterArc - landing.fromNeck); }

    /// The share of all landings within arc `a` of either neck, on either circle.
    static double shareNearNecks(double a) { return 4 * shareFromNeck(std::min(a, OuterArc / 2)); }

    /// Landings counted by their arc to the nearer neck, in bins finest at the necks, and by
    /// their uniform place in [0, 1], in equal bins.
    class Tally {
    public:
        static constexpr int UniformBins = 20;
        /// The bins' upper edges, the last at the arc's middle.
        static constexpr double NeckEdges[] = {0.025, 0.05, 0.1, 0.2, 0.4, 0.8, OuterArc / 2};
        static constexpr int NeckBins = std::size(NeckEdges);

        void add(Landing landing)
        {
            const double arc = toNearerNeck(landing);
            int bin = 0;
            while (bin + 1 < NeckBins && arc >= NeckEdges[bin])
                ++bin;
            ++neck_[bin];
            ++uniform_[std::min(UniformBins - 1, static_cast<int>(uniform(landing) * UniformBins))];
            ++count_;
        }
        double count() const { return count_; }

        /// Landings within arc `a` of a neck against the model's count: (observed, expected).
        std::pair<double, double> nearNecks(double a) const { return {withinArc(a), count_ * shareNearNecks(a)}; }
        /// The standard errors by which the landings within arc `a` exceed the model's count.
        double excessInErrors(double a) const
        {
            const auto [observed, expected] = nearNecks(a);
            return (observed - expected) / std::sqrt(expected * (1 - expected / count_));
        }
        /// Pearson's chi-square of the neck bins against the model (NeckBins - 1 degrees of freedom).
        double neckChiSquare() const
        {
            double chi = 0, low = 0;
            for (int bin = 0; bin < NeckBins; ++bin) {
                const double expected = count_ * (shareNearNecks(NeckEdges[bin]) - shareNearNecks(low));
                chi += (neck_[bin] - expected) * (neck_[bin] - expected) / expected;
                low = NeckEdges[bin];
            }
            return chi;
        }
        /// The same for the equal bins of the uniform place (UniformBins - 1 degrees of freedom).
        double uniformChiSquare() const
        {
            const double expected = count_ / UniformBins;
            double chi = 0;
            for (double observed : uniform_)
                chi += (observed - expected) * (observed - expected) / expected;
            return chi;
        }

    private:
        double withinArc(double a) const
        {
            double within = 0;
            for (int bin = 0; bin < NeckBins && NeckEdges[bin] <= a + 1e-12; ++bin)
                within += neck_[bin];
            return within;
        }
        double neck_[NeckBins] = {};
        double uniform_[UniformBins] = {};
        double count_ = 0;
    };
};
