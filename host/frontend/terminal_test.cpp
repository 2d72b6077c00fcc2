// The terminal front end: its braille graphics, the dialog layout and hits, and the whole front end driven through tmux as a person would (keys in, screen text out).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>
#include "core/host.h"
#include "frontend/terminal_canvas.h"
#include "frontend/terminal_dialogs.h"
#include "frontend/terminal_frontend.h"
#include "platform/window_system.h"
#include "view/test_shapes.h"

namespace orv::frontend {
namespace {

// ---- Braille graphics ----

TEST(BrailleCanvas, DotsLandInTheirCellsAndBits) {
  BrailleCanvas c(3, 2);
  EXPECT_EQ(c.dot_width(), 6);
  EXPECT_EQ(c.dot_height(), 8);
  c.dot(0, 0, 4);
  c.dot(1, 3, 4);
  EXPECT_EQ(c.bits(0, 0), 0x01 | 0x80);
  EXPECT_EQ(c.glyph(0, 0), "\u2881");
  c.dot(5, 7, 9);
  EXPECT_EQ(c.bits(2, 1), 0x80);
  EXPECT_EQ(c.color(2, 1), 9);
  c.dot(-1, 0, 1);  // outside: nothing, no fault
  c.dot(6, 0, 1);
  c.dot(0, 8, 1);
  EXPECT_EQ(c.row_text(1), "  \u2880");
  c.clear();
  EXPECT_EQ(c.bits(0, 0), 0);
  EXPECT_EQ(c.row_text(0), "   ");
}

TEST(BrailleCanvas, LinesAreUnbrokenAndClipped) {
  BrailleCanvas c(10, 5);  // 20 x 20 dots
  c.line(0, 0, 19, 19, 10);
  for (int i = 0; i < 20; ++i) EXPECT_NE(c.bits(i / 2, i / 4) & 0xFF, 0) << i;
  c.clear();
  // A line from far outside crosses the canvas without hanging or drawing outside.
  c.line(-1e9, 10, 1e9, 10, 10);
  int lit = 0;
  for (int col = 0; col < 10; ++col) lit += c.bits(col, 2) != 0;
  EXPECT_EQ(lit, 10);
  c.clear();
  c.line(NAN, 0, 5, 5, 10);
  c.line(-50, -50, -40, -60, 10);
  for (int r = 0; r < 5; ++r) EXPECT_EQ(c.row_text(r), std::string(10, ' '));
}

TEST(BrailleCanvas, SceneIsFittedRoundAndKeepsItsColours) {
  GeometryDatabase db;
  EntityData circle = view::shapes::helix(1.0, 0.0, 1.0, 24, 12);  // a flat circle: no height
  db.add(circle);
  db.add_mark({{0, 0, 0}, 14});
  BrailleCanvas c(40, 20);  // 80 x 80 dots
  draw_scene(c, view::make_scene(db));
  int minx = 99, maxx = -1, miny = 99, maxy = -1;
  bool mark_colour = false;
  for (int r = 0; r < c.rows(); ++r) {
    for (int col = 0; col < c.cols(); ++col) {
      if (!c.bits(col, r)) continue;
      minx = std::min(minx, col), maxx = std::max(maxx, col), miny = std::min(miny, r), maxy = std::max(maxy, r);
      if (c.color(col, r) == 14) mark_colour = true;
    }
  }
  EXPECT_TRUE(mark_colour);
  // The circle seen isometrically is an ellipse sqrt(3) times wider than tall, filling the width.
  EXPECT_LE(minx, 2);
  EXPECT_GE(maxx, 37);
  double cells_w = maxx - minx + 1, cells_h = (maxy - miny + 1) * 2.0;  // a cell is two dots by four
  EXPECT_NEAR(cells_w / cells_h, std::sqrt(3.0), 0.25);
}

// ---- Clicks on the host's windows ----

const ControlTemplate kTestControls[] = {
    {1026, CTL_GROUPBOX, "Variable 1", 9, 9, 212, 82, WS_VISIBLE},
    {1013, CTL_STATIC, "Name", 19, 22, 93, 10, WS_VISIBLE},
    {1010, CTL_EDIT, "", 147, 23, 49, 12, WS_VISIBLE | WS_TABSTOP | WS_BORDER},
    {1016, CTL_AUTOCHECKBOX, "Use &degrees", 26, 77, 71, 9, WS_VISIBLE | WS_TABSTOP},
    {1027, CTL_DROPDOWNLIST, "", 23, 100, 73, 60, WS_VISIBLE | WS_TABSTOP},
    {1, CTL_OWNERDRAW_BUTTON, "&OK", 114, 182, 36, 18, WS_VISIBLE | WS_TABSTOP},
    {2, CTL_OWNERDRAW_BUTTON, "&Cancel", 154, 182, 36, 18, WS_VISIBLE | WS_TABSTOP},
};
const DialogTemplate kTestDialog = {101, "Variables", 234, 207, 8, "MS Sans Serif", WS_POPUP | WS_CAPTION,
                                    kTestControls, 7};

class ClickTest : public ::testing::Test {
 protected:
  Host host_;
  UseHost use_host_{host_};
  void SetUp() override { dialog_ = host_.windows.create_dialog(kTestDialog, nullptr, nullptr); }
  void TearDown() override { host_.windows.reset(); }
  Window& control(int index) { return *host_.windows.find(host_.windows.find(dialog_)->children[index]); }
  HWND dialog_ = nullptr;
};

TEST_F(ClickTest, ClicksBecomeControlClicksCloseAndListChoices) {
  // Placed at (10, 3) on a screen too small for it: scaled down, and clicks follow the scale.
  PlacedWindow p = place_window(host_.windows, dialog_, 10, 3, 50, 20);
  EXPECT_LE(p.w, 50);
  EXPECT_LE(p.h, 20);
  UiEvent e;
  CellRect ok = control_cells(control(5), p.scale);
  ASSERT_TRUE(click_event(p, p.x + ok.x + 1, p.y + ok.y + (ok.h - 1) / 2, e));
  EXPECT_EQ(e.kind, UiEvent::Kind::Click);
  EXPECT_EQ(e.id, 1);
  ASSERT_TRUE(click_event(p, p.x + p.w - 3, p.y, e));
  EXPECT_EQ(e.kind, UiEvent::Kind::Close);
  CellRect label = control_cells(control(1), p.scale);
  EXPECT_FALSE(click_event(p, p.x + label.x, p.y + label.y, e));  // a label is no target
  EXPECT_FALSE(click_event(p, p.x + p.w + 5, p.y + 2, e));

  // An open list: its rows below the field are its items; a click beside it closes it.
  Window& list = control(4);
  list.items = {"Draw Spline", "Points", "Lines", "Parametric Spline"};
  list.cur_sel = 1;
  list.dropped = true;
  PlacedWindow q = place_window(host_.windows, dialog_, 0, 0, 120, 40);
  CellRect r = control_cells(list, q.scale);
  ASSERT_TRUE(click_event(q, r.x + 2, r.y + 3, e));
  EXPECT_EQ(e.kind, UiEvent::Kind::Select);
  EXPECT_EQ(e.id, 1027);
  EXPECT_EQ(e.index, 2);
  ASSERT_TRUE(click_event(q, r.x + 2, r.y, e));  // the field itself: a click (it closes)
  EXPECT_EQ(e.kind, UiEvent::Kind::Click);
  ASSERT_TRUE(click_event(q, q.w - 10, q.h - 3, e));
  EXPECT_EQ(e.kind, UiEvent::Kind::Key);
  EXPECT_EQ(e.text, "Esc");
}

TEST(ClearOfRow, AWindowMovesOffTheRowBelowItOrElseAboveIt) {
  struct Case {
    int y, h, row, top, bottom, want;
  };
  const Case cases[] = {
      {5, 4, 3, 1, 30, 5},    // the row is above the window already
      {5, 4, 9, 1, 30, 5},    // ... or just below it
      {5, 4, 5, 1, 30, 6},    // on its first row: just below the row
      {5, 4, 8, 1, 30, 9},    // on its last row
      {20, 8, 22, 1, 30, 14},  // no room below (23 + 8 > 30): just above
      {20, 8, 22, 1, 31, 23},  // exactly room below
      {2, 8, 5, 1, 12, 2},    // room on neither side: left where it was
  };
  for (const Case& c : cases)
    EXPECT_EQ(clear_of_row(c.y, c.h, c.row, c.top, c.bottom), c.want) << c.y << " " << c.h << " " << c.row;
}

TEST_F(ClickTest, AMessageBoxMovesOffTheFieldThatHasTheFocus) {
  WindowSystem& ws = host_.windows;
  Window& edit = control(2);
  ws.find(dialog_)->focus = edit.handle;
  std::vector<PlacedWindow> below = {place_window(host_.windows, dialog_, 0, 1, 120, 40)};
  CellRect field;
  ASSERT_TRUE(focused_control_cells(below[0], field));
  EXPECT_EQ(field.y, 5);  // 23 units down: the frame's row, three cells, and the placement's row
  HWND box = ws.create(WindowKind::MessageBox, dialog_);
  HWND stranger = ws.create(WindowKind::MessageBox, nullptr);
  struct Case {
    HWND window;
    int x;
    int want_y;
  };
  const Case cases[] = {
      {box, field.x - 5, field.y + 1},  // over the field: moved just below it
      {box, field.x + field.w, 3},      // beside it: left alone
      {stranger, field.x - 5, 3},       // a box about something else: left alone
      {dialog_, field.x - 5, 3},        // not a message box
  };
  for (const Case& c : cases) {
    PlacedWindow p{&host_.windows, c.window, c.x, 3, 40, 6, {}};
    keep_field_in_sight(p, below, 1, 39);
    EXPECT_EQ(p.y, c.want_y) << c.x;
  }
}

// ---- Prompt pieces ----

TEST(WrapText, BreaksAtBlanksCutsLongWordsAndMarksWhatIsLeftOut) {
  struct Case {
    const char* text;
    int width, max_lines;
    std::vector<std::string> lines;
  } cases[] = {
      {"spline refused: point 3 of 7", 40, 3, {"spline refused: point 3 of 7"}},
      {"spline refused: point 3 of 7", 16, 3, {"spline refused:", "point 3 of 7"}},
      {"spline refused: point 3 of 7", 15, 3, {"spline refused:", "point 3 of 7"}},
      {"abcdefghij xy", 4, 3, {"abcd", "xy"}},
      {"one two three four five six", 9, 2, {"one two", "three..."}},
      {"one two three", 3, 1, {"..."}},
      {"  spaced   out  ", 20, 2, {"spaced out"}},
      {"", 10, 3, {}},
      {"anything", 0, 3, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> got = wrap_text(c.text, c.width, c.max_lines);
    EXPECT_EQ(got, c.lines) << c.text << " in " << c.width;
    for (const std::string& l : got) EXPECT_LE(text_cells(l), c.width) << l;
  }
}

// ---- The front end in a real terminal (tmux) ----

std::string run(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

class TmuxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v tmux >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
    socket_ = "orv_term_" + std::to_string(::getpid());
    char tmpl[] = "/tmp/orv_tmux_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    result_ = dir_ + "/result";
    // The editor the demo hands the terminal to: it appends a line to the file it is given.
    std::string editor = dir_ + "/editor.sh";
    std::ofstream(editor) << "#!/bin/sh\necho \"edited by the test\" >> \"$1\"\n";
    ::chmod(editor.c_str(), 0755);
    // The demo program (testdata/terminal_demo.cpp) writes its result to the file it is given.
    std::string inner = "env TMPDIR=" + dir_ + " VISUAL=" + editor +
                        " LANG=C.UTF-8 LC_ALL=C.UTF-8 TERM=tmux-256color '" ORV_TERMINAL_DEMO "' " + result_;
    ASSERT_EQ(std::system((tmux() + " new-session -d -s demo -x 100 -y 30 \"" + inner + "\"").c_str()), 0);
    started_ = true;
  }
  void TearDown() override {
    if (started_) std::system((tmux() + " kill-server >/dev/null 2>&1").c_str());
    if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
  }
  std::string tmux() const { return "tmux -u -f /dev/null -L " + socket_; }
  std::string screen() { return run(tmux() + " capture-pane -p -t demo"); }
  void keys(const std::string& k) { std::system((tmux() + " send-keys -t demo " + k).c_str()); }
  // Waits up to 10 s for the screen to satisfy `ok` and to have settled (the same on two captures
  // in a row, so a redraw in progress is never taken for its result); returns the last screen
  // seen. Not getting there is a failure of its own, with the screen as it was.
  std::string wait_for(const std::function<bool(const std::string&)>& ok) {
    std::string s, before;
    for (int i = 0; i < 200; ++i) {
      s = screen();
      if (ok(s) && s == before) return s;
      before = s;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ADD_FAILURE() << "the screen never got there:\n" << s;
    return s;
  }
  std::string wait_for_text(const std::string& text) {
    return wait_for([&](const std::string& s) { return s.find(text) != std::string::npos; });
  }
  static bool has(const std::string& s, const std::string& t) { return s.find(t) != std::string::npos; }
  static std::string line_with(const std::string& s, const std::string& t) {
    std::istringstream in(s);
    std::string line;
    while (std::getline(in, line)) {
      if (has(line, t)) return line;
    }
    return "";
  }
  // Presses and releases the left button on the first cell of `text` on the screen `s`, as a
  // terminal reports it in the SGR form (ESC [ < button ; column ; row M, m for the release, from 1).
  void click_on(const std::string& s, const std::string& text) {
    std::istringstream in(s);
    std::string line;
    for (int row = 0; std::getline(in, line); ++row) {
      std::size_t at = line.find(text);
      if (at == std::string::npos) continue;
      int col = 0;
      for (std::size_t i = 0; i < at; ++i) col += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
      const std::string cell = std::to_string(col + 1) + ";" + std::to_string(row + 1);
      mouse("\033[<0;" + cell + "M");
      mouse("\033[<0;" + cell + "m");
      return;
    }
    ADD_FAILURE() << "nothing to click: " << text;
  }
  // Sends `report` (a mouse report as a terminal writes it, from its ESC on) into the pane byte
  // for byte.
  void mouse(const std::string& report) {
    std::string hex;
    for (unsigned char c : report) {
      char b[4];
      std::snprintf(b, sizeof b, " %02x", c);
      hex += b;
    }
    std::system((tmux() + " send-keys -t demo -H" + hex).c_str());
  }
  static int braille_cells(const std::string& s) {
    int n = 0;
    for (std::size_t i = 0; i + 2 < s.size(); ++i) n += static_cast<unsigned char>(s[i]) == 0xE2 &&
                                                      (static_cast<unsigned char>(s[i + 1]) & 0xFC) == 0xA0;
    return n;
  }
  // What the demo returned, once it has ended (-1 when it did not end within 5 s).
  // The demo's result once it has been written whole (the file may exist before its text does);
  // -1 when none comes within 10 s.
  int demo_result() {
    for (int i = 0; i < 200; ++i) {
      std::ifstream in(result_);
      std::string word;
      int result = -1;
      if (in >> word >> result) return result;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
  }
  std::string socket_, dir_, result_;
  bool started_ = false;
};

TEST_F(TmuxTest, APersonSeesTheDialogBesideTheCurveAndDrivesIt) {
  // The dialog beside the graphics window, with the helix drawn in braille.
  std::string s = wait_for_text("Plot it");
  ASSERT_TRUE(has(s, "Helix demo")) << s;
  EXPECT_TRUE(has(s, "Graphics \u00b7 isometric")) << s;
  EXPECT_TRUE(has(s, "1 curve")) << s;
  EXPECT_GT(braille_cells(s), 60) << s;
  EXPECT_TRUE(has(s, "[ ] Show marks")) << s;
  EXPECT_TRUE(has(s, "Radius")) << s;
  EXPECT_TRUE(has(line_with(s, "\u25bc"), "Helix")) << s;  // the closed list shows its current item

  // A mouse click ticks the check box (as the terminal reports a press), Alt+P plots: the
  // graphics now holds the marks too.
  click_on(s, "[ ] Show marks");
  s = wait_for_text("[x] Show marks");
  ASSERT_TRUE(has(s, "[x] Show marks")) << s;
  keys("M-p");
  s = wait_for_text("73 marks");
  EXPECT_TRUE(has(s, "1 curve, 73 marks")) << s;

  // A number that does not parse: the host's message box, then back to the dialog.
  keys("M-r");
  keys("abc");
  keys("M-p");
  s = wait_for_text("is not a number");
  EXPECT_TRUE(has(s, "\"abc\" is not a number.")) << s;
  keys("Enter");
  s = wait_for([](const std::string& x) { return !has(x, "is not a number") && has(x, "Plot it"); });
  EXPECT_TRUE(has(s, "abc")) << s;  // the field keeps what was typed, for correcting
  keys("M-r");
  keys("2");
  keys("Tab");

  // The point pick: a prompt for x, y, z; Esc abandons it and the dialog comes back.
  keys("M-g");
  s = wait_for_text("Pick a point");
  EXPECT_TRUE(has(s, "all three in X")) << s;
  EXPECT_FALSE(has(s, "Plot it")) << s;  // the dialog hides while the pick runs
  keys("Escape");
  s = wait_for_text("Plot it");
  EXPECT_TRUE(has(s, "Origin 0, 0, 0")) << s;  // abandoned: nothing changes
  // Esc and Alt+N arriving together: the Esc ends the prompt, Alt+N opens the viewer, then q.
  keys("M-g");
  wait_for_text("Pick a point");
  keys("Escape M-n");
  s = wait_for_text("note line 1");
  keys("q");
  wait_for([](const std::string& x) { return !has(x, "note line") && has(x, "Plot it"); });
  // A pick typed as "x, y, z"; a malformed one is refused in the prompt first.
  keys("M-g");
  wait_for_text("Pick a point");
  keys("'1, 2'");  // the field's text is selected: typing replaces it
  keys("Enter");
  s = wait_for_text("Three numbers");
  EXPECT_TRUE(has(s, "Pick a point")) << s;
  EXPECT_TRUE(has(s, "X \"1, 2\" is not a number")) << s;
  keys("End");  // the focus stayed on X, its text selected again
  keys("'., 3'");
  keys("Enter");
  s = wait_for_text("Origin 1, 2, 3");
  EXPECT_TRUE(has(s, "Plot it")) << s;
  EXPECT_TRUE(has(line_with(s, "1 curve"), "origin 1, 2, 3")) << s;  // at the graphics window's foot

  // The viewer: scroll, search, close.
  keys("M-n");
  s = wait_for_text("lines 1-");
  EXPECT_TRUE(has(s, "Helix demo")) << s;
  keys("/");
  keys("answer");
  keys("Enter");
  s = wait_for_text("the answer");
  EXPECT_TRUE(has(s, "note line 42  the answer")) << s;
  keys("q");
  s = wait_for([](const std::string& x) { return !has(x, "note line") && has(x, "Plot it"); });
  EXPECT_FALSE(has(s, "note line")) << s;

  // The editor gets the terminal and the file; the screen comes back, and the viewer shows its work.
  keys("M-e");
  s = wait_for_text("Plot it");
  keys("M-n");
  wait_for_text("lines 1-");
  keys("End");  // the editor added its line at the end
  s = wait_for_text("edited by the test");
  EXPECT_TRUE(has(s, "edited by the test")) << s;
  click_on(s, "[\u00d7]");  // the viewer's close box, over the whole screen
  wait_for([](const std::string& x) { return !has(x, "note line") && has(x, "Plot it"); });

  // The file prompt: the path field with the default, the folder's matching files, folders to walk.
  keys("M-f");
  s = wait_for_text("File name");
  EXPECT_TRUE(has(s, "notes.txt")) << s;
  EXPECT_TRUE(has(s, "../")) << s;
  EXPECT_FALSE(has(s, ">notes.txt")) << s;  // nothing is selected for the person
  // A double-click on "../" climbs one level: its folders, and no file that is not .txt.
  click_on(s, "../");
  click_on(s, "../");
  // The path field names the private folder already, so wait for the listing itself to change.
  s = wait_for([](const std::string& x) { return has(x, "orvantis-") && !has(x, "notes.txt"); });
  EXPECT_FALSE(has(s, "editor.sh")) << s;
  EXPECT_FALSE(has(s, "notes.txt")) << s;
  keys("Down Down Enter");  // past "../", back down into the private folder
  s = wait_for_text("notes.txt");
  keys("Down Down Enter");  // past "../", the file
  s = wait_for_text("File notes.txt");
  EXPECT_TRUE(has(s, "Plot it")) << s;

  // A smaller terminal: everything is drawn again to fit.
  std::system((tmux() + " resize-window -t demo -x 80 -y 24").c_str());
  s = wait_for([](const std::string& x) {
    std::istringstream in(x);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) ++n;
    return n <= 24 && has(x, "OK") && has(x, "Plot it");
  });
  EXPECT_TRUE(has(s, "Cancel")) << s;
  EXPECT_TRUE(has(s, "Helix demo")) << s;

  // Esc cancels the dialog and the run ends.
  keys("Escape");
  EXPECT_EQ(demo_result(), 1);
}

TEST_F(TmuxTest, TheViewKeysTurnZoomAndNameTheView) {
  std::string s = wait_for_text("Plot it");
  ASSERT_TRUE(has(s, "Graphics \u00b7 isometric")) << s;
  EXPECT_TRUE(has(s, "F2 view")) << s;  // the way in is on the status line
  const std::string iso = s;
  keys("F2");
  s = wait_for_text("keys on view");
  EXPECT_TRUE(has(s, "t b f k l r i views")) << s;
  EXPECT_TRUE(has(s, "+ - zoom")) << s;
  // A typed letter goes to the view, not to the focused field.
  keys("t");
  s = wait_for_text("Graphics \u00b7 top");
  EXPECT_NE(s, iso);
  keys("Right");
  s = wait_for_text("Graphics \u00b7 turned");
  keys("+");
  s = wait_for_text("zoomed");
  keys("0");
  s = wait_for([](const std::string& x) { return x.find("zoomed") == std::string::npos; });
  EXPECT_TRUE(has(s, "Graphics \u00b7 turned")) << s;  // fit keeps the direction
  keys("f");
  s = wait_for_text("Graphics \u00b7 front");
  // The wheel over the graphics window zooms (a terminal reports it as button 4: 64 + 32).
  std::system((tmux() + " send-keys -t demo -H 1b 5b 4d 60 30 30").c_str());
  s = wait_for_text("front \u00b7 zoomed");
  keys("0");
  s = wait_for([](const std::string& x) { return x.find("zoomed") == std::string::npos; });
  // Esc gives the keys back to the dialog, which is as it was; the view stays.
  keys("Escape");
  s = wait_for([](const std::string& x) { return x.find("keys on view") == std::string::npos; });
  EXPECT_TRUE(has(s, "F2 view")) << s;
  EXPECT_TRUE(has(s, "Graphics \u00b7 front")) << s;
  EXPECT_TRUE(has(s, "Plot it")) << s;
  keys("M-c");
}

TEST_F(TmuxTest, AMouseDragOnTheGraphicsTurnsTheView) {
  std::string s = wait_for_text("Plot it");
  ASSERT_TRUE(has(s, "Graphics \u00b7 isometric")) << s;
  const std::string iso = s;
  // The left button pressed on the graphics window, moved with it held, released (SGR form).
  mouse("\033[<0;10;12M");
  mouse("\033[<32;16;12M");
  mouse("\033[<32;22;14M");
  s = wait_for_text("Graphics \u00b7 turned");
  EXPECT_TRUE(s != iso) << s;  // the helix drawn from elsewhere
  mouse("\033[<0;22;14m");
  // Once released, motion turns nothing.
  const std::string turned = wait_for_text("Graphics \u00b7 turned");
  mouse("\033[<32;30;20M");
  keys("F2");  // something that shows, to know the motion was read before it
  s = wait_for_text("keys on view");
  keys("Escape");
  s = wait_for([](const std::string& x) { return !has(x, "keys on view"); });
  EXPECT_TRUE(s == turned) << s << "\nbefore:\n" << turned;
  // A named view, then the older report form (press, motion, release as button 3) turns it too.
  keys("F2 t Escape");
  s = wait_for([](const std::string& x) { return has(x, "Graphics \u00b7 top") && !has(x, "keys on view"); });
  mouse("\033[M\x20\x2a\x2c");
  mouse("\033[M\x40\x30\x2c");
  mouse("\033[M\x23\x30\x2c");
  s = wait_for_text("Graphics \u00b7 turned");
  EXPECT_TRUE(has(s, "Plot it")) << s;  // the dialog took none of it
  keys("M-c");
}

TEST_F(TmuxTest, CtrlCEndsTheInputEvenInsideAPrompt) {
  wait_for_text("Plot it");
  keys("M-g");
  wait_for_text("Pick a point");
  keys("C-c");
  EXPECT_EQ(demo_result(), 2);  // the input ended: the event loop stopped without OK or Cancel
}

}  // namespace
}  // namespace orv::frontend
