// Knot reduction of a cubic curve against the ORIGINAL curve as a whole. Removing knots one at a
// time checks each removal against the curve of the step before, so the errors add up; instead we
// build a fresh candidate on a subset of the original's knots and bound its distance to the original
// over the whole range, refining the subset where the bound is too large:
//   1. candidate: the complete cubic spline (end tangents of the original) interpolating the original
//      at the chosen knots, one tridiagonal solve;
//   2. bound: the candidate refined onto the original's knot vector; the largest pole of the
//      difference bounds |original(t) - candidate(t)| for every t (convex hull property);
//   3. the knot spans touched by a pole over the tolerance are halved, and we go again.
// Each round is linear in the number of knots, and halving needs about log2(n) rounds. Halving
// overshoots (spans come in powers of two), so once a valid subset is found it is re-spaced a few
// times: the error of a cubic fit goes as the fourth power of the span, which says how much longer
// (or shorter) each span could be; the smallest candidate within tolerance is kept.
#include <algorithm>
#include <cmath>

#include "kernel/bspline_math.h"
#include "kernel/kernel.h"

namespace orv::kernel {
using namespace detail;

namespace {

constexpr int kInitialSpans = 8;

// The cubic spline through the points q[s] at the knots tau[s] for s in `subset` (first and last
// included) with the given end tangents: the complete spline. With end second derivatives too (a
// closed curve, so that its seam stays C2), the third pole from each end is set by them instead, and
// the first and last inner knots are not interpolated; that needs at least 3 spans.
bool complete_spline(const std::vector<double>& tau, const std::vector<P3>& q, const std::vector<int>& subset,
                     const P3& d_start, const P3& d_end, const P3* dd_start, const P3* dd_end, nb_type& out) {
  const int m = static_cast<int>(subset.size()) - 1;  // spans
  const bool curvature = dd_start != nullptr && dd_end != nullptr;
  if (m < 1 || (curvature && m < 3)) return false;
  std::vector<double>& knots = out.uknots;
  knots.assign(4, tau[subset[0]]);
  for (int k = 1; k < m; ++k) knots.push_back(tau[subset[k]]);
  knots.insert(knots.end(), 4, tau[subset[m]]);
  std::vector<P3>& poles = out.poles;
  poles.assign(m + 3, P3{0, 0, 0});
  const P3& q0 = q[subset[0]];
  const P3& qm = q[subset[m]];
  const int n = m + 2;  // last pole
  poles[0] = q0;
  poles[1] = q0 + ((knots[4] - knots[3]) / 3.0) * d_start;
  poles[n - 1] = qm - ((knots[n + 3] - knots[n]) / 3.0) * d_end;
  poles[n] = qm;
  int first = 2, last = m;  // unknown poles
  if (curvature) {
    // C''(a) = 2 (Q1 - Q0) / (u4 - u2) with Q0 = C'(a), Q1 = 3 (P2 - P1) / (u5 - u2); the end mirrors it.
    const P3 q1 = d_start + ((knots[4] - knots[2]) / 2.0) * *dd_start;
    poles[2] = poles[1] + ((knots[5] - knots[2]) / 3.0) * q1;
    const P3 qn2 = d_end - ((knots[n + 2] - knots[n]) / 2.0) * *dd_end;
    poles[n - 2] = poles[n - 1] - ((knots[n + 2] - knots[n - 1]) / 3.0) * qn2;
    first = 3;
    last = m - 1;
  }
  // Row r interpolates at inner knot k = r + first - 1, where poles k .. k + 2 act; its middle
  // pole is unknown pole first + r.
  const int unknowns = last - first + 1;
  if (unknowns > 0) {
    std::vector<double> dl(unknowns, 0.0), diag(unknowns, 0.0), du(unknowns, 0.0);
    std::vector<P3> rhs(unknowns);
    double N[kMaxDegree + 1];
    for (int r = 0; r < unknowns; ++r) {
      const int k = r + first - 1;
      basis_functions(k + 3, knots[k + 3], 3, knots, N);
      rhs[r] = q[subset[k]];
      diag[r] = N[1];
      if (r == 0) rhs[r] = rhs[r] - N[0] * poles[first - 1]; else dl[r - 1] = N[0];
      if (r == unknowns - 1) rhs[r] = rhs[r] - N[2] * poles[last + 1]; else du[r] = N[2];
    }
    if (!solve_tridiagonal(dl, diag, du, rhs)) return false;
    std::copy(rhs.begin(), rhs.end(), poles.begin() + first);
  }
  out.udegree = 3;
  out.nu = m + 3;
  out.vdegree = 0;
  out.nv = 0;
  out.vknots.clear();
  out.weights.assign(poles.size(), 1.0);
  return true;
}

// The state of one reduction: the original's distinct knots and points there, and the candidate.
class Reducer {
 public:
  Reducer(const nb_type& in, double tol) : in_(in), tol_(tol) {
    const std::vector<double>& U = in.uknots;
    distinct_of_.resize(U.size());
    for (size_t i = 0; i < U.size(); ++i) {
      if (tau_.empty() || U[i] != tau_.back()) tau_.push_back(U[i]);
      distinct_of_[i] = static_cast<int>(tau_.size()) - 1;
    }
    q_.resize(tau_.size());
    for (size_t s = 0; s < tau_.size(); ++s) q_[s] = evaluate_curve(in, tau_[s]);
    const auto d = end_derivatives(in);
    d0_ = d[0];
    d1_ = d[2];
    dd0_ = d[1];
    dd1_ = d[3];
    closed_ = curve_closed(in);
  }

