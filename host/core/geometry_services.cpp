// The geometry services the Zlink calls: storing points, lines, splines and surfaces in the database,
// reading records back, knot removal, the B-spline form, the screen marks and the reusable point
// buffers. Input is checked before it reaches the kernel, and nothing that is not finite is stored or
// drawn: a refusal sets the flag to 0, stores nothing and leaves the database as it was. The Zlink
// only sees the flag, so every refusal is told to the person (report_refusal) with its reason, and
// no exception leaves a service: one that is caught is a refusal like any other.
#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/database.h"
#include "core/failure_text.h"
#include "core/frontend.h"
#include "core/geometry_services.h"
#include "core/host.h"
#include "core/plot_report.h"
#include "core/stop_request.h"
#include "orvantis/host_geometry.h"
#include "kernel/fit_checks.h"
#include "kernel/host_defaults.h"
#include "kernel/kernel.h"

namespace orv {
namespace {

// Remembers why `service` refused and tells the person. Always false, so that a check can end with
// `return refuse(...)`.
bool refuse(const char* service, const std::string& why) {
  host().last_error = why;
  report_refusal(service, why);
  return false;
}

std::string str(int64_t n) { return std::to_string(n); }

// A buffer of points that grows (keeping its contents) up to a fixed bound, never shrinks, and
// refuses growth it cannot get instead of failing later.
class PointBuffer {
 public:
  PointBuffer(const char* name, int32_t bound) : name_(name), bound_(bound) {}

  /// What its refusals call it: "spline buffer".
  const char* name() const { return name_; }

  int32_t capacity() {
    ensure_initial();
    return capacity_;
  }
  pt_3d* data() {
    ensure_initial();
    return data_.get();
  }
  /// True when the buffer holds at least `count` points; false with `why` when it cannot.
  bool grow(int32_t count, std::string& why) {
    ensure_initial();
    why = fit::buffer_size_refusal(name_, count, bound_);
    if (!why.empty()) return false;
    if (count <= capacity_) return true;
    std::unique_ptr<pt_3d[]> bigger(new (std::nothrow) pt_3d[static_cast<size_t>(count)]);
    if (!bigger) {
      why = fit::buffer_memory_refusal(name_, count);
      return false;
    }
    for (int32_t i = 0; i < capacity_; ++i)
      for (int k = 0; k < 3; ++k) bigger[i][k] = data_[i][k];
    for (int32_t i = capacity_; i < count; ++i)
      for (int k = 0; k < 3; ++k) bigger[i][k] = 0.0;
    data_ = std::move(bigger);
    capacity_ = count;
    return true;
  }
  /// True when `p` lies inside this buffer and `count` points from it stay inside.
  bool overruns(const pt_3d* p, int64_t count) {
    if (!data_) return false;
    // Compared as addresses: `p` may point into an unrelated array of the caller.
    auto begin = reinterpret_cast<uintptr_t>(data_.get());
    auto end = begin + sizeof(pt_3d) * static_cast<size_t>(capacity_);
    auto at = reinterpret_cast<uintptr_t>(p);
    if (at < begin || at >= end) return false;
    return count > static_cast<int64_t>((end - at) / sizeof(pt_3d));
  }

