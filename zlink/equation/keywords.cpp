// The keyword table: the settings vocabulary as data. Rows 0..21 are searched in order; the all-zero
// end row is never matched, so no search or loop goes past row 21.
#include "equation/keywords.h"

#include <cstring>

#define KW(name, kind, settable) {name, ValueKind::kind, settable, 0, 0.0, -1}

// ORDER KEYWORDS: the rows stay in step with KeywordIndex.
KeywordEntry KeywordTable[keyword_count + 1] = {
    KW("angles", KeywordValue, 1),       KW("degrees", KeywordValue, 0),
    KW("radians", KeywordValue, 0),      KW("geometry", KeywordValue, 1),
    KW("draw", KeywordValue, 0),         KW("points", KeywordValue, 0),
    KW("lines", KeywordValue, 0),        KW("spline", KeywordValue, 0),
    KW("nurbs", KeywordValue, 0),        KW("draw_surf", KeywordValue, 0),
    KW("points_surf", KeywordValue, 0),  KW("parametric_surf", KeywordValue, 0),
    KW("nurbs_surf", KeywordValue, 0),   KW("step_var1", NameValue, 1),
    KW("step_var2", NameValue, 1),       KW("step_size1", NumberValue, 1),
    KW("step_size2", NumberValue, 1),    KW("lower_limit1", NumberValue, 1),
    KW("lower_limit2", NumberValue, 1),  KW("upper_limit1", NumberValue, 1),
    KW("upper_limit2", NumberValue, 1),  KW("origin", NumberValue, 1),
    {"", ValueKind::KeywordValue, 0, 0, 0.0, 0},
};
#undef KW
static_assert(sizeof(KeywordTable) / sizeof(KeywordTable[0]) == keyword_count + 1, "ORDER KEYWORDS");

int find_keyword(const char* name) {
  for (int row = 0; row < keyword_count; ++row) {
    if (std::strcmp(KeywordTable[row].name, name) == 0) return row;
  }
  return -1;
}

void take_keyword_number(int index, double* value) {
  if (index < 0 || index >= keyword_count) return;
  if (KeywordTable[index].is_set == 1) *value = KeywordTable[index].number;
}
