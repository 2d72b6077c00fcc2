// Keyword table: lookups and the fixed rows that settings lines and the writer depend on.
#include "equation/keywords.h"

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
