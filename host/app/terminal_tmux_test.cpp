// The interactive host as a person meets it, in a real terminal (tmux): Enter takes the built-in
// example at the prompt, Alt+P plots it and the curve appears in the graphics window, Alt+O ends
// the run and the file is written back; F3 exports the geometry, and leaving with geometry that
// nothing keeps asks first; a refused spline is told in the graphics window until the
// next plot; a plot that would run for hours is stopped with Esc. Skipped when tmux is not installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/app_test_support.h"

namespace orv::app::testing {
namespace {

std::string shell_quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string command_output(const std::string& cmd) {
  std::string out;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

class Tmux {
 public:
  explicit Tmux(std::string socket) : socket_(std::move(socket)) {}
  ~Tmux() {
    std::system((base() + " kill-server 2>/dev/null").c_str());
    std::error_code ec;
    fs::remove_all(config_dir(), ec);
  }
  /// The configuration directory of the host under test, so that its recent files stay the test's.
  fs::path config_dir() const { return fs::temp_directory_path() / ("orv-config-" + socket_); }
  std::string base() const { return "tmux -L " + socket_; }
  bool start(const std::string& command, int cols, int rows) {
    // Without a display, so that the host chooses the terminal even where the tests run on a desktop.
    std::string cmd = base() + " new-session -d -s orv -x " + std::to_string(cols) + " -y " + std::to_string(rows) +
                      " " + shell_quote("unset DISPLAY WAYLAND_DISPLAY; export XDG_CONFIG_HOME=" +
                                        shell_quote(config_dir().string()) + "; " + command);
    return std::system(cmd.c_str()) == 0;
  }
  void keys(const std::string& k) { std::system((base() + " send-keys -t orv " + k).c_str()); }
  std::string screen() const { return command_output(base() + " capture-pane -p -t orv 2>/dev/null"); }
  /// Waits until the screen shows `text` (or `pred` holds); false after the timeout.
  template <class Pred>
  bool wait_for(Pred pred, int timeout_ms = 15000) {
    for (int waited = 0; waited < timeout_ms; waited += 100) {
      if (pred(screen())) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  bool wait_for_text(const std::string& text, int timeout_ms = 15000) {
    return wait_for([&](const std::string& s) { return s.find(text) != std::string::npos; }, timeout_ms);
  }

 private:
  std::string socket_;
};

// Braille cells (U+2800..U+28FF, UTF-8 E2 A0..A3 xx) other than the blank one: the drawn curve.
std::size_t braille_cells(const std::string& s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i + 2 < s.size(); ++i)
    if (static_cast<unsigned char>(s[i]) == 0xE2 && (static_cast<unsigned char>(s[i + 1]) & 0xFC) == 0xA0 &&
        !(static_cast<unsigned char>(s[i + 1]) == 0xA0 && static_cast<unsigned char>(s[i + 2]) == 0x80))
      ++n;
  return n;
}

TEST(Terminal, PlotTheBuiltInExampleAndKeepIt) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  Scratch s;
  fs::path eqn = s.main_dir() / "ZLINKS" / "kuvra.eqn";
  fs::copy_file(fs::path(ORV_TEST_DATA_SOURCE) / "ZLINKS" / "kuvra.eqn", eqn);
  fs::path exit_file = s / "exit";
  std::string run = "TERM=xterm-256color " + shell_quote(ORV_TEST_ORVANTIS) + " --main-dir " +
                    shell_quote(s.main_dir().string()) + " --temp-dir " + shell_quote(s.temp_dir().string()) +
                    " --transcript " + shell_quote((s / "t.jsonl").string()) + "; echo $? > " +
                    shell_quote(exit_file.string()) + "; sleep 60";
  Tmux tmux("orv-test-" + std::to_string(::getpid()));
  ASSERT_TRUE(tmux.start(run, 150, 48));

  // The file prompt, with the built-in example as its default.
  ASSERT_TRUE(tmux.wait_for_text("kuvra.eqn")) << tmux.screen();
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("Plot it")) << tmux.screen();
  EXPECT_TRUE(tmux.wait_for_text("Parametric Spli")) << tmux.screen();
  EXPECT_LT(braille_cells(tmux.screen()), 5u) << "nothing is drawn before the plot";

  tmux.keys("M-p");
  ASSERT_TRUE(tmux.wait_for([](const std::string& sc) { return braille_cells(sc) > 100; })) << tmux.screen();
  EXPECT_TRUE(tmux.wait_for_text("37 marks")) << tmux.screen();

  tmux.keys("M-o");
  // Nothing keeps the spline (no part file, no export): the host asks, and D leaves without it.
  ASSERT_TRUE(tmux.wait_for_text("Leave the host?")) << tmux.screen();
  tmux.keys("d");
  ASSERT_TRUE(tmux.wait_for([&](const std::string&) { return fs::exists(exit_file) && fs::file_size(exit_file) > 0; }))
      << tmux.screen();
  EXPECT_EQ(read_file(exit_file), "0\n");
  EXPECT_EQ(read_file(eqn),
            "step_var1 = t\nstep_size1 = 10\nlower_limit1 = 0\nupper_limit1 = 360\ngeometry = spline\n"
            "angles = degrees\norigin = 0, 0, 0\nx = cos(t)\ny = sin(t)\nz = t/360\n");
  std::vector<nlohmann::json> events = read_transcript(s / "t.jsonl");
  std::vector<nlohmann::json> q = events_of(events, "q_main");
  ASSERT_EQ(q.size(), 1u);
  EXPECT_EQ(q[0]["result"], 1);
}

TEST(Terminal, ARefusalStaysInTheGraphicsWindowUntilTheNextPlot) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  Scratch s;
  // Seven equal points: no spline passes through them, but they make lines (of no length).
  s.file("main/ZLINKS/kuvra.eqn",
         "step_var1 = t\nupper_limit1 = 6\nstep_size1 = 1\ngeometry = spline\nx = 1\ny = 1\nz = 1\n");
  fs::path exit_file = s / "exit";
  std::string run = "TERM=xterm-256color " + shell_quote(ORV_TEST_ORVANTIS) + " --main-dir " +
                    shell_quote(s.main_dir().string()) + " --temp-dir " + shell_quote(s.temp_dir().string()) +
                    "; echo $? > " + shell_quote(exit_file.string()) + "; sleep 60";
  Tmux tmux("orv-test-refusal-" + std::to_string(::getpid()));
  ASSERT_TRUE(tmux.start(run, 150, 48));
  ASSERT_TRUE(tmux.wait_for_text("kuvra.eqn")) << tmux.screen();
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("Plot it")) << tmux.screen();

