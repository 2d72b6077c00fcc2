// Knot reduction of a cubic curve against the ORIGINAL curve as a whole. Removing knots one at a
// time checks each removal against the curve of the step before, so the errors add up; instead we
// build a fresh candidate on a subset of the original's knots and bound its distance to the original
// over the whole range, refining the subset where the bound is too large:
//   1. candidate: the complete cubic spline (end tangents of the original) interpolating the original
//      at the chosen knots, one tridiagonal solve;
//   2. bound: the candidate refined onto the original's knot vector; the largest pole of the
//      difference bounds |original(t) - candidate(t)| for every t (convex hull property);
//   3. the knot spans touched by a pole over the tolerance are halved, and we go again.
// Each round is linear in the number of knots, and halving needs about log2(n) rounds.
#include <algorithm>
#include <cmath>

#include "kernel/bspline_math.h"
#include "kernel/kernel.h"

namespace orv::kernel {
using namespace detail;

namespace {

constexpr int kInitialSpans = 8;

// First derivative of a clamped cubic at its start and end.
P3 start_tangent(const nb_type& c) {
  return (3.0 / (c.uknots[4] - c.uknots[1])) * (c.poles[1] - c.poles[0]);
}
P3 end_tangent(const nb_type& c) {
  const int n = c.nu - 1;
  return (3.0 / (c.uknots[n + 3] - c.uknots[n])) * (c.poles[n] - c.poles[n - 1]);
}

// The complete cubic spline through the points q[s] at the knots tau[s] for s in `subset` (first and
// last included), with the given end tangents.
bool complete_spline(const std::vector<double>& tau, const std::vector<P3>& q, const std::vector<int>& subset,
                     const P3& d_start, const P3& d_end, nb_type& out) {
  const int m = static_cast<int>(subset.size()) - 1;  // spans
  std::vector<double>& knots = out.uknots;
  knots.assign(4, tau[subset[0]]);
  for (int k = 1; k < m; ++k) knots.push_back(tau[subset[k]]);
  knots.insert(knots.end(), 4, tau[subset[m]]);
  std::vector<P3>& poles = out.poles;
  poles.assign(m + 3, P3{0, 0, 0});
  const P3& q0 = q[subset[0]];
  const P3& qm = q[subset[m]];
  poles[0] = q0;
  poles[1] = q0 + ((knots[4] - knots[3]) / 3.0) * d_start;
  poles[m + 1] = qm - ((knots[m + 3] - knots[m + 2]) / 3.0) * d_end;
  poles[m + 2] = qm;
  // Unknown poles 2 .. m; row k (1 .. m - 1) interpolates at the k-th inner knot.
  const int n = m - 1;
  if (n > 0) {
    std::vector<double> dl(n, 0.0), diag(n, 0.0), du(n, 0.0);
    std::vector<P3> rhs(n);
    double N[kMaxDegree + 1];
    for (int k = 1; k <= n; ++k) {
      basis_functions(k + 3, knots[k + 3], 3, knots, N);
      const int r = k - 1;
      rhs[r] = q[subset[k]];
      diag[r] = N[1];
      if (k == 1) rhs[r] = rhs[r] - N[0] * poles[1]; else dl[r - 1] = N[0];
      if (k == n) rhs[r] = rhs[r] - N[2] * poles[m + 1]; else du[r] = N[2];
    }
    if (!solve_tridiagonal(dl, diag, du, rhs)) return false;
    std::copy(rhs.begin(), rhs.end(), poles.begin() + 2);
  }
  out.udegree = 3;
  out.nu = m + 3;
  out.vdegree = 0;
  out.nv = 0;
  out.vknots.clear();
  out.weights.assign(poles.size(), 1.0);
  return true;
}

}  // namespace

bool reduce_knots(const nb_type& in, double tol, nb_type& out) {
  std::string err;
  if (!check_curve(in, err) || in.udegree != 3 || !(tol > 0.0) || !std::isfinite(tol)) return false;
  for (double w : in.weights)
    if (w != in.weights[0]) return false;  // rational: not handled
  const std::vector<double>& U = in.uknots;
  if (U[0] != U[3] || U[in.nu] != U[in.nu + 3]) return false;  // unclamped ends
  // Distinct knots tau, the original's points there, and for every full knot index its distinct one.
  std::vector<double> tau;
  std::vector<int> distinct_of(U.size());
  for (size_t i = 0; i < U.size(); ++i) {
    if (tau.empty() || U[i] != tau.back()) tau.push_back(U[i]);
    distinct_of[i] = static_cast<int>(tau.size()) - 1;
  }
  const int K = static_cast<int>(tau.size()) - 1;  // spans of the original
  if (K < 2) return false;
  std::vector<P3> q(tau.size());
  for (int s = 0; s <= K; ++s) q[s] = evaluate_curve(in, tau[s]);
  const P3 d0 = start_tangent(in), d1 = end_tangent(in);

  std::vector<int> subset;
  const int initial = std::min(kInitialSpans, K);
  for (int k = 0; k <= initial; ++k) subset.push_back(static_cast<int>(static_cast<long long>(K) * k / initial));
  subset.erase(std::unique(subset.begin(), subset.end()), subset.end());

  nb_type cand;
  std::vector<double> insert, fine_knots;
  std::vector<P3> fine_poles;
  std::vector<int> span_of(tau.size());
  std::vector<char> marked;
  for (;;) {
    if (!complete_spline(tau, q, subset, d0, d1, cand)) return false;
    // Refine the candidate onto the original's knots: insert every knot of the original that the
    // candidate lacks (inner knots of the subset appear once in the candidate).
    insert.clear();
    size_t c = 4;  // next inner knot of the candidate
    for (size_t i = 4; i + 4 < U.size(); ++i) {
      if (c + 4 < cand.uknots.size() && cand.uknots[c] == U[i]) ++c;
      else insert.push_back(U[i]);
    }
    refine_knots(3, cand.uknots, cand.poles, insert, fine_knots, fine_poles);
    if (fine_poles.size() != in.poles.size()) return false;
    // Which candidate span each distinct knot of the original lies in.
    for (size_t k = 0, s = 0; k + 1 < subset.size(); ++k)
      for (; s < static_cast<size_t>(subset[k + 1]); ++s) span_of[s] = static_cast<int>(k);
    span_of[K] = static_cast<int>(subset.size()) - 2;
    marked.assign(subset.size() - 1, 0);
    bool any = false;
    for (size_t j = 0; j < fine_poles.size(); ++j) {
      const double e = norm(in.poles[j] - fine_poles[j]);
      if (e <= tol) continue;
      if (!std::isfinite(e)) return false;
      // Pole j acts on [U[j], U[j + 4]]: the candidate spans over that interval are to blame.
      const int lo = distinct_of[j], hi = distinct_of[j + 4];
      for (int s = span_of[lo]; s <= span_of[std::max(lo, hi - 1)]; ++s) marked[s] = 1;
      any = true;
    }
    if (!any) break;
    std::vector<int> next;
    next.reserve(subset.size() * 2);
    bool grew = false;
    for (size_t k = 0; k + 1 < subset.size(); ++k) {
      next.push_back(subset[k]);
      if (marked[k] && subset[k + 1] - subset[k] >= 2) {
        next.push_back((subset[k] + subset[k + 1]) / 2);
        grew = true;
      }
    }
    next.push_back(subset.back());
    if (!grew) return false;  // the bound fails where every knot is already kept
    subset.swap(next);
  }
  if (cand.nu >= in.nu) return false;
  out = std::move(cand);
  return true;
}

}  // namespace orv::kernel
