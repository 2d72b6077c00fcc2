// The geometry services the Zlink calls: storing points, lines, splines and surfaces in the database,
// reading records back, knot removal, the B-spline form, the screen marks and the reusable point
// buffers. Input is checked before it reaches the kernel, and nothing that is not finite is stored or
// drawn: a refusal sets the flag to 0, stores nothing and leaves the database as it was.
#include <cmath>
#include <cstdint>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "core/database.h"
#include "core/frontend.h"
#include "core/geometry_services.h"
#include "core/stop_request.h"
#include "geometry/host_geometry.h"
#include "kernel/kernel.h"

namespace orv {
namespace {

std::string g_last_error;

bool refuse(const std::string& why) {
  g_last_error = why;
  return false;
}

bool finite3(const double* p) {
  return std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
}

// A buffer of points that grows (keeping its contents) up to a fixed bound, never shrinks, and
// refuses growth it cannot get instead of failing later.
class PointBuffer {
 public:
  explicit PointBuffer(int32_t bound) : bound_(bound) {}

  int32_t capacity() {
    ensure_initial();
    return capacity_;
  }
  pt_3d* data() {
    ensure_initial();
    return data_.get();
  }
  bool grow(int32_t count) {
    ensure_initial();
    if (count <= 0 || count > bound_) return false;
    if (count <= capacity_) return true;
    std::unique_ptr<pt_3d[]> bigger(new (std::nothrow) pt_3d[static_cast<size_t>(count)]);
    if (!bigger) return false;
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
  int32_t bound_;
};

PointBuffer& spline_buffer() {
  static PointBuffer b(kMaxSplineNodes);
  return b;
}
PointBuffer& surf_buffer() {
  static PointBuffer b(kMaxSurfPoints);
  return b;
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

bool store_spline(const pt_3d* points, int32_t count, uint8_t color, int32_t level, int start_kind,
                  int end_kind, db_list_ent_type** entry) {
  if (points == nullptr || count < 1) return refuse("spline: no points");
  if (start_kind != 1 || end_kind != 1) return refuse("spline: only free ends (kind 1) are offered");
  if (spline_buffer().overruns(points, count) || surf_buffer().overruns(points, count))
    return refuse("spline: more points than the buffer holds");
  std::vector<kernel::Point> pts = copy_points(points, count);
  if (!kernel::all_finite(pts)) return refuse("spline: a point is not finite");
  ent record;
  record.kind = ENT_SPLINE;
  std::string err;
  if (!kernel::interpolate_curve(pts, record.nb, err)) return refuse("spline: " + err);
  fill_unit_weights(record.nb);
  record.color = color;
  record.level = level;
  record.attrib = main_attrib;
  record.through = std::move(pts);
  db_list_ent_type* e = database().add(std::move(record));
  if (entry) *entry = e;
  return true;
}

bool store_surface(const pt_3d* points, int16_t rows, int16_t cols, uint8_t color, int32_t level,
                   int nurb, db_list_ent_type** entry) {
  if (points == nullptr || rows < 1 || cols < 1) return refuse("surface: no grid");
  int64_t count = int64_t{rows} * cols;
  if (spline_buffer().overruns(points, count) || surf_buffer().overruns(points, count))
    return refuse("surface: the grid is larger than the buffer holding it");
  std::vector<kernel::Point> pts = copy_points(points, count);
  if (!kernel::all_finite(pts)) return refuse("surface: a point is not finite");
  ent record;
  record.kind = nurb ? ENT_NURBS_SURFACE : ENT_SURFACE;
  std::string err;
  if (!kernel::interpolate_surface(pts, rows, cols, record.nb, err)) return refuse("surface: " + err);
  fill_unit_weights(record.nb);
  record.color = color;
  record.level = level;
  record.attrib = main_attrib;
  record.through = std::move(pts);
  record.rows = rows;
  record.cols = cols;
  db_list_ent_type* e = database().add(std::move(record));
  if (entry) *entry = e;
  return true;
}

bool is_curve_kind(int32_t kind) { return kind == ENT_SPLINE || kind == ENT_NURBS_CURVE; }
bool is_surface_kind(int32_t kind) { return kind == ENT_SURFACE || kind == ENT_NURBS_SURFACE; }

}  // namespace

std::string last_geometry_error() { return g_last_error; }

}  // namespace orv

using orv::database;

void store_ent(const ent* e, db_list_ent_type** entry, int flags, uint8_t color, int32_t level,
               attributes attrib, char* ok) {
  (void)flags;
  if (entry) *entry = nullptr;
  if (ok) *ok = 0;
  if (e == nullptr) return (void)orv::refuse("store: no record");
  ent record;
  record.kind = e->kind;
  for (int k = 0; k < 3; ++k) record.p1[k] = e->p1[k];
  if (e->kind == ENT_LINE) {
    for (int k = 0; k < 3; ++k) record.p2[k] = e->p2[k];
    if (!orv::finite3(record.p2)) return (void)orv::refuse("line: an end is not finite");
  } else if (e->kind != ENT_POINT) {
    return (void)orv::refuse("store: only points and lines are stored from a record");
  }
  if (!orv::finite3(record.p1)) return (void)orv::refuse("store: a point is not finite");
  record.color = color;
  record.level = level;
  record.attrib = attrib;
  try {
    db_list_ent_type* stored = database().add(std::move(record));
    if (entry) *entry = stored;
    if (ok) *ok = 1;
    orv::g_last_error.clear();
  } catch (const std::exception& ex) {
    orv::refuse(std::string("store: ") + ex.what());
  }
}

void make_spline_from_pts(const pt_3d* points, int32_t count, uint8_t color, int32_t level, int start_kind,
                          const double* start_vector, int end_kind, const double* end_vector, int flags,
                          db_list_ent_type** entry, char* ok) {
  // The end vectors only matter for end kinds other than the free end, which are not offered.
  (void)start_vector;
  (void)end_vector;
  (void)flags;
  if (entry) *entry = nullptr;
  if (ok) *ok = 0;
  try {
    if (orv::store_spline(points, count, color, level, start_kind, end_kind, entry)) {
      if (ok) *ok = 1;
      orv::g_last_error.clear();
    }
  } catch (const std::exception& ex) {
    orv::refuse(std::string("spline: ") + ex.what());
  }
}

void make_surf_from_pts(const pt_3d* points, int16_t rows, int16_t cols, int a, int b, int c, int d,
                        uint8_t color, int32_t level, int nurb, double* out, db_list_ent_type** entry,
                        char* ok) {
  (void)a;
  (void)b;
  (void)c;
  (void)d;
  if (out) *out = 0.0;  // no value is reported through it
  if (entry) *entry = nullptr;
  if (ok) *ok = 0;
  try {
    if (orv::store_surface(points, rows, cols, color, level, nurb, entry)) {
      if (ok) *ok = 1;
      orv::g_last_error.clear();
    }
  } catch (const std::exception& ex) {
    orv::refuse(std::string("surface: ") + ex.what());
  }
}

int get_ent_from_eptr(db_list_ent_type* entry, ent* out) {
  if (out == nullptr || !database().contains(entry)) return 1;
  *out = entry->record;
  return 0;
}

int remove_nodes(const ent* in, int flags, double tolerance, ent* out) {
  (void)flags;
  if (in == nullptr || out == nullptr || !orv::is_curve_kind(in->kind)) return 0;
  if (!std::isfinite(tolerance) || tolerance <= 0) return 0;
  try {
    nb_type reduced;
    if (!orv::kernel::reduce_knots(in->nb, tolerance, reduced)) return 0;
    orv::fill_unit_weights(reduced);
    ent copy = *in;
    copy.nb = std::move(reduced);
    copy.id = 0;
    *out = std::move(copy);
    return 1;
  } catch (const std::exception&) {
    return 0;
  }
}

void convert_entity_to_nurbs(const ent* in, ent* out) {
  if (out == nullptr) return;
  try {
    ent copy;
    std::string err;
    if (in != nullptr && orv::is_curve_kind(in->kind) && orv::kernel::check_curve(in->nb, err)) {
      copy = *in;
      copy.kind = ENT_NURBS_CURVE;
    } else if (in != nullptr && orv::is_surface_kind(in->kind) && orv::kernel::check_surface(in->nb, err)) {
      copy = *in;
      copy.kind = ENT_NURBS_SURFACE;
    } else if (in != nullptr && in->kind == ENT_LINE && orv::finite3(in->p1) && orv::finite3(in->p2)) {
      copy = *in;
      copy.kind = ENT_NURBS_CURVE;
      copy.nb = orv::kernel::line_curve({in->p1[0], in->p1[1], in->p1[2]}, {in->p2[0], in->p2[1], in->p2[2]});
      copy.through = {{in->p1[0], in->p1[1], in->p1[2]}, {in->p2[0], in->p2[1], in->p2[2]}};
    }
    // Anything else has no B-spline form: `out` becomes an empty record (kind 0).
    orv::fill_unit_weights(copy.nb);
    copy.id = 0;
    *out = std::move(copy);
  } catch (const std::exception&) {
    *out = ent{};
  }
}

void delete_ent(db_list_ent_type* entry, int a, int b, int c, char* flag, int d) {
  (void)a;
  (void)b;
  (void)c;
  (void)d;
  bool removed = database().remove(entry);
  if (flag) *flag = removed ? 1 : 0;
}

void put_nurbs_in_db(const nb_type* nb, uint8_t color, int32_t level, const attributes* attrib, int flags,
                     db_list_ent_type** entry) {
  (void)flags;
  if (entry) *entry = nullptr;
  if (nb == nullptr) return (void)orv::refuse("nurbs: no record");
  try {
    nb_type copy = *nb;
    orv::fill_unit_weights(copy);
    std::string err;
    bool curve = copy.vdegree == 0 && copy.nv == 0;
    if (curve ? !orv::kernel::check_curve(copy, err) : !orv::kernel::check_surface(copy, err))
      return (void)orv::refuse("nurbs: " + err);
    ent record;
    record.kind = curve ? ENT_NURBS_CURVE : ENT_NURBS_SURFACE;
    record.color = color;
    record.level = level;
    record.attrib = attrib ? *attrib : main_attrib;
    record.nb = std::move(copy);
    db_list_ent_type* stored = database().add(std::move(record));
    if (entry) *entry = stored;
    orv::g_last_error.clear();
  } catch (const std::exception& ex) {
    orv::refuse(std::string("nurbs: ") + ex.what());
  }
}

void draw_3d_point(const double* point, uint8_t color) {
  if (point == nullptr || !orv::finite3(point)) return;
  orv::ScreenMark mark{{point[0], point[1], point[2]}, color};
  database().add_mark(mark);
}

void drw_3d_line(const l_3d* line, uint8_t color) {
  if (line == nullptr || !orv::finite3(line->p1) || !orv::finite3(line->p2)) return;
  orv::ScreenLine l{{line->p1[0], line->p1[1], line->p1[2]}, {line->p2[0], line->p2[1], line->p2[2]}, color};
  database().add_line(l);
}

// The front end shows progress and answers for the person; a stop signal ends any plot.
int plot_stop_requested(int64_t step, int64_t count) {
  bool stop = false;
  if (orv::FrontEnd* fe = orv::front_end()) stop = fe->plot_progress(step, count);
  return stop || orv::stop_signal() != 0 ? 1 : 0;
}

int32_t CSplineNodeMgr::get_max_n_spline_pts() { return orv::spline_buffer().capacity(); }
int CSplineNodeMgr::put_max_n_spline_pts(int32_t count) { return orv::spline_buffer().grow(count) ? 1 : 0; }
pt_3d* CSplineNodeMgr::get_spline_nodes1() { return orv::spline_buffer().data(); }

int32_t CSurfDataMgr::get_max_n_surf_patches() { return orv::surf_buffer().capacity(); }
int CSurfDataMgr::put_max_n_surf_patches(int32_t count) { return orv::surf_buffer().grow(count) ? 1 : 0; }
pt_3d* CSurfDataMgr::get_surf_data_ptr(int which) { return which == 0 ? orv::surf_buffer().data() : nullptr; }