  tmux.keys("M-p");
  ASSERT_TRUE(tmux.wait_for_text("refused: spline refused: all 7 points")) << tmux.screen();
  // Input that plots nothing leaves it: the list moves from Parametric Spline up to Lines.
  tmux.keys("BTab");
  tmux.keys("Up");
  ASSERT_TRUE(tmux.wait_for_text("Lines")) << tmux.screen();
  // On the list, Enter does not end the dialog: the status line does not say it would.
  EXPECT_TRUE(tmux.wait_for_text("\u2191\u2193 choose")) << tmux.screen();
  EXPECT_EQ(tmux.screen().find("Enter OK"), std::string::npos) << tmux.screen();
  EXPECT_NE(tmux.screen().find("refused: spline refused"), std::string::npos) << tmux.screen();
  // Enter opens the list over the dialog, above its button row; Esc closes it with nothing chosen.
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("Enter chooses")) << tmux.screen();
  EXPECT_NE(tmux.screen().find("NURB Spline"), std::string::npos) << tmux.screen();
  EXPECT_NE(tmux.screen().find("[  OK   ]"), std::string::npos) << tmux.screen();
  tmux.keys("Down");
  tmux.keys("Escape");
  ASSERT_TRUE(tmux.wait_for_text("Enter or Alt+↓ opens")) << tmux.screen();
  EXPECT_EQ(tmux.screen().find("NURB Spline"), std::string::npos) << tmux.screen();
  EXPECT_NE(tmux.screen().find("Lines"), std::string::npos) << tmux.screen();
  // Opened again, Down and Enter choose the next item; Up on the closed list goes back to Lines.
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("Enter chooses")) << tmux.screen();
  tmux.keys("Down");
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for([](const std::string& sc) {
    return sc.find("Parametric Spline") != std::string::npos && sc.find("Enter chooses") == std::string::npos;
  })) << tmux.screen();
  EXPECT_EQ(tmux.screen().find("NURB Spline"), std::string::npos) << tmux.screen();
  tmux.keys("Up");
  ASSERT_TRUE(tmux.wait_for_text("Lines")) << tmux.screen();
  // The next plot stores six lines without a refusal: the line goes.
  tmux.keys("M-p");
  EXPECT_TRUE(tmux.wait_for([](const std::string& sc) { return sc.find("refused:") == std::string::npos; }))
      << tmux.screen();

  tmux.keys("M-c");
  ASSERT_TRUE(tmux.wait_for_text("Leave the host?")) << tmux.screen();
  tmux.keys("d");
  ASSERT_TRUE(tmux.wait_for([&](const std::string&) { return fs::exists(exit_file) && fs::file_size(exit_file) > 0; }))
      << tmux.screen();
  EXPECT_EQ(read_file(exit_file), "0\n");
}

