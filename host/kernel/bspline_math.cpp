// B-spline arithmetic: de Boor's span search and basis functions, knot refinement in one backward
// pass (so inserting thousands of knots costs one sweep, not one array shift each), and the
// tridiagonal solve behind every interpolation (pivoting, because collocation rows of very uneven
// knot spacing are not diagonally dominant).
#include "kernel/bspline_math.h"

#include <cmath>
#include <limits>
#include <utility>

namespace orv::kernel::detail {

double norm(const P3& a) {
  const double sum = a[0] * a[0] + a[1] * a[1] + a[2] * a[2];
  if (sum > 0.0 && std::isfinite(sum) && sum >= std::numeric_limits<double>::min()) return std::sqrt(sum);
  // The squares overflowed or underflowed: take the slower way that does neither.
  return std::hypot(a[0], a[1], a[2]);
}

int find_span(int npoles, int degree, double u, const std::vector<double>& knots) {
  const int n = npoles - 1;
  if (u >= knots[n + 1]) {
    int i = n;
    while (i > degree && knots[i] >= knots[n + 1]) --i;  // last non-empty span
    return i;
  }
  if (u <= knots[degree]) {
    int i = degree;
    while (i < n && knots[i + 1] <= u) ++i;
    return i;
  }
  int low = degree, high = n + 1;
  int mid = (low + high) / 2;
  while (u < knots[mid] || u >= knots[mid + 1]) {
    if (u < knots[mid]) high = mid; else low = mid;
    mid = (low + high) / 2;
  }
  return mid;
}

void basis_functions(int span, double u, int degree, const std::vector<double>& knots, double* N) {
  double left[kMaxDegree + 1], right[kMaxDegree + 1];
  N[0] = 1.0;
  for (int j = 1; j <= degree; ++j) {
    left[j] = u - knots[span + 1 - j];
    right[j] = knots[span + j] - u;
    double saved = 0.0;
    for (int r = 0; r < j; ++r) {
      const double denom = right[r + 1] + left[j - r];
      const double temp = denom != 0.0 ? N[r] / denom : 0.0;
      N[r] = saved + right[r + 1] * temp;
      saved = left[j - r] * temp;
    }
    N[j] = saved;
  }
}

void refine_knots(int p, const std::vector<double>& U, const std::vector<P3>& P,
                  const std::vector<double>& X, std::vector<double>& Ubar, std::vector<P3>& Q) {
  if (X.empty()) {
    Ubar = U;
    Q = P;
    return;
  }
  const int n = static_cast<int>(P.size()) - 1;
  const int m = n + p + 1;
  const int r = static_cast<int>(X.size()) - 1;
  Ubar.assign(U.size() + X.size(), 0.0);
  Q.assign(P.size() + X.size(), P3{0, 0, 0});
  const int a = find_span(n + 1, p, X[0], U);
  const int b = find_span(n + 1, p, X[r], U) + 1;
  for (int j = 0; j <= a - p; ++j) Q[j] = P[j];
  for (int j = b - 1; j <= n; ++j) Q[j + r + 1] = P[j];
  for (int j = 0; j <= a; ++j) Ubar[j] = U[j];
  for (int j = b + p; j <= m; ++j) Ubar[j + r + 1] = U[j];
  int i = b + p - 1, k = b + p + r;
  for (int j = r; j >= 0; --j) {
    while (X[j] <= U[i] && i > a) {
      Q[k - p - 1] = P[i - p - 1];
      Ubar[k] = U[i];
      --k;
      --i;
    }
    Q[k - p - 1] = Q[k - p];
    for (int l = 1; l <= p; ++l) {
      const int ind = k - p + l;
      double alfa = Ubar[k + l] - X[j];
      if (alfa == 0.0) {
        Q[ind - 1] = Q[ind];
      } else {
        alfa /= Ubar[k + l] - U[i - p + l];
        Q[ind - 1] = alfa * Q[ind - 1] + (1.0 - alfa) * Q[ind];
      }
    }
    Ubar[k] = X[j];
    --k;
  }
}

bool solve_tridiagonal(std::vector<double>& dl, std::vector<double>& d, std::vector<double>& du,
                       std::vector<P3>& b) {
  const int n = static_cast<int>(d.size());
  if (n == 0) return true;
  // After elimination dl[i] holds the fill-in of the second superdiagonal of row i.
  for (int i = 0; i + 1 < n; ++i) {
    if (std::fabs(d[i]) >= std::fabs(dl[i])) {
      if (d[i] == 0.0) return false;
      const double fact = dl[i] / d[i];
      d[i + 1] -= fact * du[i];
      b[i + 1] = b[i + 1] - fact * b[i];
      dl[i] = 0.0;
    } else {
      const double fact = d[i] / dl[i];
      d[i] = dl[i];
      const double temp = d[i + 1];
      d[i + 1] = du[i] - fact * temp;
      if (i + 2 < n) {
        dl[i] = du[i + 1];
        du[i + 1] = -fact * dl[i];
      } else {
        dl[i] = 0.0;
      }
      du[i] = temp;
      std::swap(b[i], b[i + 1]);
      b[i + 1] = b[i + 1] - fact * b[i];
    }
  }
  if (d[n - 1] == 0.0) return false;
  b[n - 1] = (1.0 / d[n - 1]) * b[n - 1];
  if (n > 1) b[n - 2] = (1.0 / d[n - 2]) * (b[n - 2] - du[n - 2] * b[n - 1]);
  for (int i = n - 3; i >= 0; --i)
    b[i] = (1.0 / d[i]) * (b[i] - du[i] * b[i + 1] - dl[i] * b[i + 2]);
  for (const P3& v : b)
    if (!std::isfinite(v[0]) || !std::isfinite(v[1]) || !std::isfinite(v[2])) return false;
  return true;
}

}  // namespace orv::kernel::detail
