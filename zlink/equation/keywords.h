// The keyword table: the 22 words of settings lines in fixed order. A row number is a keyword index;
// keyword-valued settings (the geometry kind, the angle unit) hold keyword indexes.
#pragma once
#include <cstdint>

enum class ValueKind : int32_t {
  KeywordValue = 0,  // the value is another keyword, held as its index
  NameValue = 1,     // the value is a variable name, held as its variable row
  NumberValue = 2,   // the value is a number
};

struct KeywordEntry {
  char name[20];
  ValueKind value_kind;
  uint8_t settable;  // 1: may stand left of "="; 0: a value word
  uint8_t is_set;    // 1 once a line of the file being read assigned it
  double number;     // the assigned number (NumberValue)
  int16_t index;     // the assigned keyword index or variable row; -1 when none
};

// ORDER KEYWORDS: the rows of KeywordTable.
enum KeywordIndex : int16_t {
  kw_angles, kw_degrees, kw_radians, kw_geometry,
  kw_draw, kw_points, kw_lines, kw_spline, kw_nurbs,
  kw_draw_surf, kw_points_surf, kw_parametric_surf, kw_nurbs_surf,
  kw_step_var1, kw_step_var2, kw_step_size1, kw_step_size2,
  kw_lower_limit1, kw_lower_limit2, kw_upper_limit1, kw_upper_limit2, kw_origin,
  keyword_count,  // 22
};

constexpr int first_curve_kind = kw_draw;      // 4
constexpr int first_surface_kind = kw_draw_surf;  // 9
constexpr int last_surface_kind = kw_nurbs_surf;  // 12

// 22 rows and one all-zero end row that no search reaches.
extern KeywordEntry KeywordTable[keyword_count + 1];

/// Row 0..21 of the first keyword named exactly `name`, or -1.
int find_keyword(const char* name);
/// Writes the row's number into `value` when the row is set; otherwise leaves it unchanged.
void take_keyword_number(int index, double* value);