// The host as the README starts it, with nothing on the command line to keep the geometry.
std::string plain_run(Scratch& s, const fs::path& exit_file) {
  const fs::path eqn = s.main_dir() / "ZLINKS" / "kuvra.eqn";
  if (!fs::exists(eqn)) fs::copy_file(fs::path(ORV_TEST_DATA_SOURCE) / "ZLINKS" / "kuvra.eqn", eqn);
  return "TERM=xterm-256color " + shell_quote(ORV_TEST_ORVANTIS) + " --main-dir " +
         shell_quote(s.main_dir().string()) + " --temp-dir " + shell_quote(s.temp_dir().string()) +
         "; echo $? > " + shell_quote(exit_file.string()) + "; sleep 60";
}

// The graphics window's text as one line: each screen row between the window's left border and
// the next border, joined by blanks, runs of blanks folded, so that words wrapped over rows read on.
std::string graphics_words(const std::string& screen) {
  const std::string bar = "\u2502";
  std::string joined;
  std::size_t start = 0;
  while (start < screen.size()) {
    std::size_t end = screen.find('\n', start);
    if (end == std::string::npos) end = screen.size();
    const std::string row = screen.substr(start, end - start);
    start = end + 1;
    if (row.rfind(bar, 0) != 0) continue;
    const std::size_t close = row.find(bar, bar.size());
    joined += ' ';
    joined += row.substr(bar.size(), close == std::string::npos ? std::string::npos : close - bar.size());
  }
  std::string folded;
  for (char c : joined)
    if (c != ' ' || (!folded.empty() && folded.back() != ' ')) folded += c;
  return folded;
}

// A plot that kept only part of its points says so in the graphics window, with the line, the
// reason, the step and what was kept, until the next plot brings its own words.
TEST(Terminal, APlotThatEndsEarlySaysSoInTheGraphicsWindow) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  Scratch s;
  s.file("main/ZLINKS/kuvra.eqn",
         "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 10\nstep_size1 = 1\ngeometry = spline\nx = t\n"
         "y = sqrt(5 - t)\n");
  std::string run = "TERM=xterm-256color " + shell_quote(ORV_TEST_ORVANTIS) + " --main-dir " +
                    shell_quote(s.main_dir().string()) + " --temp-dir " + shell_quote(s.temp_dir().string()) +
                    "; sleep 60";
  Tmux tmux("orv-test-report-" + std::to_string(::getpid()));
  ASSERT_TRUE(tmux.start(run, 150, 48));
  ASSERT_TRUE(tmux.wait_for_text("kuvra.eqn")) << tmux.screen();
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("Plot it")) << tmux.screen();
  tmux.keys("M-p");
  const std::string spline_words =
      "kuvra.eqn:7: \"y = sqrt(5 - t)\": square root of a negative number at step 7 of 11: the spline ends there, "
      "through 6 of 11 points";
  ASSERT_TRUE(tmux.wait_for([&](const std::string& sc) { return graphics_words(sc).find(spline_words) != std::string::npos; }))
      << graphics_words(tmux.screen());
  // Lines instead (the list moves up from Parametric Spline): the next plot's words replace them.
  tmux.keys("BTab");
  tmux.keys("Up");
  ASSERT_TRUE(tmux.wait_for_text("Lines")) << tmux.screen();
  tmux.keys("M-p");
  ASSERT_TRUE(tmux.wait_for([](const std::string& sc) {
    return graphics_words(sc).find("at step 7 of 11: the plot ends there; 5 lines kept") != std::string::npos;
  })) << graphics_words(tmux.screen());
  EXPECT_EQ(graphics_words(tmux.screen()).find("the spline ends there"), std::string::npos);
}

