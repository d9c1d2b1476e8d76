#pragma once

#include "offlattice3d/SpacePoint.h"

/// A ball in which no point lies within 1 of a particle's centre: Brownian motion started inside
/// it leaves it before it can touch the cluster, so a walker in it may jump at once to where
/// it leaves (BallExit). A radius of 0 or less names no ball.
struct EmptyBall {
    SpacePoint centre;
    double radius = 0;
};