  int spans() const { return static_cast<int>(tau_.size()) - 1; }

  /// Refines `subset` until its candidate is within tolerance; false when that cannot be done
  /// short of keeping every knot (or the arithmetic fails). On success `cand` is the candidate and
  /// `span_error` the largest pole deviation touching each of its spans.
  bool refine(std::vector<int>& subset, nb_type& cand, std::vector<double>& span_error) {
    for (;;) {
      if (!measure(subset, cand, span_error)) return false;
      std::vector<int> next;
      next.reserve(subset.size() * 2);
      bool failing = false, grew = false;
      for (size_t k = 0; k + 1 < subset.size(); ++k) {
        next.push_back(subset[k]);
        if (span_error[k] <= tol_) continue;
        failing = true;
        if (subset[k + 1] - subset[k] >= 2) {
          next.push_back((subset[k] + subset[k + 1]) / 2);
          grew = true;
        }
      }
      if (!failing) return true;
      if (!grew) return false;  // the bound fails where every knot is already kept
      next.push_back(subset.back());
      subset.swap(next);
    }
  }

  /// A subset spaced so that every span of `subset` is stretched by (target tol / error)^(1/4)
  /// (shrunk where the error is above that), between 1/4 and 4 times: the asymptotic error of a
  /// cubic fit.
  std::vector<int> respace(const std::vector<int>& subset, const std::vector<double>& span_error,
                           double target) const {
    std::vector<int> out{0};
    double acc = 0.0;  // spans of the new subset covered since the last knot placed
    for (size_t k = 0; k + 1 < subset.size(); ++k) {
      const double e = std::max(span_error[k], 1e-300);
      const double stretch = std::clamp(std::pow(target * tol_ / e, 0.25), 0.25, 4.0);
      const double per_fine = 1.0 / (stretch * (subset[k + 1] - subset[k]));
      for (int s = subset[k]; s < subset[k + 1]; ++s) {
        acc += per_fine;
        if (acc >= 1.0 && s + 1 < spans()) {
          out.push_back(s + 1);
          acc = 0.0;
        }
      }
    }
    if (out.back() != spans()) out.push_back(spans());
    return out;
  }