TEST(Terminal, TheExportCommandWritesTheGeometryAndLeavingThenAsksNothing) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  Scratch s;
  fs::path exit_file = s / "exit", out = s / "helix.step", bad = s / "helix.dwg";
  Tmux tmux("orv-test-export-" + std::to_string(::getpid()));
  ASSERT_TRUE(tmux.start(plain_run(s, exit_file), 120, 36));
  ASSERT_TRUE(tmux.wait_for_text("kuvra.eqn")) << tmux.screen();
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("F3 export")) << tmux.screen();
  tmux.keys("M-p");
  ASSERT_TRUE(tmux.wait_for_text("37 marks")) << tmux.screen();

  // The prompt lists every format the exporters write, the last of the list too.
  tmux.keys("F3");
  ASSERT_TRUE(tmux.wait_for_text("Export to")) << tmux.screen();
  EXPECT_NE(tmux.screen().find(".r12.dxf):"), std::string::npos) << tmux.screen();
  // An extension no exporter knows: told in the prompt, which stays open; nothing written.
  tmux.keys(shell_quote(bad.string()));
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("helix.dwg: the format is chosen by the")) << tmux.screen();
  EXPECT_NE(tmux.screen().find("Export to"), std::string::npos) << tmux.screen();
  EXPECT_FALSE(fs::exists(bad));
  // The path stands in the field, selected: End and quick Backspaces correct its extension.
  tmux.keys("End BSpace BSpace BSpace");
  tmux.keys("step");
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("Wrote ")) << tmux.screen();
  ASSERT_TRUE(fs::exists(out));
  EXPECT_NE(read_file(out).find("B_SPLINE_CURVE"), std::string::npos);
  // Opened again, the last path is selected: what is typed replaces it.
  tmux.keys("F3");
  ASSERT_TRUE(tmux.wait_for_text("Export to")) << tmux.screen();
  tmux.keys("x");
  ASSERT_TRUE(tmux.wait_for([](const std::string& sc) { return sc.find("helix.step") == std::string::npos; }))
      << tmux.screen();
  tmux.keys("Escape");
  ASSERT_TRUE(tmux.wait_for_text("Export cancelled")) << tmux.screen();

  // Exported: OK leaves at once.
  tmux.keys("M-o");
  ASSERT_TRUE(tmux.wait_for([&](const std::string&) { return fs::exists(exit_file) && fs::file_size(exit_file) > 0; }))
      << tmux.screen();
  EXPECT_EQ(read_file(exit_file), "0\n");
}

