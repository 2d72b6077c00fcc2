// Picking a stored entity by a click on the view: each entity's strokes (a point, a line, a curve
// sampled from its B-spline form, a surface's iso-curves), projected as the view projects them,
// and the one passing nearest the pointer within a few pixels. The same strokes highlight it.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "core/database.h"
#include "view/scene.h"

namespace orv::view {

/// The strokes of one entity, coarser than the scene's but on the same curves: a point is one
/// stroke of one point. Empty for a malformed record.
std::vector<std::vector<Point>> entity_outline(const Entity& e);

/// The id of the entity whose strokes pass nearest `at` (device units, as `to_device` maps model
/// points) and at most `reach` from it; 0 when none does. Points win over what passes as near.
int64_t pick_entity(const GeometryDatabase& db, const std::function<P2(const Point&)>& to_device, P2 at,
                    double reach);

}  // namespace orv::view
