// The outline that highlights a picked entity: its strokes (a point, a line, a curve sampled from
// its B-spline form, a surface's iso-curves), coarser than the scene's but on the same curves.
// Which entity a click picks is the measuring snap's choice (view/measure.h, entity_at).
#pragma once
#include <cstdint>
#include <vector>

#include "core/database.h"
#include "view/scene.h"

namespace orv::view {

/// The strokes of one entity, coarser than the scene's but on the same curves: a point is one
/// stroke of one point. Empty for a malformed record.
std::vector<std::vector<Point>> entity_outline(const Entity& e);


}  // namespace orv::view
