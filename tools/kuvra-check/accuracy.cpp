// The accuracy measure; see accuracy.h. The fit is the host kernel's own code with the host's
// options, so what is measured is what the host stores; the points between the steps come from the
// Zlink's statement runs, so they are the equation's points exactly as a plot computes them.
#include "accuracy.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "equation/evaluator.h"
#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "equation/variables.h"
#include "geometry/plot_step.h"
#include "kernel/kernel.h"

namespace {

using orv::kernel::Point;

constexpr double same_point_relative = 1e-12;  // the kernel's: closer points are one point

bool fitted_kind(int geometry) {
  return geometry == kw_spline || geometry == kw_nurbs || geometry == kw_lines || geometry == kw_parametric_surf ||
         geometry == kw_nurbs_surf;
}

double lerp(double a, double b, double f) { return a + (b - a) * f; }

double distance(const Point3& a, const Point3& b) {
  return std::sqrt((a[0] - b[0]) * (a[0] - b[0]) + (a[1] - b[1]) * (a[1] - b[1]) + (a[2] - b[2]) * (a[2] - b[2]));
}

// The equation's point with the step variables at `values`, by the Zlink's own statement run; false
// when a statement fails there (`failed` names it).
bool equation_point(Statement* head, const int rows[2], int used, const double values[2], const CoordinateRows& xyz,
                    Point3* p, const Statement** failed, int* status) {
  for (int v = 0; v < used; ++v) set_variable(static_cast<int16_t>(rows[v]), values[v]);
  *failed = nullptr;
  *status = 0;
  for (const Statement* s = head; s != nullptr; s = s->next) {
    if (is_inert(s)) continue;
    const int result = evaluate_statement(s);
    if (result != 0) {
      *failed = s;
      *status = result;
      return false;
    }
  }
  double point[3] = {0, 0, 0};
  read_point(xyz, point);
  *p = {point[0], point[1], point[2]};
  return true;
}

// The distinct values of a knot vector, in order.
std::vector<double> distinct_knots(const std::vector<double>& knots) {
  std::vector<double> out;
  for (double k : knots)
    if (out.empty() || k != out.back()) out.push_back(k);
  return out;
}

// The parameter of every row (or point) of a fit whose knots are at its rows' parameters: rows that
// coincide with the one before count as one, as the kernel counts them. Empty when the knots do not
// stand one a row (a quadratic through 3 rows): the caller then searches the whole range.
std::vector<double> row_parameters(const std::vector<double>& knots, int64_t count,
                                   const std::function<bool(int64_t, int64_t)>& same) {
  const std::vector<double> distinct = distinct_knots(knots);
  std::vector<double> out(static_cast<size_t>(count));
  int64_t index = 0, kept = 0;
  for (int64_t i = 0; i < count; ++i) {
    if (i > 0 && !same(i, kept)) ++index, kept = i;
    if (index >= static_cast<int64_t>(distinct.size())) return {};
    out[static_cast<size_t>(i)] = distinct[static_cast<size_t>(index)];
  }
  if (index + 1 != static_cast<int64_t>(distinct.size())) return {};
  return out;
}

// The parameter window around rows i and i + 1: from row i - 1 to row i + 2.
void window(const std::vector<double>& params, int64_t i, double range_lo, double range_hi, double* lo, double* hi) {
  if (params.empty()) {
    *lo = range_lo, *hi = range_hi;
    return;
  }
  const int64_t last = static_cast<int64_t>(params.size()) - 1;
  *lo = params[static_cast<size_t>(std::max<int64_t>(i - 1, 0))];
  *hi = params[static_cast<size_t>(std::min<int64_t>(i + 2, last))];
}

std::string grid_text(int64_t rows, int64_t cols) { return std::to_string(rows) + " x " + std::to_string(cols); }

}  // namespace

