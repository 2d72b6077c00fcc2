// The status line's hints: whole hints only, the important ones kept, at the narrowest terminal
// and at 80 columns.
#include <gtest/gtest.h>

#include <algorithm>
#include "interaction/key_hints.h"
#include "frontend/terminal_screen.h"

namespace orv::frontend {
namespace {

using namespace interaction;  // the view's keys and the hints, as the terminal uses them

std::vector<std::string> shown(const std::string& line) {
  std::vector<std::string> out;
  const std::string sep = " \u00b7 ";
  std::size_t at = 0;
  while (!line.empty()) {
    std::size_t end = line.find(sep, at);
    out.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + sep.size();
  }
  return out;
}

TEST(KeyHints, FitLeavesOutWholeHintsTheLeastImportantFirst) {
  const std::vector<Hint> hints = {{"aaaa", 2}, {"bbbb", 0}, {"cccc", 1}, {"dd", 1}, {"eeee", 3}};
  struct Case {
    int width;
    const char* line;
  } cases[] = {
      {100, "aaaa \u00b7 bbbb \u00b7 cccc \u00b7 dd \u00b7 eeee"},
      {26, "aaaa \u00b7 bbbb \u00b7 cccc \u00b7 dd"},  // 30 needed for all: the last rank goes
      {16, "bbbb \u00b7 cccc \u00b7 dd"},
      {10, "bbbb \u00b7 dd"},  // cccc does not fit; dd, as important, does, and nothing less
      {4, "bbbb"},
      {3, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(fit_hints(hints, c.width), c.line) << c.width;
}

TEST(KeyHints, EveryPlaceFitsWithItsMainKeysAtEightyAndAtTheNarrowest) {
  const HintPlace places[] = {HintPlace::Frame,  HintPlace::MessageBox, HintPlace::Viewer,
                              HintPlace::Edit,   HintPlace::CheckBox,   HintPlace::List,
                              HintPlace::OpenList, HintPlace::Button,   HintPlace::OtherControl,
                              HintPlace::Graphics};
  for (int cols : {80, kMinCols}) {
    for (HintPlace place : places) {
      for (bool can_export : {false, true}) {
        const std::vector<Hint> hints = key_hints(place, can_export);
        const std::string line = fit_hints(hints, cols - 2);  // a cell clear at each end
        EXPECT_LE(text_cells(line), cols - 2) << line;
        // Every hint shown is one of the place's, whole; and every rank 0 hint is there.
        std::vector<std::string> parts = shown(line);
        for (const std::string& p : parts) {
          bool known = false;
          for (const Hint& h : hints) known = known || h.text == p;
          EXPECT_TRUE(known) << "cut or unknown: \"" << p << "\" in " << line;
        }
        for (const Hint& h : hints) {
          if (h.rank > 0) continue;
          EXPECT_NE(std::find(parts.begin(), parts.end(), h.text), parts.end()) << h.text << " missing at " << cols;
        }
        if (can_export && place != HintPlace::Graphics && place != HintPlace::MessageBox &&
            place != HintPlace::Viewer && place != HintPlace::OpenList) {
          EXPECT_NE(line.find("F3 export"), std::string::npos) << line;
        }
      }
    }
  }
  // At 80 columns a dialog's field still tells how to move on and how to leave.
  const std::string edit = fit_hints(key_hints(HintPlace::Edit, true), 78);
  EXPECT_NE(edit.find("Tab next"), std::string::npos) << edit;
  EXPECT_NE(edit.find("Esc cancel"), std::string::npos) << edit;
  EXPECT_NE(edit.find("F2 view"), std::string::npos) << edit;
  const std::string view = fit_hints(key_hints(HintPlace::Graphics, true), 78);
  EXPECT_NE(view.find("t b f k l r i views"), std::string::npos) << view;
  EXPECT_NE(view.find("+ - zoom"), std::string::npos) << view;
}

}  // namespace
}  // namespace orv::frontend