TEST(Terminal, TheTraceLogIsShownInTheHostsViewerAndScrolled) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  Scratch s;
  fs::path exit_file = s / "exit";
  Tmux tmux("orv-test-trace-" + std::to_string(::getpid()));
  ASSERT_TRUE(tmux.start(plain_run(s, exit_file), 80, 24));
  ASSERT_TRUE(tmux.wait_for_text("kuvra.eqn")) << tmux.screen();
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("Plot it")) << tmux.screen();
  // Trace variables, then a plot: the log (37 steps of five lines) opens over the whole screen.
  tmux.keys("M-t");
  ASSERT_TRUE(tmux.wait_for_text("[x] Trace")) << tmux.screen();
  tmux.keys("M-p");
  ASSERT_TRUE(tmux.wait_for_text("kuvra.log")) << tmux.screen();
  ASSERT_TRUE(tmux.wait_for_text("lines 1-20 of ")) << tmux.screen();
  std::string sc = tmux.screen();
  EXPECT_NE(sc.find("x = cos(t)"), std::string::npos) << sc;
  EXPECT_NE(sc.find("t : 0.0000 --> 360.0000"), std::string::npos) << sc;
  EXPECT_EQ(sc.find("Plot it"), std::string::npos) << sc;  // the viewer covers the dialog
  EXPECT_NE(sc.find("q closes"), std::string::npos) << sc;  // the status line names the keys
  // A line, a page, the end, the start again.
  tmux.keys("Down");
  ASSERT_TRUE(tmux.wait_for_text("lines 2-21 of ")) << tmux.screen();
  tmux.keys("PageDown");
  ASSERT_TRUE(tmux.wait_for_text("lines 22-41 of ")) << tmux.screen();
  tmux.keys("End");
  ASSERT_TRUE(tmux.wait_for_text("t = 360")) << tmux.screen();
  tmux.keys("Home");
  ASSERT_TRUE(tmux.wait_for_text("lines 1-20 of ")) << tmux.screen();
  // A text in no line: told on the status line, the viewer stays where it was.
  tmux.keys("/");
  ASSERT_TRUE(tmux.wait_for_text("Find:")) << tmux.screen();
  tmux.keys("zzz Enter");
  ASSERT_TRUE(tmux.wait_for_text("Not found: zzz")) << tmux.screen();
  EXPECT_NE(tmux.screen().find("lines 1-20 of "), std::string::npos) << tmux.screen();
  // Found: the line with "t = 100" becomes the viewer's first (screen row 2, under the title line
  // and the viewer's caption).
  tmux.keys("/");
  ASSERT_TRUE(tmux.wait_for_text("Find:")) << tmux.screen();
  tmux.keys("'t = 100'");
  tmux.keys("Enter");
  auto row_of = [](const std::string& x, const std::string& text) {
    const std::size_t at = x.find(text);
    return at == std::string::npos ? -1 : static_cast<int>(std::count(x.begin(), x.begin() + at, '\n'));
  };
  ASSERT_TRUE(tmux.wait_for([&](const std::string& x) { return row_of(x, "t = 100") == 2; })) << tmux.screen();
  // q closes it and the dialog is back.
  tmux.keys("q");
  ASSERT_TRUE(tmux.wait_for([](const std::string& x) {
    return x.find("Plot it") != std::string::npos && x.find("kuvra.log") == std::string::npos;
  })) << tmux.screen();
  tmux.keys("M-c");
  ASSERT_TRUE(tmux.wait_for_text("Leave the host?")) << tmux.screen();
  tmux.keys("d");
  ASSERT_TRUE(tmux.wait_for([&](const std::string&) { return fs::exists(exit_file) && fs::file_size(exit_file) > 0; }))
      << tmux.screen();
  EXPECT_EQ(read_file(exit_file), "0\n");
}

TEST(Terminal, LeavingWithUnsavedGeometryAsksFirst) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  Scratch s;
  fs::path exit_file = s / "exit", out = s / "kept.png";
  Tmux tmux("orv-test-leave-" + std::to_string(::getpid()));
  ASSERT_TRUE(tmux.start(plain_run(s, exit_file), 80, 24));
  ASSERT_TRUE(tmux.wait_for_text("kuvra.eqn")) << tmux.screen();
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("Plot it")) << tmux.screen();
  tmux.keys("M-p");
  ASSERT_TRUE(tmux.wait_for_text("37 marks")) << tmux.screen();

  // Exported, then plotted again: the new geometry is not saved. Cancel asks, and nothing of the
  // export stands under the question.
  tmux.keys("F3");
  ASSERT_TRUE(tmux.wait_for_text("Export to")) << tmux.screen();
  tmux.keys(shell_quote((s / "first.png").string()));
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("Wrote ")) << tmux.screen();
  tmux.keys("M-p");
  ASSERT_TRUE(tmux.wait_for_text("74 marks")) << tmux.screen();
  tmux.keys("M-c");
  ASSERT_TRUE(tmux.wait_for_text("Leave the host?")) << tmux.screen();
  EXPECT_TRUE(tmux.wait_for_text("not saved")) << tmux.screen();
  EXPECT_EQ(tmux.screen().find("Wrote "), std::string::npos) << tmux.screen();
  // B: back to the plot as it was left, not to a file prompt.
  tmux.keys("b");
  ASSERT_TRUE(tmux.wait_for([](const std::string& sc) {
    return sc.find("Plot it") != std::string::npos && sc.find("Leave the host?") == std::string::npos;
  })) << tmux.screen();
  EXPECT_EQ(tmux.screen().find("File name"), std::string::npos) << tmux.screen();
  EXPECT_FALSE(fs::exists(exit_file));
  EXPECT_TRUE(tmux.wait_for_text("74 marks")) << tmux.screen();  // the geometry is still there

  // Ctrl+C asks too; S saves through the export prompt, then the host leaves.
  tmux.keys("C-c");
  ASSERT_TRUE(tmux.wait_for_text("Leave the host?")) << tmux.screen();
  tmux.keys("s");
  ASSERT_TRUE(tmux.wait_for_text("Export to")) << tmux.screen();
  tmux.keys(shell_quote(out.string()));
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for([&](const std::string&) { return fs::exists(exit_file) && fs::file_size(exit_file) > 0; }))
      << tmux.screen();
  EXPECT_EQ(read_file(exit_file), "0\n");
  EXPECT_TRUE(fs::exists(out));
}

