// The error hooks hand every argument on to the host's note service and nothing else. This program
// links no host, so the service is defined here and records what it is given.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "equation/compiler.h"
#include "orvantis/host_notes.h"

namespace {
struct Note {
  int status, number;
  bool has_text;
  std::string text;
};
std::vector<Note> g_notes;
}  // namespace

void note_zlink_status(int status, int number, const char* text) {
  g_notes.push_back({status, number, text != nullptr, text != nullptr ? text : ""});
}

TEST(ErrorHooks, PassTheirArgumentsOnUnchanged) {
  g_notes.clear();
  report_statement_error(-13, 8, "y = sqrt(5 - t)");
  report_status(-5);
  report_statement_error(105, 0, "");
  ASSERT_EQ(g_notes.size(), 3u);
  EXPECT_EQ(g_notes[0].status, -13);
  EXPECT_EQ(g_notes[0].number, 8);
  EXPECT_EQ(g_notes[0].text, "y = sqrt(5 - t)");
  EXPECT_EQ(g_notes[1].status, -5);
  EXPECT_EQ(g_notes[1].number, 0);
  EXPECT_FALSE(g_notes[1].has_text);  // a bare status carries no text
  EXPECT_EQ(g_notes[2].status, 105);
  EXPECT_TRUE(g_notes[2].has_text);   // an empty line is still a line
}
