// The outline that highlights a picked entity: its strokes (a point, a line, a curve sampled from
// its B-spline form, a surface's boundary and a few iso-curves), coarser than the scene's but on
// the same curves, and the parts of them the scene's surfaces do not hide.
// Which entity a click picks is the measuring snap's choice (view/measure.h, entity_at).
#pragma once
#include <cstdint>
#include <vector>

#include "core/database.h"
#include "view/projection.h"
#include "view/scene.h"

namespace orv::view {

/// The strokes of one entity, coarser than the scene's but on the same curves: a point is one
/// stroke of one point; a surface its boundary and a few iso-curves each way. Empty for a
/// malformed record.
std::vector<std::vector<Point>> entity_outline(const Entity& e);

/// The nearest depth (Camera::depth) of the scene's facets under each cell of a grid of `cell`
/// device units over the viewport's rectangle: what hides a stroke drawn over the shaded view.
class DepthRaster {
 public:
  DepthRaster(const Scene& scene, const Viewport& vp, double left, double top, double width, double height,
              double cell = 2);
  /// True when no facet lies in front of `p` by more than the tolerance (a hundredth of the
  /// scene's size, more than a facet's chord strays from its surface), or `p` is off the grid.
  bool visible(const Point& p) const;

 private:
  const Viewport& vp_;
  double left_, top_, cell_, tolerance_ = 0;
  int cols_ = 0, rows_ = 0;
  std::vector<float> depth_;  // -infinity where no facet covers the cell
};

/// The runs of `stroke` the raster shows (a run of one point when only one is visible between
/// hidden ones); a stroke of one point stays whole.
std::vector<std::vector<Point>> visible_runs(const std::vector<Point>& stroke, const DepthRaster& raster);


}  // namespace orv::view
