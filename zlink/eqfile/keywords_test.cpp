// Keyword table: lookups and the fixed rows that settings lines and the writer depend on.
#include "eqfile/keywords.h"

#include "equation/language_test_support.h"

namespace {

using Keywords = LanguageTest;

TEST_F(Keywords, FindKeywordIsExactAndStopsAtTheLastRow) {
  EXPECT_EQ(find_keyword("geometry"), 3);
  EXPECT_EQ(find_keyword("origin"), 21);
  EXPECT_EQ(find_keyword("nurbs_surf"), 12);
  for (const char* miss : {"Geometry", "origin2", "", "step_var", "degrees "}) {
    EXPECT_EQ(find_keyword(miss), -1) << miss;
  }
}

TEST_F(Keywords, RowsHaveTheirKindsAndRoles) {
  const char* names[keyword_count] = {
      "angles", "degrees", "radians", "geometry", "draw", "points", "lines", "spline", "nurbs",
      "draw_surf", "points_surf", "parametric_surf", "nurbs_surf", "step_var1", "step_var2",
      "step_size1", "step_size2", "lower_limit1", "lower_limit2", "upper_limit1", "upper_limit2",
      "origin"};
  for (int k = 0; k < keyword_count; ++k) {
    EXPECT_STREQ(KeywordTable[k].name, names[k]);
    EXPECT_EQ(find_keyword(names[k]), k);
    bool settable = k == kw_angles || k == kw_geometry || k >= kw_step_var1;
    EXPECT_EQ(KeywordTable[k].settable, settable ? 1 : 0) << names[k];
    ValueKind kind = k >= kw_step_size1 ? ValueKind::NumberValue
                     : k >= kw_step_var1 ? ValueKind::NameValue : ValueKind::KeywordValue;
    EXPECT_EQ(KeywordTable[k].value_kind, kind) << names[k];
  }
  EXPECT_EQ(KeywordTable[keyword_count].name[0], '\0');
}

TEST_F(Keywords, TakeKeywordNumberOnlyFromSetRows) {
  double value = 7.0;
  KeywordTable[kw_step_size1].number = 0.1;
  take_keyword_number(kw_step_size1, &value);
  EXPECT_EQ(value, 7.0);
  KeywordTable[kw_step_size1].is_set = 1;
  take_keyword_number(kw_step_size1, &value);
  EXPECT_EQ(value, 0.1);
  take_keyword_number(-1, &value);
  take_keyword_number(keyword_count, &value);
  EXPECT_EQ(value, 0.1);
}

}  // namespace
