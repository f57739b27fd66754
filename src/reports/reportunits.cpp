#include "reportunits.h"

// Letter paper in report units, checked where the units are defined.
static_assert(tavimo::reportunits::toPoints(8500) == 612.0);
static_assert(tavimo::reportunits::toPixels(1000, 96.0) == 96.0);
static_assert(tavimo::reportunits::fromPixels(96.0, 96.0) == 1000);
