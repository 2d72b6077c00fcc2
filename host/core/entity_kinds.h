// The names of the entity kinds, as the part file writes them and as exchange files label entities:
// one table, so that every file the host writes names a kind the same way.
#pragma once
#include <cstdint>

#include "orvantis/host_geometry.h"

namespace orv {

struct KindName {
  int32_t kind;
  const char* name;
};
/// The entity kinds the database holds, with their names in files.
inline constexpr KindName kKindNames[] = {
    {ENT_POINT, "point"},     {ENT_LINE, "line"},       {ENT_SPLINE, "spline"},
    {ENT_NURBS_CURVE, "nurbs_curve"}, {ENT_SURFACE, "surface"}, {ENT_NURBS_SURFACE, "nurbs_surface"},
};

/// The name of `kind`; null for a kind that is not one of the table's.
inline const char* kind_name(int32_t kind) {
  for (const auto& k : kKindNames)
    if (k.kind == kind) return k.name;
  return nullptr;
}

}  // namespace orv
