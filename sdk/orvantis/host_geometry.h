// The host's geometry services and globals, as the Zlink calls them. Every flag argument is a char
// that the host sets non-zero on success. Points are three doubles x, y, z; colours 8-bit.
// Non-finite coordinates never enter the database: the store calls refuse them (flag 0).
#pragma once
#include <array>
#include <cstdint>
#include <vector>

using pt_3d = double[3];

struct attributes {   // the host's drawing attributes of an entity, passed by value
  int32_t line_style = 0;
  int32_t line_width = 1;
  int32_t flags = 0;
};

enum EntityKind : int32_t {
  ENT_POINT = 1,
  ENT_LINE = 2,
  ENT_SPLINE = 3,         // parametric spline: the interpolating cubic through its points
  ENT_NURBS_CURVE = 4,
  ENT_SURFACE = 5,        // parametric surface through a grid
  ENT_NURBS_SURFACE = 6,
};

struct nb_type {  // a B-spline curve (vdegree 0, nv 0) or surface; rational when the weights differ
  int32_t udegree = 0, vdegree = 0;
  int32_t nu = 0, nv = 0;                    // poles along u (rows) and v
  std::vector<double> uknots, vknots;        // full knot vectors, each knot repeated by its multiplicity
  std::vector<std::array<double, 3>> poles;  // curve: nu; surface: nu x nv, row-major (i along u)
  std::vector<double> weights;               // the same shape as poles
};

struct ent {  // an entity record: filled by the Zlink for points and lines, read back for the rest
  int32_t kind = 0;
  double p1[3] = {0, 0, 0};  // point: the point; line: the start
  double p2[3] = {0, 0, 0};  // line: the end
  uint8_t color = 0;
  int32_t level = 0;
  attributes attrib{};
  nb_type nb;                // curves and surfaces: the B-spline form
};

struct db_list_ent_type;  // a database entry; opaque to the Zlink

struct l_3d {
  double p1[3];
  double p2[3];
};

// Globals of the host.
extern uint8_t main_color;           // colour of new entities (10)
extern uint8_t gr_back_color;        // background colour of the graphics window
extern int32_t main_level;           // level of new entities (1)
extern attributes main_attrib;       // attributes of new entities
extern double surf_step_chord_dev;   // knot-removal tolerance (0.001)
extern int16_t n_places_an;          // number precision (4)
extern double tol;                   // least step size (0.0001)

/// Stores a point (kind 1, p1) or line (kind 2, p1 to p2); only kind and coordinates are read from `e`.
void store_ent(const ent* e, db_list_ent_type** entry, int flags, uint8_t color, int32_t level,
               attributes attrib, char* ok);

/// Stores a parametric spline through `count` points: the interpolating cubic with chord-length
/// parameters. End kind 1 is a free end (its vector is not used); other end kinds are refused.
/// Repeated consecutive points count once; fewer than two distinct points are refused (flag 0).
void make_spline_from_pts(const pt_3d* points, int32_t count, uint8_t color, int32_t level, int start_kind,
                          const double* start_vector, int end_kind, const double* end_vector, int flags,
                          db_list_ent_type** entry, char* ok);

/// Stores a parametric (nurb 0) or NURB (nurb 1) surface through a row-major grid of rows x cols points
/// (bicubic where the grid allows, lower degree for 2 or 3 rows or points). a, b, c, d are not used;
/// `out` is set to 0. A grid smaller than 2 x 2 is refused (flag 0).
void make_surf_from_pts(const pt_3d* points, int16_t rows, int16_t cols, int a, int b, int c, int d,
                        uint8_t color, int32_t level, int nurb, double* out, db_list_ent_type** entry,
                        char* ok);

/// Reads the entity record of a database entry; 0 when read, non-zero for an entry that is not (or
/// no longer) in the database.
int get_ent_from_eptr(db_list_ent_type* entry, ent* out);
/// Removes knots of a curve while it stays within `tolerance` of the original as a whole; non-zero
/// when `out` holds a reduced copy.
int remove_nodes(const ent* in, int flags, double tolerance, ent* out);
/// The exact B-spline form of a curve, line or surface record, as a NURB record (out->nb, kind 4 or
/// 6); a record without one (a point) gives an empty record (kind 0).
void convert_entity_to_nurbs(const ent* in, ent* out);
/// Removes the entity of `entry` from the database; `flag` set when it was there.
void delete_ent(db_list_ent_type* entry, int a, int b, int c, char* flag, int d);
/// Stores a NURB curve (vdegree 0, nv 0) or surface from its B-spline data; a record that is not a
/// well-formed B-spline is not stored (`entry` null). Empty weights mean all 1.
void put_nurbs_in_db(const nb_type* nb, uint8_t color, int32_t level, const attributes* attrib, int flags,
                     db_list_ent_type** entry);

/// Screen marks only; never stored. A mark that is not finite is not drawn.
void draw_3d_point(const double* point, uint8_t color);
void drw_3d_line(const l_3d* line, uint8_t color);

/// Asked by the plotters every 1024 steps (grid points) of a plot: `step` of `count` are done.
/// Returns non-zero when the user asked to stop the plot; the host shows progress with it.
int plot_stop_requested(int64_t step, int64_t count);

/// Asks the user for a point, written into `point` in place; `ok` set when picked. clean_pt then
/// clears the pick's marking.
void point_proc(const char* prompt, char* code, double* point, char* ok);
void clean_pt(char code, double* point);

// The host's reusable point buffers; capacity in points. Growth keeps the points held and fails
// (returns 0, capacity unchanged) past 1048576 points for splines and 4194304 for surfaces, or when
// the memory cannot be had. A count the buffer already holds succeeds without change.
class CSplineNodeMgr {
 public:
  static int32_t get_max_n_spline_pts();
  static int put_max_n_spline_pts(int32_t count);  // non-zero when grown
  static pt_3d* get_spline_nodes1();
};
class CSurfDataMgr {
 public:
  static int32_t get_max_n_surf_patches();
  static int put_max_n_surf_patches(int32_t count);
  static pt_3d* get_surf_data_ptr(int which);
};
