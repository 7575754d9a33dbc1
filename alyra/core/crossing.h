#pragma once
// Where a projected profile crosses itself. Aft of the point where the panel
// surface leaves an end plane (a strongly tapered, swept panel cut by the
// plane of its tip trailing edge), the computed upper surface runs below the
// lower one: the template's outline crosses, and the part aft of the crossing
// lies outside the panel.

#include <optional>
#include <string>
#include <vector>

#include "profile.h"

namespace alyra {

// The first chord fraction (0 at the leading edge, 1 at the trailing edge,
// over the profile's own X' extent) aft of which the upper surface lies below
// the lower one; none when it never does. The profile runs trailing edge,
// upper surface, leading edge (its most forward point), lower surface,
// trailing edge, as the new profiles do. Touching, as at a closed trailing
// edge, is no crossing.
std::optional<double> first_crossing(const PointTable& profile);

// The French notices for the new root and tip profiles, one per profile that
// crosses itself, with the chord fraction in whole percent and what it means
// for the cut; empty when neither crosses.
std::vector<std::string> crossing_notices(const PointTable& root, const PointTable& tip);

}  // namespace alyra