 private:
  void ensure_initial() {
    if (data_) return;
    data_.reset(new (std::nothrow) pt_3d[kInitialBufferPoints]());
    capacity_ = data_ ? kInitialBufferPoints : 0;
  }
  std::unique_ptr<pt_3d[]> data_;
  int32_t capacity_ = 0;
  const char* name_;
  int32_t bound_;
};

PointBuffer& spline_buffer() {
  static PointBuffer b("spline buffer", kMaxSplineNodes);
  return b;
}
PointBuffer& surf_buffer() {
  static PointBuffer b("surface buffer", kMaxSurfPoints);
  return b;
}

// Runs the body of `service` at the boundary the Zlink calls across: `body` returns true when the
// service did its work and false when it refused (having told why). A success clears the last error;
// an exception is caught here and is a refusal like any other, "<what> refused: <its text>". True
// when the body succeeded.
template <class F>
bool guarded(const char* service, const char* what, F&& body) {
  try {
    if (!body()) return false;
    host().last_error.clear();
    return true;
  } catch (const std::bad_alloc&) {
    // Every later step would be refused the same way: the plot is stopped instead (at its next
    // check), keeping what it made.
    note_out_of_memory();
    return refuse(service, std::string(what) + " refused: the host ran out of memory; the plot stops");
  } catch (...) {
    return refuse(service, std::string(what) + " refused: " + failure_text(std::current_exception()));
  }
}

// A storing service: its entry is null and its flag 0 (either may be absent) unless `body` stores,
// when the flag is 1 and the body has set the entry.
template <class F>
void store_guarded(const char* service, const char* what, db_list_ent_type** entry, char* ok, F&& body) {
  if (entry) *entry = nullptr;
  if (ok) *ok = 0;
  const bool stored = guarded(service, what, body);
  if (ok) *ok = stored ? 1 : 0;
}

int grow_buffer(const char* service, PointBuffer& buffer, int32_t count) {
  return guarded(service, buffer.name(), [&] {
    std::string why;
    if (buffer.grow(count, why)) return true;
    note_buffer_refused(why);
    return refuse(service, why);
  }) ? 1 : 0;
}

std::vector<kernel::Point> copy_points(const pt_3d* points, int64_t count) {
  std::vector<kernel::Point> out;
  out.reserve(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) out.push_back({points[i][0], points[i][1], points[i][2]});
  return out;
}

void fill_unit_weights(nb_type& nb) {
  size_t n = nb.poles.size();
  if (nb.weights.size() != n) nb.weights.assign(n, 1.0);
}

constexpr const char* kSplineService = "make_spline_from_pts";
constexpr const char* kSurfaceService = "make_surf_from_pts";

// Stores a shape fitted through `count` points as `record` (its kind, colour, level and grid set by
// the caller), once its call has passed. Refuses points that run past a point buffer holding them
// (`overrun` says so) before reading any, then what `points_refusal` finds in the points; `fit`
// makes the B-spline through them, returning why it cannot ("" when it did). The stored record
// keeps the points it passes through. True when stored, with `*entry` set.
template <class PointsRefusal, class Fit>
bool store_fitted(const char* service, const std::string& overrun, const pt_3d* points, int64_t count,
                  PointsRefusal&& points_refusal, EntityData record, Fit&& fit, db_list_ent_type** entry) {
  if (spline_buffer().overruns(points, count) || surf_buffer().overruns(points, count))
    return refuse(service, overrun);
  if (std::string why = points_refusal(); !why.empty()) return refuse(service, why);
  record.through = copy_points(points, count);
  if (std::string why = fit(record.through, record.nb); !why.empty()) return refuse(service, why);
  fill_unit_weights(record.nb);
  record.attrib = main_attrib;
  db_list_ent_type* e = host().database.add(std::move(record));
  if (entry) *entry = e;
  return true;
}

bool store_spline(const pt_3d* points, int32_t count, uint8_t color, int32_t level, int start_kind,
                  int end_kind, db_list_ent_type** entry) {
  const char* service = kSplineService;
  if (std::string why = fit::spline_call_refusal(points, count, start_kind, end_kind); !why.empty())
    return refuse(service, why);
  EntityData record;
  record.kind = ENT_SPLINE;
  record.color = color;
  record.level = level;
  auto fit = [count](const std::vector<kernel::Point>& pts, nb_type& nb) -> std::string {
    std::string err;
    if (!kernel::interpolate_curve(pts, nb, err)) return "spline refused (" + str(count) + " points): " + err;
    return {};
  };
  return store_fitted(
      service, "spline refused: " + str(count) + " points run past the end of the buffer holding them", points,
      count, [&] { return fit::spline_points_refusal(points, count); }, std::move(record), fit, entry);
}

bool store_surface(const pt_3d* points, int16_t rows, int16_t cols, uint8_t color, int32_t level,
                   int nurb, db_list_ent_type** entry) {
  const char* service = kSurfaceService;
  if (std::string why = fit::surface_call_refusal(points, rows, cols); !why.empty()) return refuse(service, why);
  const std::string grid = str(rows) + " x " + str(cols);
  EntityData record;
  record.kind = nurb ? ENT_NURBS_SURFACE : ENT_SURFACE;
  record.color = color;
  record.level = level;
  record.rows = rows;
  record.cols = cols;
  auto fit = [&](const std::vector<kernel::Point>& pts, nb_type& nb) -> std::string {
    std::string err;
    if (!kernel::interpolate_surface(pts, rows, cols, nb, err)) return "surface refused (a " + grid + " grid): " + err;
    return {};
  };
  return store_fitted(
      service, "surface refused: the " + grid + " grid runs past the end of the buffer holding it", points,
      int64_t{rows} * cols, [&] { return fit::surface_points_refusal(points, rows, cols); }, std::move(record), fit,
      entry);
}

bool is_curve_kind(int32_t kind) { return kind == ENT_SPLINE || kind == ENT_NURBS_CURVE; }
bool is_surface_kind(int32_t kind) { return kind == ENT_SURFACE || kind == ENT_NURBS_SURFACE; }

}  // namespace

std::string last_geometry_error() { return host().last_error; }
int64_t marks_drawn() { return static_cast<int64_t>(host().database.marks_made()); }
int64_t screen_lines_drawn() { return static_cast<int64_t>(host().database.lines_made()); }

}  // namespace orv


