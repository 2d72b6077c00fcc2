// The recording host; see recording_host.h. Point buffers are zero-filled on demand (calloc), so a
// buffer sized for a large grid costs only the pages the dry run actually writes.
#include "recording_host.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "orvantis/afx.h"
#include "orvantis/host_dialogs.h"
#include "orvantis/resource_format.h"
#include "orvantis/host_files.h"
#include "orvantis/host_geometry.h"
#include "orvantis/host_notes.h"
#include "kernel/fit_checks.h"
#include "kernel/host_defaults.h"

extern "C" const ResourceTable zlink_resources;

// A database entry of the recording: which made shape it stands for.
struct db_list_ent_type {
  size_t shape;
  int32_t level;
};

namespace {

HostRecord g_record;
bool g_keep_points = false;

void keep_points(const pt_3d* points, int64_t count) {
  if (!g_keep_points || points == nullptr || count <= 0) return;
  g_record.fitted_points.resize(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i)
    g_record.fitted_points[static_cast<size_t>(i)] = {points[i][0], points[i][1], points[i][2]};
}
std::deque<db_list_ent_type> g_entries;  // stable addresses for the plot's entry pointers

// A point buffer that grows like the host's, up to its bound, keeping its points.
class RecordingBuffer {
 public:
  RecordingBuffer(const char* name, int32_t bound) : name_(name), bound_(bound) {}
  ~RecordingBuffer() { std::free(data_); }
  int32_t capacity() {
    ensure();
    return capacity_;
  }
  pt_3d* data() {
    ensure();
    return data_;
  }
  /// True when the buffer holds `count` points; false with the host's words in `why` when not.
  bool grow(int32_t count, std::string& why) {
    ensure();
    why = orv::fit::buffer_size_refusal(name_, count, bound_);
    if (!why.empty()) return false;
    if (count <= capacity_) return true;
    void* bigger = std::calloc(static_cast<size_t>(count), sizeof(pt_3d));
    if (bigger == nullptr) {
      why = orv::fit::buffer_memory_refusal(name_, count);
      return false;
    }
    if (data_ != nullptr) std::memcpy(bigger, data_, sizeof(pt_3d) * static_cast<size_t>(capacity_));
    std::free(data_);
    data_ = static_cast<pt_3d*>(bigger);
    capacity_ = count;
    return true;
  }

 private:
  void ensure() {
    if (data_ != nullptr) return;
    data_ = static_cast<pt_3d*>(std::calloc(orv::kInitialBufferPoints, sizeof(pt_3d)));
    capacity_ = data_ != nullptr ? orv::kInitialBufferPoints : 0;
  }
  pt_3d* data_ = nullptr;
  int32_t capacity_ = 0;
  const char* name_;
  int32_t bound_;
};

// Named as the host names its buffers, so that a refusal reads as the host's.
RecordingBuffer g_spline_buffer("spline buffer", orv::kMaxSplineNodes);
RecordingBuffer g_surface_buffer("surface buffer", orv::kMaxSurfPoints);

using orv::fit::finite_point;

db_list_ent_type* add_shape(MadeShape shape, int32_t level) {
  g_record.shapes.push_back(std::move(shape));
  g_entries.push_back({g_record.shapes.size() - 1, level});
  return &g_entries.back();
}

// A spline or surface asked of the host: recorded whether or not it was refused (a refusal has its
// `why`); the entry and `ok` answer as the host does, null and 0 for a refusal.
void add_fitted_shape(MadeShape shape, int32_t level, db_list_ent_type** entry, char* ok) {
  shape.refused = !shape.why.empty();
  const bool taken = !shape.refused;
  db_list_ent_type* made = add_shape(std::move(shape), level);
  if (entry) *entry = taken ? made : nullptr;
  if (ok) *ok = taken ? 1 : 0;
}

void note_refused_entity(int64_t* counter) {
  if (g_record.refused_points + g_record.refused_lines == 0) g_record.first_refused_step = g_record.current_run;
  ++*counter;
}

// A refusal is kept for the report; a later growth that succeeds does not clear it.
int grow_recorded(RecordingBuffer& buffer, int32_t count) {
  std::string why;
  if (buffer.grow(count, why)) return 1;
  g_record.buffer_refusal = why;
  return 0;
}

}  // namespace

HostRecord& host_record() { return g_record; }

void keep_plotted_points(bool keep) { g_keep_points = keep; }

void reset_host_record(int64_t stop_after) {
  g_record = HostRecord{};
  g_record.stop_after = stop_after;
  g_entries.clear();
}

// ---- Globals ----
uint8_t main_color = orv::kStartMainColor;
uint8_t gr_back_color = orv::kStartBackColor;
int32_t main_level = orv::kStartMainLevel;
attributes main_attrib{};
double surf_step_chord_dev = orv::kStartChordDeviation;
int16_t n_places_an = orv::kStartTracePlaces;
double tol = orv::kStartLeastStep;

// ---- Geometry ----
void store_ent(const ent* e, db_list_ent_type** entry, int, uint8_t, int32_t, attributes, char* ok) {
  if (entry) *entry = nullptr;
  if (ok) *ok = 0;
  if (e == nullptr) return;
  if (e->kind == ENT_POINT) {
    if (!finite_point(e->p1)) return note_refused_entity(&g_record.refused_points);
    ++g_record.stored_points;
  } else if (e->kind == ENT_LINE) {
    if (!finite_point(e->p1) || !finite_point(e->p2)) return note_refused_entity(&g_record.refused_lines);
    ++g_record.stored_lines;
    if (g_keep_points) {
      if (g_record.line_ends.empty()) g_record.line_ends.push_back({e->p1[0], e->p1[1], e->p1[2]});
      g_record.line_ends.push_back({e->p2[0], e->p2[1], e->p2[2]});
    }
  } else {
    return;
  }
  if (ok) *ok = 1;
}

