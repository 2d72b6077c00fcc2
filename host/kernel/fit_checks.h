// The rules by which the host refuses a spline or a surface before fitting it, and the words it
// says them in: finite points, at least two distinct points, a grid of at least 2 x 2 with area,
// and the bounds of the point buffers. Plain C++ without OpenCASCADE, so that the fake host of
// tools/fake_host applies the very same rules and tells the very same reasons as the host's geometry
// services, and the kernel's fits use the same tolerance for points that are one.
// Each function returns the whole refusal as the host tells it ("spline refused: ..."), or "" when
// the input passes.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "orvantis/host_geometry.h"

namespace orv::fit {

/// Points closer than this, relative to the largest extent of all of them, are one point.
constexpr double kSamePointRel = 1e-12;

/// True when all three coordinates of `p` are finite.
bool finite_point(const double* p);
/// The first coordinate of `p` that is not finite, as "y = -inf"; "" when all are. Written by hand
/// so that it never depends on the locale.
std::string nonfinite_coordinate(const double* p);
/// Largest extent of the bounding box of `count` points; 0 for none or when all coincide.
double extent(const pt_3d* points, int64_t count);

/// The call alone: no points, or end kinds other than the free end (kind 1). Reads no point.
std::string spline_call_refusal(const pt_3d* points, int64_t count, int start_kind, int end_kind);
/// The points: one that is not finite, or fewer than two distinct ones.
std::string spline_points_refusal(const pt_3d* points, int64_t count);
/// Both, in that order.
std::string spline_refusal(const pt_3d* points, int64_t count, int start_kind, int end_kind);

/// The call alone: no points, or a grid smaller than 2 x 2. Reads no point.
std::string surface_call_refusal(const pt_3d* points, int rows, int cols);
/// The row-major grid's points: one that is not finite, all coinciding, or rows or columns that
/// all coincide (a grid without area).
std::string surface_points_refusal(const pt_3d* points, int rows, int cols);
/// Both, in that order.
std::string surface_refusal(const pt_3d* points, int rows, int cols);

/// Indices of the grid's columns (rows) that count: the first, and each that differs somewhere by
/// more than `same` from the last one counted. The rest coincide with that one everywhere.
void distinct_lines(const pt_3d* points, int rows, int cols, double same, std::vector<int>& kept_rows,
                    std::vector<int>& kept_cols);

/// Why the point buffer called `name` ("spline buffer") does not grow to `count` points when it
/// holds at most `bound`; "" when it may.
std::string buffer_size_refusal(const char* name, int64_t count, int32_t bound);
/// Why it could not get the memory for `count` points.
std::string buffer_memory_refusal(const char* name, int64_t count);

}  // namespace orv::fit
