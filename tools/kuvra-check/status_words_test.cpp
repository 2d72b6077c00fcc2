// The checker and the host take a status's words from the one table of the sdk: every failing status
// of the equation language must have a row there, or both would print a bare number.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "equation/limits.h"
#include "orvantis/zlink_status_words.h"
#include "status_messages.h"

namespace {

constexpr int kFailingStatuses[] = {
    status_name_too_long, status_too_many_tokens, status_table_full,    status_no_storage,
    status_no_value,      status_wrong_sort,      status_bad_number,    status_unbalanced,
    status_no_assignment, status_missing_operand, status_division_by_zero, status_sqrt_negative,
    status_acos_domain,   status_asin_domain,     status_log_negative,  status_row_out_of_range,
    status_constant,      status_right_undefined,
};

TEST(StatusWords, EveryFailingStatusOfTheLanguageHasItsOwnWords) {
  std::set<std::string> seen;
  for (int status : kFailingStatuses) {
    const char* words = orvantis::find_zlink_status_words(status);
    ASSERT_NE(words, nullptr) << "status " << status << " has no words";
    EXPECT_TRUE(seen.insert(words).second) << "status " << status << " shares its words: " << words;
    EXPECT_EQ(status_message(status), std::string(words));
    EXPECT_EQ(orvantis::zlink_status_words(status), words);
  }
  // The table holds the language's statuses and nothing else.
  EXPECT_EQ(std::size(orvantis::kZlinkStatusWords), std::size(kFailingStatuses));
}

TEST(StatusWords, AStatusWithoutWordsFallsBackOnEachSideToItsOwnText) {
  EXPECT_EQ(orvantis::find_zlink_status_words(status_ok), nullptr);
  EXPECT_EQ(orvantis::zlink_status_words(7), "status 7");
  EXPECT_STREQ(status_message(7), "the line failed");
  EXPECT_STREQ(status_message(status_unbalanced), "the parentheses do not balance");
}

}  // namespace