  /// Builds the candidate on `subset` and bounds its deviation from the original span by span.
  bool measure(const std::vector<int>& subset, nb_type& cand, std::vector<double>& span_error) {
    if (!complete_spline(tau_, q_, subset, d0_, d1_, closed_ ? &dd0_ : nullptr, closed_ ? &dd1_ : nullptr, cand))
      return false;
    // Refine the candidate onto the original's knots: insert every knot of the original that the
    // candidate lacks (inner knots of the subset appear once in the candidate).
    const std::vector<double>& U = in_.uknots;
    insert_.clear();
    size_t c = 4;  // next inner knot of the candidate
    for (size_t i = 4; i + 4 < U.size(); ++i) {
      if (c + 4 < cand.uknots.size() && cand.uknots[c] == U[i]) ++c;
      else insert_.push_back(U[i]);
    }
    refine_knots(3, cand.uknots, cand.poles, insert_, fine_knots_, fine_poles_);
    if (fine_poles_.size() != in_.poles.size()) return false;
    // Which candidate span each distinct knot of the original lies in.
    span_of_.resize(tau_.size());
    for (size_t k = 0, s = 0; k + 1 < subset.size(); ++k)
      for (; s < static_cast<size_t>(subset[k + 1]); ++s) span_of_[s] = static_cast<int>(k);
    span_of_[spans()] = static_cast<int>(subset.size()) - 2;
    span_error.assign(subset.size() - 1, 0.0);
    for (size_t j = 0; j < fine_poles_.size(); ++j) {
      const double e = norm(in_.poles[j] - fine_poles_[j]);
      if (!std::isfinite(e)) return false;
      // Pole j acts on [U[j], U[j + 4]]: the candidate spans over that interval share its error.
      const int lo = distinct_of_[j], hi = distinct_of_[j + 4];
      for (int s = span_of_[lo]; s <= span_of_[std::max(lo, hi - 1)]; ++s)
        span_error[s] = std::max(span_error[s], e);
    }
    return true;
  }

 private:
  const nb_type& in_;
  const double tol_;
  std::vector<double> tau_;
  std::vector<int> distinct_of_, span_of_;
  std::vector<P3> q_;
  P3 d0_, d1_, dd0_, dd1_;  // the original's end derivatives, first and second
  bool closed_ = false;     // a closed original keeps its second derivative at the seam
  std::vector<double> insert_, fine_knots_;
  std::vector<P3> fine_poles_;
};

}  // namespace

bool reduce_knots(const nb_type& in, double tol, nb_type& out) {
  std::string err;
  if (!check_curve(in, err) || in.udegree != 3 || !(tol > 0.0) || !std::isfinite(tol)) return false;
  if (is_rational(in.weights)) return false;  // not handled
  if (in.uknots[0] != in.uknots[3] || in.uknots[in.nu] != in.uknots[in.nu + 3]) return false;  // unclamped
  tol = shape_tolerance(tol, in.poles);
  Reducer reducer(in, tol);
  const int K = reducer.spans();
  if (K < 2) return false;
  std::vector<int> subset;
  const int initial = std::min(kInitialSpans, K);
  for (int k = 0; k <= initial; ++k) subset.push_back(static_cast<int>(static_cast<long long>(K) * k / initial));
  nb_type best;
  std::vector<double> errors;
  if (!reducer.refine(subset, best, errors)) return false;
  // Re-space a few times from the latest error profile, aiming lower each time, and keep the
  // smallest valid candidate; the last re-spacing is refined to validity as a final try.
  std::vector<int> trial = subset;
  nb_type cand;
  bool measured = true;
  for (double target : {0.8, 0.7, 0.6, 0.5}) {
    trial = reducer.respace(trial, errors, target);
    if (!(measured = reducer.measure(trial, cand, errors))) break;
    if (*std::max_element(errors.begin(), errors.end()) <= tol && cand.nu < best.nu) best = cand;
  }
  if (measured && static_cast<int>(trial.size()) + 3 < best.nu && reducer.refine(trial, cand, errors) &&
      cand.nu < best.nu)
    best = std::move(cand);
  if (best.nu >= in.nu) return false;
  out = std::move(best);
  return true;
}

}  // namespace orv::kernel