TEST(Terminal, DiscardLeavesWithoutWriting) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  Scratch s;
  fs::path exit_file = s / "exit";
  Tmux tmux("orv-test-discard-" + std::to_string(::getpid()));
  ASSERT_TRUE(tmux.start(plain_run(s, exit_file), 120, 36));
  ASSERT_TRUE(tmux.wait_for_text("kuvra.eqn")) << tmux.screen();
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("Plot it")) << tmux.screen();
  // Nothing made yet: leaving asks nothing.
  tmux.keys("Escape");
  ASSERT_TRUE(tmux.wait_for([&](const std::string&) { return fs::exists(exit_file) && fs::file_size(exit_file) > 0; }))
      << tmux.screen();
  EXPECT_EQ(tmux.screen().find("Leave the host?"), std::string::npos);
  fs::remove(exit_file);

  Tmux again("orv-test-discard2-" + std::to_string(::getpid()));
  ASSERT_TRUE(again.start(plain_run(s, exit_file), 120, 36));
  ASSERT_TRUE(again.wait_for_text("kuvra.eqn")) << again.screen();
  again.keys("Enter");
  ASSERT_TRUE(again.wait_for_text("Plot it")) << again.screen();
  again.keys("M-p");
  ASSERT_TRUE(again.wait_for_text("37 marks")) << again.screen();
  again.keys("Escape");
  ASSERT_TRUE(again.wait_for_text("Leave the host?")) << again.screen();
  again.keys("d");
  ASSERT_TRUE(again.wait_for([&](const std::string&) { return fs::exists(exit_file) && fs::file_size(exit_file) > 0; }))
      << again.screen();
  EXPECT_EQ(read_file(exit_file), "0\n");
}