void store_ent(const ent* e, db_list_ent_type** entry, int flags, uint8_t color, int32_t level,
               attributes attrib, char* ok) {
  (void)flags;
  const char* service = "store_ent";
  if (e != nullptr && e->kind == ENT_POINT) orv::note_point_stored();
  if (e != nullptr && e->kind == ENT_LINE) orv::note_line_stored();
  orv::store_guarded(service, "store", entry, ok, [&] {
    if (e == nullptr) return orv::refuse(service, "store refused: no record was given");
    ent record;
    record.kind = e->kind;
    for (int k = 0; k < 3; ++k) record.p1[k] = e->p1[k];
    if (e->kind == ENT_LINE) {
      for (int k = 0; k < 3; ++k) record.p2[k] = e->p2[k];
      if (std::string bad = orv::fit::nonfinite_coordinate(record.p1); !bad.empty())
        return orv::refuse(service, "line refused: its start is not finite (" + bad + "); a line cannot reach it");
      if (std::string bad = orv::fit::nonfinite_coordinate(record.p2); !bad.empty())
        return orv::refuse(service, "line refused: its end is not finite (" + bad + "); a line cannot reach it");
    } else if (e->kind == ENT_POINT) {
      if (std::string bad = orv::fit::nonfinite_coordinate(record.p1); !bad.empty())
        return orv::refuse(service, "point refused: it is not finite (" + bad + "); a point cannot be stored there");
    } else {
      return orv::refuse(service, "store refused: a record of kind " + orv::str(e->kind) +
                                      "; only points (1) and lines (2) are stored from a record");
    }
    record.color = color;
    record.level = level;
    record.attrib = attrib;
    db_list_ent_type* stored = orv::host().database.add(std::move(record));
    if (entry) *entry = stored;
    return true;
  });
}

void make_spline_from_pts(const pt_3d* points, int32_t count, uint8_t color, int32_t level, int start_kind,
                          const double* start_vector, int end_kind, const double* end_vector, int flags,
                          db_list_ent_type** entry, char* ok) {
  // The end vectors only matter for end kinds other than the free end, which are not offered.
  (void)start_vector;
  (void)end_vector;
  (void)flags;
  char stored = 0;
  orv::store_guarded(orv::kSplineService, "spline", entry, &stored, [&] {
    return orv::store_spline(points, count, color, level, start_kind, end_kind, entry);
  });
  if (ok) *ok = stored;
  if (stored) orv::note_spline_made(points, count);
}