void make_spline_from_pts(const pt_3d* points, int32_t count, uint8_t, int32_t level, int start_kind,
                          const double*, int end_kind, const double*, int, db_list_ent_type** entry, char* ok) {
  MadeShape shape;
  shape.kind = MadeShape::Spline;
  shape.points = count;
  keep_points(points, count);
  shape.why = orv::fit::spline_refusal(points, count, start_kind, end_kind);
  add_fitted_shape(std::move(shape), level, entry, ok);
}

void make_surf_from_pts(const pt_3d* points, int16_t rows, int16_t cols, int, int, int, int, uint8_t, int32_t level,
                        int nurb, double* out, db_list_ent_type** entry, char* ok) {
  if (out) *out = 0.0;
  MadeShape shape;
  shape.kind = nurb ? MadeShape::NurbsSurface : MadeShape::Surface;
  shape.rows = rows;
  shape.cols = cols;
  shape.points = int64_t{rows} * cols;
  shape.why = orv::fit::surface_refusal(points, rows, cols);
  keep_points(points, shape.points);
  g_record.fitted_rows = rows;
  g_record.fitted_cols = cols;
  add_fitted_shape(std::move(shape), level, entry, ok);
}

int get_ent_from_eptr(db_list_ent_type* entry, ent* out) {
  if (entry == nullptr || out == nullptr || g_record.shapes[entry->shape].deleted) return 1;
  const MadeShape& shape = g_record.shapes[entry->shape];
  *out = ent{};
  out->kind = shape.kind == MadeShape::Spline ? ENT_SPLINE : ENT_SURFACE;
  out->level = entry->level;
  out->nb.nu = static_cast<int32_t>(std::min<int64_t>(shape.points, INT32_MAX));  // carries the point count on
  return 0;
}

int remove_nodes(const ent*, int, double, ent*) { return 0; }  // the shape stays as made

void convert_entity_to_nurbs(const ent* in, ent* out) {
  if (out == nullptr) return;
  *out = ent{};
  if (in == nullptr || in->kind != ENT_SPLINE) return;
  out->kind = ENT_NURBS_CURVE;
  out->nb.udegree = 3;
  out->nb.nu = in->nb.nu;
}

void delete_ent(db_list_ent_type* entry, int, int, int, char* flag, int) {
  bool present = entry != nullptr && !g_record.shapes[entry->shape].deleted;
  if (present) g_record.shapes[entry->shape].deleted = true;
  if (flag) *flag = present ? 1 : 0;
}

void put_nurbs_in_db(const nb_type* nb, uint8_t, int32_t level, const attributes*, int, db_list_ent_type** entry) {
  if (entry) *entry = nullptr;
  if (nb == nullptr || nb->vdegree != 0 || nb->nu < 2) return;
  MadeShape shape;
  shape.kind = MadeShape::NurbsCurve;
  shape.points = nb->nu;
  db_list_ent_type* made = add_shape(std::move(shape), level);
  if (entry) *entry = made;
}

void draw_3d_point(const double* point, uint8_t) {
  if (point != nullptr && finite_point(point)) ++g_record.marks;
}

void drw_3d_line(const l_3d* line, uint8_t) {
  if (line != nullptr && finite_point(line->p1) && finite_point(line->p2)) ++g_record.screen_lines;
}

int plot_stop_requested(int64_t step, int64_t) {
  if (g_record.stop_after > 0 && step >= g_record.stop_after) g_record.stop_answered = true;
  return g_record.stop_answered ? 1 : 0;
}

void point_proc(const char*, char*, double*, char* ok) {
  if (ok) *ok = 0;
}
void clean_pt(char, double*) {}

int32_t CSplineNodeMgr::get_max_n_spline_pts() { return g_spline_buffer.capacity(); }
int CSplineNodeMgr::put_max_n_spline_pts(int32_t count) { return grow_recorded(g_spline_buffer, count); }
pt_3d* CSplineNodeMgr::get_spline_nodes1() { return g_spline_buffer.data(); }

int32_t CSurfDataMgr::get_max_n_surf_patches() { return g_surface_buffer.capacity(); }
int CSurfDataMgr::put_max_n_surf_patches(int32_t count) { return grow_recorded(g_surface_buffer, count); }
pt_3d* CSurfDataMgr::get_surf_data_ptr(int which) { return which == 0 ? g_surface_buffer.data() : nullptr; }

// ---- Files: a dry run writes no trace log and shows nothing ----
const char* GetTempDirectory() { return nullptr; }
void list_filename(const char*, const char*, const char*) {}

// The dry run hears of failing statements from the plotters themselves, with the step variables'
// values, so the notes add nothing to it.
void note_zlink_status(int, int, const char*) {}
// The checker reads the settings itself; the plot's own note of them is not needed.
void note_plot_settings(const QXPlotSettings*) {}

// ---- The message box and the Zlink's string table ----
int message_box_ok(const char* text, const char*, int, HWND) {
  if (g_record.message.empty() && text != nullptr) g_record.message = text;
  return 1;  // IDOK
}

HINSTANCE AfxGetResourceHandle() { return nullptr; }

extern "C" int LoadStringA(HINSTANCE, UINT id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  for (int32_t i = 0; i < zlink_resources.string_count; ++i) {
    const StringEntry& s = zlink_resources.strings[i];
    if (s.id != static_cast<int32_t>(id)) continue;
    size_t n = std::min(std::strlen(s.text), static_cast<size_t>(size - 1));
    std::memcpy(buffer, s.text, n);
    buffer[n] = '\0';
    return static_cast<int>(n);
  }
  return 0;
}