// The terminal shrunk to any size, down to one cell, at the file prompt, in the dialog beside a plot
// and at the leave question: each screen is drawn in what room there is, and once the terminal is
// big again the session goes on and ends as it would have.
TEST(Terminal, EveryScreenSurvivesAnySizeDownToOneCell) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  Scratch s;
  fs::path exit_file = s / "exit";
  Tmux tmux("orv-test-shrink-" + std::to_string(::getpid()));
  ASSERT_TRUE(tmux.start(plain_run(s, exit_file), 120, 36));
  auto ended = [&] { return fs::exists(exit_file) && fs::file_size(exit_file) > 0; };
  auto resize = [&](int cols, int rows) {
    const std::string before = tmux.screen();
    std::system((tmux.base() + " resize-window -t orv -x " + std::to_string(cols) + " -y " + std::to_string(rows))
                    .c_str());
    // The host redraws at the new size (or would have ended): either shows on the screen.
    tmux.wait_for([&](const std::string& now) { return now != before || ended(); }, 3000);
  };
  auto sweep = [&](const char* where) {
    const int sizes[][2] = {{15, 10}, {14, 24}, {10, 5}, {5, 3}, {2, 2}, {1, 1}, {40, 1}, {1, 40}, {59, 17}};
    for (const auto& size : sizes) {
      resize(size[0], size[1]);
      ASSERT_FALSE(ended()) << where << " at " << size[0] << " x " << size[1] << ": exit " << read_file(exit_file);
    }
    resize(120, 36);
  };

  ASSERT_TRUE(tmux.wait_for_text("kuvra.eqn")) << tmux.screen();
  sweep("the file prompt");
  ASSERT_TRUE(tmux.wait_for_text("kuvra.eqn")) << tmux.screen();
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("Plot it")) << tmux.screen();
  tmux.keys("M-p");
  ASSERT_TRUE(tmux.wait_for_text("37 marks")) << tmux.screen();
  sweep("the dialog");
  ASSERT_TRUE(tmux.wait_for_text("37 marks")) << tmux.screen();
  tmux.keys("Escape");
  ASSERT_TRUE(tmux.wait_for_text("Leave the host?")) << tmux.screen();
  sweep("the leave question");
  ASSERT_TRUE(tmux.wait_for_text("Leave the host?")) << tmux.screen();
  tmux.keys("d");
  ASSERT_TRUE(tmux.wait_for([&](const std::string&) { return ended(); })) << tmux.screen();
  EXPECT_EQ(read_file(exit_file), "0\n");
}

