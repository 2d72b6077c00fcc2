// The host's geometry kernel on the B-spline records of host_geometry.h: the interpolating curves and
// surfaces behind make_spline_from_pts and make_surf_from_pts, knot reduction, checking and evaluation.
// Everything here is plain C++ on nb_type, so the database, the part file and the pictures use it without
// the heavy OpenCASCADE headers; the conversions to OpenCASCADE live in occt_convert.h.
// Functions throw nothing of their own (only std::bad_alloc when memory runs out) and never return a
// record holding a NaN: a failure is `false` plus a message.
//
// Why the fits are the project's own and not OpenCASCADE's interpolation: a plotted spline has free
// ends (no bending at its first and last point) and a closed one is C2 through its seam, and
// OpenCASCADE's gives neither (its open fit bends at the ends, its periodic one doubles the seam
// knot). Speed is not the reason: at 32,001 points both take about 8 ms of CPU (kernel_bench). Knot
// reduction is our own for its proven bound on the whole curve's deviation: OpenCASCADE's removes
// knots one by one, each checked against the step before, and keeps 1.4 to 2.3 times the poles.
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <vector>
#include "orvantis/host_geometry.h"

namespace orv::kernel {

using Point = std::array<double, 3>;

/// Largest extent of the points' bounding box (0 for no points or all points equal); the scale that
/// the fitting tolerances below are relative to.
double model_size(const std::vector<Point>& pts);

/// How close a fit through `pts` must pass to each of them: 1e-9 of the model size, plus the
/// coordinates' own floating-point resolution (kFitUlps units in the last place of the largest
/// coordinate magnitude), since points far from the origin cannot be met closer than their doubles
/// are apart (near 3.5e19 they are 4096 apart). 0 for no points.
constexpr double kFitRel = 1e-9;
constexpr double kFitUlps = 256;
double fit_tolerance(const std::vector<Point>& pts);

/// The absolute tolerances the user gives (--chord-dev) also bound a shape's change relative to its
/// size, so a curve of 1 micrometre keeps its form as a curve of 1 metre does: shape_tolerance is
/// the smaller of `tol` and `rel` times the diagonal of the points' bounding box (`tol` for no
/// points or one point). Knot removal keeps curves within kShapeRel of their size (a reduced circle
/// within 0.03% of its radius; a thousandth would let it lose 0.2%); meshes, whose triangles the
/// user sizes with the tolerance, within kMeshShapeRel.
constexpr double kShapeRel = 1e-4;
constexpr double kMeshShapeRel = 1e-3;
double shape_tolerance(double tol, const std::vector<Point>& pts, double rel = kShapeRel);

/// True when every coordinate of every point is finite.
bool all_finite(const std::vector<Point>& pts);

/// Checks that `nb` is a well-formed curve (vdegree 0, nv 0): degree >= 1, nu >= degree + 1, a full
/// non-decreasing knot vector of nu + degree + 1 finite knots with a non-empty range, interior
/// multiplicities <= degree, nu finite poles, nu finite positive weights. On failure says why in `err`.
bool check_curve(const nb_type& nb, std::string& err);
/// The same for a surface: both directions as for a curve, nu * nv poles and weights.
bool check_surface(const nb_type& nb, std::string& err);

/// The interpolating cubic through `pts`, as a non-rational B-spline: chord-length parameters
/// normalised to [0, 1], natural ("free") ends (second derivative zero at both ends), interior knots at
/// the parameters of the points (simple, so the curve is C2). When the first and last points coincide
/// (to kFitRel of the model size) and at least 3 other distinct points lie between, the curve is
/// closed instead: the periodic cubic, C2 through its seam too, written in the same clamped form
/// (first and last pole equal). The project's own fit is kept rather than OpenCASCADE's periodic
/// interpolation: the latter puts a double knot at the seam, so its curvature jumps there (the seam
/// is only C1); ours has the same knots as the open fit, is C2 everywhere and costs one linear solve. Consecutive points closer than 1e-12 of
/// the model size count as one. Refuses (false, message) non-finite points, fewer than two distinct
/// points, or a fit that would not pass through every point within fit_tolerance.
bool interpolate_curve(const std::vector<Point>& pts, nb_type& out, std::string& err);

/// The interpolating surface through a row-major grid of rows x cols points (rows along u, points of a
/// row along v; pole (i, j) at poles[i * nv + j]). Per direction: cubic with natural ends for 4 or more
/// rows/points, quadratic for 3, linear for 2; a direction whose first and last rows (columns) meet
/// everywhere, with 3 distinct ones between, is closed as a curve is (a torus in both, a sphere or a
/// cylinder in one). Parameters are chord lengths averaged over the rows
/// (columns); a row whose points all coincide (a sphere's pole) is sound. Rows or columns that coincide
/// with their neighbour everywhere count as one. Refuses non-finite points, a grid that is not at least
/// 2 x 2 after that, or a fit that misses a point by more than fit_tolerance.
bool interpolate_surface(const std::vector<Point>& pts, int rows, int cols, nb_type& out,
                         std::string& err);

/// True when a well-formed curve ends where it starts, to kFitRel of its poles' extent: the curves
/// made through points whose first and last coincide (a closed curve meets itself exactly).
bool curve_closed(const nb_type& nb);

/// First and second derivatives of a well-formed non-rational curve with clamped ends (end knots
/// repeated degree + 1 times) at its start and at its end: {C'(a), C''(a), C'(b), C''(b)}; a
/// derivative above the degree is zero. A closed fit is smooth through its seam when the pairs agree.
std::array<Point, 4> end_derivatives(const nb_type& nb);

/// Reduces the knots of a non-rational curve: `out` is a cubic whose knots are a subset of the knots
/// of `in`, verified to stay within shape_tolerance(tol, poles of `in`) of `in` over the whole
/// parameter range (a rigorous bound on max |in(t) - out(t)|, not a per-knot check). A closed curve
/// keeps its first and second derivatives at the seam, so a C2 closed curve stays C2 there. True when `out` holds such a copy with fewer poles;
/// false (and `out` untouched) when nothing could be removed or `in` is not a cubic, non-rational,
/// well-formed curve.
bool reduce_knots(const nb_type& in, double tol, nb_type& out);

/// An upper bound on max over t of |a(t) - b(t)| for two non-rational curves of one degree and range
/// where the knots of `b` are a subset of those of `a` (b refined onto a's knots; the bound is the
/// largest pole of the difference). +infinity when they cannot be compared so.
double deviation_bound(const nb_type& a, const nb_type& b);

/// Parameter range of a curve (first and last knot); {0, 0} for a record with no knots.
std::array<double, 2> curve_range(const nb_type& nb);
/// Parameter ranges of a surface: {u0, u1, v0, v1}.
std::array<double, 4> surface_range(const nb_type& nb);

/// The point of a well-formed curve at parameter t (clamped to the range, a NaN read as its start);
/// rational when the weights differ. Call check_curve first on records of unknown origin.
Point evaluate_curve(const nb_type& nb, double t);
/// The point of a well-formed surface at (u, v), clamped to the ranges.
Point evaluate_surface(const nb_type& nb, double u, double v);
/// The v direction's share of surface points at the parameters `vs`: each one's span and basis
/// functions, worked out once for every row evaluated with them.
struct SurfaceColumns {
  std::vector<int> spans;     // one a column
  std::vector<double> basis;  // vdegree + 1 a column, in column order
};
SurfaceColumns surface_columns(const nb_type& nb, const std::vector<double>& vs);
/// evaluate_surface(nb, u, vs[j]) for every j of `columns` (made from this nb), bit for bit, into `out`.
void evaluate_surface_row(const nb_type& nb, double u, const SurfaceColumns& columns, std::vector<Point>& out);
/// evaluate_surface(nb, us[i], vs[j]) for every i and j (row i, then j, in order), bit for bit, with
/// the basis functions of each u and each v worked out once instead of at every point.
std::vector<Point> evaluate_surface_grid(const nb_type& nb, const std::vector<double>& us,
                                         const std::vector<double>& vs);

/// `count` >= 2 points of the curve at equal parameter steps over its range (for drawing).
std::vector<Point> sample_curve(const nb_type& nb, int count);

/// The B-spline form of the straight segment from a to b (degree 1, parameters 0 to 1).
nb_type line_curve(const Point& a, const Point& b);

/// True when the weights are not all equal: the B-spline is rational. Empty weights, or weights all
/// alike, describe a polynomial B-spline.
bool is_rational(const std::vector<double>& weights);

}  // namespace orv::kernel