void make_surf_from_pts(const pt_3d* points, int16_t rows, int16_t cols, int a, int b, int c, int d,
                        uint8_t color, int32_t level, int nurb, double* out, db_list_ent_type** entry,
                        char* ok) {
  (void)a;
  (void)b;
  (void)c;
  (void)d;
  if (out) *out = 0.0;  // no value is reported through it
  char stored = 0;
  orv::store_guarded(orv::kSurfaceService, "surface", entry, &stored, [&] {
    return orv::store_surface(points, rows, cols, color, level, nurb, entry);
  });
  if (ok) *ok = stored;
  if (stored) orv::note_surface_made(points, rows, cols);
}

int get_ent_from_eptr(db_list_ent_type* entry, ent* out) {
  const char* service = "get_ent_from_eptr";
  return orv::guarded(service, "read", [&] {
    if (out == nullptr) return orv::refuse(service, "read refused: no record to read into");
    const orv::Entity* stored = orv::host().database.find(entry);
    if (stored == nullptr)
      return orv::refuse(service, "read refused: the entry is not in the database (deleted, or never stored)");
    *out = stored->record();
    return true;
  }) ? 0 : 1;
}

int remove_nodes(const ent* in, int flags, double tolerance, ent* out) {
  (void)flags;
  const char* service = "remove_nodes";
  bool removed = false;
  orv::guarded(service, "knot removal", [&] {
    if (in == nullptr || out == nullptr) return orv::refuse(service, "knot removal refused: no record was given");
    if (!orv::is_curve_kind(in->kind))
      return orv::refuse(service, "knot removal refused: a record of kind " + orv::str(in->kind) + " is not a curve");
    if (!std::isfinite(tolerance) || tolerance <= 0)
      return orv::refuse(service, "knot removal refused: the tolerance is not a positive number");
    nb_type reduced;
    // Nothing to remove is an answer, not a refusal: the curve stays as it is.
    if (!orv::kernel::reduce_knots(in->nb, tolerance, reduced)) return true;
    orv::fill_unit_weights(reduced);
    ent copy = *in;
    copy.nb = std::move(reduced);
    *out = std::move(copy);
    removed = true;
    return true;
  });
  return removed ? 1 : 0;
}

void convert_entity_to_nurbs(const ent* in, ent* out) {
  const char* service = "convert_entity_to_nurbs";
  // `in` and `out` may be the same record: it is read whole before `out` is written.
  const bool converted = orv::guarded(service, "conversion", [&] {
    if (out == nullptr) return orv::refuse(service, "conversion refused: no record to write into");
    if (in == nullptr) return orv::refuse(service, "conversion refused: no record was given");
    ent copy;
    std::string err;
    if (orv::is_curve_kind(in->kind) && orv::kernel::check_curve(in->nb, err)) {
      copy = *in;
      copy.kind = ENT_NURBS_CURVE;
    } else if (orv::is_surface_kind(in->kind) && orv::kernel::check_surface(in->nb, err)) {
      copy = *in;
      copy.kind = ENT_NURBS_SURFACE;
    } else if (in->kind == ENT_LINE && orv::fit::finite_point(in->p1) && orv::fit::finite_point(in->p2)) {
      copy = *in;
      copy.kind = ENT_NURBS_CURVE;
      copy.nb = orv::kernel::line_curve({in->p1[0], in->p1[1], in->p1[2]}, {in->p2[0], in->p2[1], in->p2[2]});
    } else {
      return orv::refuse(service, "conversion refused: a record of kind " + orv::str(in->kind) +
                                      " has no sound B-spline form" + (err.empty() ? "" : " (" + err + ")"));
    }
    orv::fill_unit_weights(copy.nb);
    *out = std::move(copy);
    return true;
  });
  // Anything without a B-spline form leaves `out` an empty record (kind 0).
  if (!converted && out != nullptr) *out = ent{};
}

void delete_ent(db_list_ent_type* entry, int a, int b, int c, char* flag, int d) {
  (void)a;
  (void)b;
  (void)c;
  (void)d;
  const char* service = "delete_ent";
  const bool removed = orv::guarded(service, "delete", [&] {
    return orv::host().database.remove(entry) ||
           orv::refuse(service, "delete refused: the entry is not in the database (deleted, or never stored)");
  });
  if (flag) *flag = removed ? 1 : 0;
}