// A terminal that cannot show the dialogs gets one line and a failing exit, not a blank screen.
TEST(Terminal, ADumbOrTooSmallTerminalIsToldInOneLine) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  struct Case {
    const char* term;
    int cols, rows;
    const char* says;
  } cases[] = {
      {"dumb", 120, 36, "orvantis: the terminal: TERM=dumb cannot place text on the screen"},
      {"xterm-256color", 59, 30, "orvantis: the terminal: it is 59 x 30 cells; the dialogs need at least 60 x 18\n"},
      {"xterm-256color", 100, 17, "orvantis: the terminal: it is 100 x 17 cells; the dialogs need at least 60 x 18\n"},
  };
  int n = 0;
  for (const Case& c : cases) {
    Scratch s;
    fs::path exit_file = s / "exit", err_file = s / "err";
    std::string run = std::string("TERM=") + c.term + " " + shell_quote(ORV_TEST_ORVANTIS) + " --main-dir " +
                      shell_quote(s.main_dir().string()) + " --temp-dir " + shell_quote(s.temp_dir().string()) +
                      " 2> " + shell_quote(err_file.string()) + "; echo $? > " + shell_quote(exit_file.string()) +
                      "; sleep 60";
    // A server of its own for each case: the last one's may still be shutting down on its socket.
    Tmux tmux("orv-test-small-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
    ASSERT_TRUE(tmux.start(run, c.cols, c.rows));
    ASSERT_TRUE(tmux.wait_for([&](const std::string&) { return fs::exists(exit_file) && fs::file_size(exit_file) > 0; }))
        << c.term << " " << c.cols << " x " << c.rows << "\n" << tmux.screen();
    EXPECT_EQ(read_file(exit_file), "1\n") << c.term;
    const std::string err = read_file(err_file);
    EXPECT_EQ(err.rfind(c.says, 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
}

// Ctrl+Z takes back the last plot and F4 clears, with undo of the clear, each told on the status
// line; with --live, saving the equation file (as an editor does, through a rename) plots it again
// in place of the last plot, and a save with a broken line keeps the last good plot and says why.
// The part file holds what is on the screen at the end. The title names the file.
TEST(Terminal, UndoClearAndLiveEditOfTheEquationFile) {
  if (std::system("tmux -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "tmux is not installed";
  Scratch s;
  const fs::path eqn = s.main_dir() / "ZLINKS" / "kuvra.eqn";
  fs::copy_file(fs::path(ORV_TEST_DATA_SOURCE) / "ZLINKS" / "kuvra.eqn", eqn);
  const fs::path exit_file = s / "exit", part = s / "part.json";
  const std::string run = "TERM=xterm-256color " + shell_quote(ORV_TEST_ORVANTIS) + " --live --main-dir " +
                          shell_quote(s.main_dir().string()) + " --temp-dir " + shell_quote(s.temp_dir().string()) +
                          " --part " + shell_quote(part.string()) + "; echo $? > " + shell_quote(exit_file.string()) +
                          "; sleep 60";
  Tmux tmux("orv-test-live-" + std::to_string(::getpid()));
  ASSERT_TRUE(tmux.start(run, 150, 48));
  ASSERT_TRUE(tmux.wait_for_text("kuvra.eqn")) << tmux.screen();
  tmux.keys("Enter");
  ASSERT_TRUE(tmux.wait_for_text("kuvra.eqn \u2014 Orvantis")) << tmux.screen();
  tmux.keys("M-p");
  ASSERT_TRUE(tmux.wait_for_text("1 curve, 37 marks")) << tmux.screen();
  tmux.keys("M-p");
  ASSERT_TRUE(tmux.wait_for_text("2 curves, 74 marks")) << tmux.screen();

  tmux.keys("C-z");
  ASSERT_TRUE(tmux.wait_for_text("Undid the last plot: 1 spline, 37 marks")) << tmux.screen();
  EXPECT_TRUE(tmux.wait_for_text("1 curve, 37 marks")) << tmux.screen();
  tmux.keys("F4");
  ASSERT_TRUE(tmux.wait_for_text("Cleared 1 spline, 37 marks")) << tmux.screen();
  EXPECT_TRUE(tmux.wait_for_text("nothing drawn yet")) << tmux.screen();
  tmux.keys("C-z");
  ASSERT_TRUE(tmux.wait_for_text("Undid the clear: 1 spline, 37 marks back")) << tmux.screen();
  EXPECT_TRUE(tmux.wait_for_text("1 curve, 37 marks")) << tmux.screen();

  // Saved by an editor: the new text beside the file, renamed over it. Half the helix.
  auto save = [&](const std::string& text) {
    const fs::path temp = eqn.string() + ".new";
    write_file(temp, text);
    fs::rename(temp, eqn);
  };
  const std::string half = "step_var1 = t\nstep_size1 = 10\nlower_limit1 = 0\nupper_limit1 = 180\n"
                           "geometry = spline\nangles = degrees\nx = cos(t)\ny = sin(t)\nz = t/360\n";
  save(half);
  ASSERT_TRUE(tmux.wait_for_text("Live edit: kuvra.eqn plotted again: 1 spline, 19 marks")) << tmux.screen();
  EXPECT_TRUE(tmux.wait_for_text("1 curve, 19 marks")) << tmux.screen();
  // A broken line: the file is read, the line is not, and the last good plot stays.
  save(half + "y = (t\n");
  ASSERT_TRUE(tmux.wait_for_text("has lines that are not read")) << tmux.screen();
  EXPECT_TRUE(tmux.wait_for([](const std::string& sc) {
    return graphics_words(sc).find("the parentheses do not balance") != std::string::npos;
  })) << tmux.screen();
  EXPECT_NE(tmux.screen().find("1 curve, 19 marks"), std::string::npos) << tmux.screen();

  tmux.keys("Escape");  // Cancel: the part file keeps the geometry, nothing is asked
  ASSERT_TRUE(tmux.wait_for([&](const std::string&) { return fs::exists(exit_file) && fs::file_size(exit_file) > 0; }))
      << tmux.screen();
  EXPECT_EQ(read_file(exit_file), "0\n");
  const nlohmann::json saved = nlohmann::json::parse(read_file(part), nullptr, false);
  ASSERT_FALSE(saved.is_discarded());
  ASSERT_EQ(saved["entities"].size(), 1u) << saved.dump().substr(0, 300);
  EXPECT_EQ(saved["entities"][0]["through"].size(), 19u);
  EXPECT_EQ(saved["screen"]["marks"].size(), 19u);
  // The recent files went to the configuration directory of the run.
  EXPECT_EQ(read_file(tmux.config_dir() / "orvantis" / "recent"), fs::absolute(eqn).lexically_normal().string() + "\n");
}

}  // namespace
}  // namespace orv::app::testing

// A plot that would run for hours shows its progress, Esc stops it, and the dialog answers again.