AccuracyMeasure measure_plot(Statement* head, double chord_dev, int64_t step_limit, double stop_above) {
  AccuracyMeasure m;
  keep_plotted_points(true);
  const DryRun run = dry_run(head, step_limit);
  keep_plotted_points(false);
  const HostRecord& h = run.host;
  m.counts[0] = run.rules[0].n;
  m.counts[1] = run.surface ? run.rules[1].n : 0;
  if (!run.plot_refusal.empty() || !run.missing_variable.empty()) {
    m.why_not = "the plot makes nothing to measure";
    return m;
  }
  const int used = run.surface ? 2 : 1;
  int rows[2] = {-1, -1};
  for (int v = 0; v < used; ++v) rows[v] = find_variable(PlotSettings.step_var[v]);
  const CoordinateRows xyz = find_coordinate_rows();
  auto step_at = [&](int v, int64_t j) { return step_value(run.lower[v], run.rules[v], j); };

  double sum = 0;
  bool enough = false;  // a distance above stop_above was met
  auto measured = [&](double d, const double values[2]) {
    enough = enough || d > stop_above;
    ++m.points_measured;
    sum += d;
    if (d > m.largest || m.points_measured == 1) {
      m.largest = d;
      m.where[0] = values[0];
      m.where[1] = values[1];
    }
  };
  auto note_between = [&](const Statement* s, int status, const double at[2], const double before[2],
                          const double after[2]) {
    for (const BetweenFailure& b : m.between)
      if (b.statement == s) return;
    BetweenFailure b;
    b.statement = s;
    b.status = status;
    for (int v = 0; v < 2; ++v) b.at[v] = at[v], b.before[v] = before[v], b.after[v] = after[v];
    m.between.push_back(b);
  };

  if (!run.surface) {
    const bool lines = run.geometry == kw_lines;
    std::vector<Point> pts = lines ? h.line_ends : h.fitted_points;
    if (pts.size() < 2) {
      m.why_not = lines ? "fewer than 2 points were joined by lines" : "no curve was made";
      return m;
    }
    const int64_t count = static_cast<int64_t>(pts.size());
    std::vector<double> params;
    if (lines) {
      m.shape = std::to_string(count - 1) + " lines through " + std::to_string(count) + " points";
      m.polyline = pts;
    } else {
      nb_type spline;
      std::string err;
      if (!orv::kernel::interpolate_curve(pts, spline, err)) {
        m.why_not = "the host refuses the curve: " + err;
        return m;
      }
      const double same = same_point_relative * orv::kernel::model_size(pts);
      params = row_parameters(spline.uknots, count,
                              [&](int64_t i, int64_t k) { return distance(pts[i], pts[k]) <= same; });
      m.fitted = spline;
      m.shape = "a spline through " + std::to_string(count) + " points";
      if (run.geometry == kw_nurbs) {
        m.nurbs = true;
        m.poles_before = spline.nu;
        nb_type reduced;
        if (orv::kernel::reduce_knots(spline, chord_dev, reduced)) m.fitted = reduced;
        m.poles_kept = m.fitted.nu;
        m.shape = "a NURB curve through " + std::to_string(count) + " points";
      }
    }
    const std::array<double, 2> range = m.fitted.uknots.empty() ? std::array<double, 2>{0, 0}
                                                                 : orv::kernel::curve_range(m.fitted);
    for (int64_t j = 0; j < count; ++j) {  // the fit's own deviation from the plotted points
      if (!m.nurbs) break;
      double lo, hi;
      window(params, j - 1, range[0], range[1], &lo, &hi);
      m.fit_deviation = std::max(m.fit_deviation, closest_on_curve(m.fitted, pts[j], lo, hi).distance);
    }
    for (int64_t j = 0; j + 1 < count && !enough; ++j) {
      const double before[2] = {step_at(0, j), 0}, after[2] = {step_at(0, j + 1), 0};
      for (int s = 1; s <= accuracy_samples_between; ++s) {
        const double values[2] = {lerp(before[0], after[0], double(s) / (accuracy_samples_between + 1)), 0};
        Point3 p;
        const Statement* failed;
        int status;
        if (!equation_point(head, rows, used, values, xyz, &p, &failed, &status)) {
          note_between(failed, status, values, before, after);
          continue;
        }
        double d;
        if (lines) {
          d = distance_to_segment(p, pts[j], pts[j + 1]);
          if (j > 0) d = std::min(d, distance_to_segment(p, pts[j - 1], pts[j]));
          if (j + 2 < count) d = std::min(d, distance_to_segment(p, pts[j + 1], pts[j + 2]));
        } else {
          double lo, hi;
          window(params, j, range[0], range[1], &lo, &hi);
          d = closest_on_curve(m.fitted, p, lo, hi).distance;
        }
        measured(d, values);
      }
    }
  } else {
    const std::vector<Point>& pts = h.fitted_points;
    const int64_t R = h.fitted_rows, C = h.fitted_cols;
    if (pts.empty() || R < 2 || C < 2 || static_cast<int64_t>(pts.size()) != R * C) {
      m.why_not = "no surface was made";
      return m;
    }
    nb_type surface;
    std::string err;
    if (!orv::kernel::interpolate_surface(pts, static_cast<int>(R), static_cast<int>(C), surface, err)) {
      m.why_not = "the host refuses the surface: " + err;
      return m;
    }
    m.fitted = surface;
    m.nurbs = run.geometry == kw_nurbs_surf;
    m.poles_before = m.poles_kept = int64_t{surface.nu} * surface.nv;
    m.shape = std::string(m.nurbs ? "a NURB surface" : "a surface") + " through a grid of " + grid_text(R, C);
    const double same = same_point_relative * orv::kernel::model_size(pts);
    auto at = [&](int64_t i, int64_t k) { return pts[static_cast<size_t>(i * C + k)]; };
    const std::vector<double> u_params = row_parameters(surface.uknots, R, [&](int64_t i, int64_t k) {
      for (int64_t c = 0; c < C; ++c)
        if (distance(at(i, c), at(k, c)) > same) return false;
      return true;
    });
    const std::vector<double> v_params = row_parameters(surface.vknots, C, [&](int64_t i, int64_t k) {
      for (int64_t r = 0; r < R; ++r)
        if (distance(at(r, i), at(r, k)) > same) return false;
      return true;
    });
    const std::array<double, 4> range = orv::kernel::surface_range(surface);
    if (m.nurbs) {
      for (int64_t i = 0; i < R; ++i)
        for (int64_t k = 0; k < C; ++k) {
          double ulo, uhi, vlo, vhi;
          window(u_params, i - 1, range[0], range[1], &ulo, &uhi);
          window(v_params, k - 1, range[2], range[3], &vlo, &vhi);
          m.fit_deviation =
              std::max(m.fit_deviation, closest_on_surface(surface, at(i, k), ulo, uhi, vlo, vhi).distance);
        }
    }
    const int n = accuracy_samples_cell;
    for (int64_t i = 0; i + 1 < R && !enough; ++i)
      for (int64_t k = 0; k + 1 < C && !enough; ++k) {
        const double before[2] = {step_at(0, i), step_at(1, k)}, after[2] = {step_at(0, i + 1), step_at(1, k + 1)};
        double ulo, uhi, vlo, vhi;
        window(u_params, i, range[0], range[1], &ulo, &uhi);
        window(v_params, k, range[2], range[3], &vlo, &vhi);
        for (int a = 1; a <= n; ++a)
          for (int b = 1; b <= n; ++b) {
            const double values[2] = {lerp(before[0], after[0], double(a) / (n + 1)),
                                      lerp(before[1], after[1], double(b) / (n + 1))};
            Point3 p;
            const Statement* failed;
            int status;
            if (!equation_point(head, rows, used, values, xyz, &p, &failed, &status)) {
              note_between(failed, status, values, before, after);
              continue;
            }
            measured(closest_on_surface(surface, p, ulo, uhi, vlo, vhi).distance, values);
          }
      }
  }
  m.measured = m.points_measured > 0;
  m.complete = run.failures.empty() && m.between.empty();
  if (!m.measured && m.why_not.empty()) m.why_not = "no point between the steps could be computed";
  m.mean = m.points_measured > 0 ? sum / static_cast<double>(m.points_measured) : 0;
  return m;
}