void put_nurbs_in_db(const nb_type* nb, uint8_t color, int32_t level, const attributes* attrib, int flags,
                     db_list_ent_type** entry) {
  (void)flags;
  const char* service = "put_nurbs_in_db";
  orv::store_guarded(service, "NURB", entry, nullptr, [&] {
    if (nb == nullptr) return orv::refuse(service, "NURB refused: no record was given");
    nb_type copy = *nb;
    orv::fill_unit_weights(copy);
    std::string err;
    bool curve = copy.vdegree == 0 && copy.nv == 0;
    if (curve ? !orv::kernel::check_curve(copy, err) : !orv::kernel::check_surface(copy, err))
      return orv::refuse(service, std::string(curve ? "NURB curve" : "NURB surface") + " refused: " + err);
    ent record;
    record.kind = curve ? ENT_NURBS_CURVE : ENT_NURBS_SURFACE;
    record.color = color;
    record.level = level;
    record.attrib = attrib ? *attrib : main_attrib;
    record.nb = std::move(copy);
    db_list_ent_type* stored = orv::host().database.add(std::move(record));
    if (entry) *entry = stored;
    if (curve) orv::note_nurbs_curve_made();
    return true;
  });
}

void draw_3d_point(const double* point, uint8_t color) {
  const char* service = "draw_3d_point";
  orv::note_mark(point);
  orv::guarded(service, "mark", [&] {
    if (point == nullptr) return orv::refuse(service, "mark refused: no point was given");
    if (std::string bad = orv::fit::nonfinite_coordinate(point); !bad.empty())
      return orv::refuse(service, "mark refused: it is not finite (" + bad + "); it is not drawn");
    orv::host().database.add_mark(orv::ScreenMark{{point[0], point[1], point[2]}, color});
    return true;
  });
}

void drw_3d_line(const l_3d* line, uint8_t color) {
  const char* service = "drw_3d_line";
  orv::guarded(service, "screen line", [&] {
    if (line == nullptr) return orv::refuse(service, "screen line refused: no line was given");
    std::string bad = orv::fit::nonfinite_coordinate(line->p1);
    if (bad.empty()) bad = orv::fit::nonfinite_coordinate(line->p2);
    if (!bad.empty())
      return orv::refuse(service, "screen line refused: an end is not finite (" + bad + "); it is not drawn");
    orv::host().database.add_line(
        orv::ScreenLine{{line->p1[0], line->p1[1], line->p1[2]}, {line->p2[0], line->p2[1], line->p2[2]}, color});
    return true;
  });
}

// The front end shows progress and answers for the person; a stop signal ends any plot. A front end
// that fails while asked is told as a refusal and stops the plot: it can no longer pass a stop on.
int plot_stop_requested(int64_t step, int64_t count) {
  if (step == 0) orv::clear_out_of_memory();  // a new plot: memory may be there again
  bool stop = false;
  if (!orv::guarded("plot_stop_requested", "plot progress", [&] {
        if (orv::FrontEnd* fe = orv::front_end()) stop = fe->plot_progress(step, count);
        return true;
      }))
    stop = true;
  stop = stop || orv::stop_signal() != 0 || orv::out_of_memory();
  orv::note_plot_poll(step, count, stop);
  return stop ? 1 : 0;
}

int32_t CSplineNodeMgr::get_max_n_spline_pts() { return orv::spline_buffer().capacity(); }
int CSplineNodeMgr::put_max_n_spline_pts(int32_t count) {
  return orv::grow_buffer("put_max_n_spline_pts", orv::spline_buffer(), count);
}
pt_3d* CSplineNodeMgr::get_spline_nodes1() { return orv::spline_buffer().data(); }

int32_t CSurfDataMgr::get_max_n_surf_patches() { return orv::surf_buffer().capacity(); }
int CSurfDataMgr::put_max_n_surf_patches(int32_t count) {
  return orv::grow_buffer("put_max_n_surf_patches", orv::surf_buffer(), count);
}
pt_3d* CSurfDataMgr::get_surf_data_ptr(int which) { return which == 0 ? orv::surf_buffer().data() : nullptr; }
