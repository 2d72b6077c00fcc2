// Private B-spline arithmetic of the kernel: span search, basis functions, knot refinement and a
// tridiagonal solver with partial pivoting. Shared by the evaluation, interpolation and knot-reduction
// files; not part of the kernel's interface.
#pragma once
#include <array>
#include <vector>

namespace orv::kernel::detail {

using P3 = std::array<double, 3>;

inline P3 operator+(const P3& a, const P3& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
inline P3 operator-(const P3& a, const P3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
inline P3 operator*(double s, const P3& a) { return {s * a[0], s * a[1], s * a[2]}; }
double norm(const P3& a);

/// The knot span index i (degree <= i <= npoles - 1) with knots[i] <= u < knots[i + 1], the last
/// non-empty span for u at or past the end.
int find_span(int npoles, int degree, double u, const std::vector<double>& knots);

/// The degree + 1 non-zero basis functions at u in span `span` into N[0..degree] (N[k] belongs to
/// pole span - degree + k). degree <= kMaxDegree.
constexpr int kMaxDegree = 25;
void basis_functions(int span, double u, int degree, const std::vector<double>& knots, double* N);

/// Inserts the sorted knots `x` into a non-rational curve (knots, poles) of `degree`, in one pass.
void refine_knots(int degree, const std::vector<double>& knots, const std::vector<P3>& poles,
                  const std::vector<double>& x, std::vector<double>& new_knots,
                  std::vector<P3>& new_poles);

/// Solves a tridiagonal system (sub, diag, super; n rows) for three right-hand sides in `b`, with
/// partial pivoting. The inputs are overwritten. False when the matrix is singular.
bool solve_tridiagonal(std::vector<double>& sub, std::vector<double>& diag, std::vector<double>& super,
                       std::vector<P3>& b);

}  // namespace orv::kernel::detail