Accuracy measure_accuracy(Statement* head, double tol, double chord_dev, int64_t step_limit) {
  Accuracy a;
  a.applies = fitted_kind(PlotSettings.geometry);
  if (!a.applies) return a;
  a.file = measure_plot(head, chord_dev, step_limit);
  if (!(tol > 0) || !a.file.measured) return a;
  AccuracyAdvice& advice = a.advice;
  advice.asked = true;
  advice.tol = tol;
  advice.file_meets = a.file.complete && a.file.largest <= tol;

  // The search scales the file's step counts by a factor, each count at least 1, and measures.
  const PlotSettingsRecord kept = PlotSettings;
  const bool surface = PlotSettings.geometry >= first_surface_kind;
  const int used = surface ? 2 : 1;
  const int64_t cap = surface ? accuracy_max_grid_side - 1 : accuracy_max_curve_steps;
  const int64_t base[2] = {std::max<int64_t>(a.file.counts[0], 1), std::max<int64_t>(a.file.counts[1], 1)};
  struct Trial {
    bool meets;
    bool possible;
    bool complete;
    int64_t counts[2];
    double largest;
    double where[2];
  };
  auto trial = [&](double factor) {
    Trial t{false, true, false, {0, 0}, 0, {0, 0}};
    for (int v = 0; v < used; ++v) {
      t.counts[v] = std::max<int64_t>(1, std::llround(static_cast<double>(base[v]) * factor));
      if (t.counts[v] > cap) t.possible = false;
      const double range = std::fabs(kept.upper_limit[v] - kept.lower_limit[v]);
      PlotSettings.step_size[v] = range / static_cast<double>(t.counts[v]);
    }
    if (!t.possible) return t;
    const AccuracyMeasure m = measure_plot(head, chord_dev, step_limit, tol);
    PlotSettings = kept;
    t.largest = m.largest;
    t.where[0] = m.where[0];
    t.where[1] = m.where[1];
    t.complete = m.complete;
    t.meets = m.measured && m.complete && m.largest <= tol;
    return t;
  };
  // Bracket: a factor that misses and one that meets, by halving or doubling.
  double miss = 0, meet = 0;
  Trial best{advice.file_meets, true, a.file.complete, {base[0], used == 2 ? base[1] : 0}, a.file.largest,
             {a.file.where[0], a.file.where[1]}};
  Trial last = best;
  if (advice.file_meets) {
    meet = 1;
    for (double f = 0.5;; f *= 0.5) {
      Trial t = trial(f);
      bool at_floor = true;
      for (int v = 0; v < used; ++v) at_floor = at_floor && t.counts[v] <= 1;
      if (!t.meets) { miss = f; break; }
      meet = f, best = t;
      if (at_floor) break;
    }
  } else {
    miss = 1;
    for (double f = 2;; f *= 2) {
      Trial t = trial(f);
      if (!t.possible) break;
      last = t;
      if (t.meets) { meet = f, best = t; break; }
      miss = f;
    }
  }
  if (meet > 0 && miss > 0) {
    for (int i = 0; i < 10; ++i) {
      const double f = std::sqrt(meet * miss);
      Trial t = trial(f);
      if (!t.possible) break;
      bool same = true;
      for (int v = 0; v < used; ++v) same = same && t.counts[v] == best.counts[v];
      if (same) break;
      if (t.meets) meet = f, best = t; else miss = f;
    }
  }
  PlotSettings = kept;
  advice.reached = meet > 0;
  const Trial& told = advice.reached ? best : last;
  for (int v = 0; v < used; ++v) {
    advice.counts[v] = told.counts[v];
    advice.steps[v] = std::fabs(kept.upper_limit[v] - kept.lower_limit[v]) / static_cast<double>(told.counts[v]);
  }
  advice.largest = told.largest;
  advice.complete = told.complete;
  advice.where[0] = told.where[0];
  advice.where[1] = told.where[1];
  if (!advice.reached) return a;
  // A step a person would write: the found one cut to two significant digits, kept when it still
  // meets the tolerance when measured.
  for (int v = 0; v < used; ++v) {
    const int exponent = static_cast<int>(std::floor(std::log10(advice.steps[v]))) - 1;
    const double scale = std::pow(10.0, std::abs(exponent));  // exact for the powers used here
    PlotSettings.step_size[v] = exponent < 0 ? std::floor(advice.steps[v] * scale + 1e-9) / scale
                                             : std::floor(advice.steps[v] / scale + 1e-9) * scale;
  }
  const AccuracyMeasure rounded = measure_plot(head, chord_dev, step_limit, tol);
  if (rounded.measured && rounded.complete && rounded.largest <= tol) {
    for (int v = 0; v < used; ++v) {
      advice.steps[v] = PlotSettings.step_size[v];
      advice.counts[v] = rounded.counts[v];
    }
    advice.largest = rounded.largest;
    advice.where[0] = rounded.where[0];
    advice.where[1] = rounded.where[1];
  }
  PlotSettings = kept;
  return a;
}
