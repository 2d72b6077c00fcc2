// End to end: the built orvantis running the built kuvra.so, driven by headless scripts, checked by
// its transcript, its exit status and the files it leaves.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "app/app_test_support.h"

namespace orv::app::testing {
namespace {

const std::string kOrvantis = ORV_TEST_ORVANTIS;
const fs::path kExamples = ORV_TEST_EXAMPLES;

const char kHelix[] =
    "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 360\nstep_size1 = 10\ngeometry = spline\n"
    "angles = degrees\nx = cos(t)\ny = sin(t)\nz = t/360\n";

// The helix as the writer lays it out, with the origin `origin`.
std::string helix_written(const std::string& angles = "degrees", const std::string& origin = "0, 0, 0") {
  return "step_var1 = t\nstep_size1 = 10\nlower_limit1 = 0\nupper_limit1 = 360\ngeometry = spline\n"
         "angles = " + angles + "\norigin = " + origin + "\nx = cos(t)\ny = sin(t)\nz = t/360\n";
}

const char kSurface[] =
    "step_var1 = u\nlower_limit1 = 0\nupper_limit1 = 360\nstep_size1 = 30\n"
    "step_var2 = v\nlower_limit2 = -1\nupper_limit2 = 1\nstep_size2 = 0.5\n"
    "geometry = parametric_surf\nangles = degrees\n"
    "x = (10 + v)*cos(u)\ny = (10 + v)*sin(u)\nz = v\n";

const char kSurfaceWritten[] =
    "step_var1 = u\nstep_size1 = 30\nlower_limit1 = 0\nupper_limit1 = 360\n"
    "step_var2 = v\nstep_size2 = 0.5\nlower_limit2 = -1\nupper_limit2 = 1\n"
    "geometry = parametric_surf\nangles = degrees\norigin = 0, 0, 0\n"
    "x = (10 + v)*cos(u)\ny = (10 + v)*sin(u)\nz = v\n";

class AppRun : public ::testing::Test {
 protected:
  Scratch s;
  std::vector<nlohmann::json> events;

  std::vector<std::string> common_args() const {
    return {"--main-dir", s.main_dir().string(), "--temp-dir", s.temp_dir().string(), "--transcript",
            (s / "transcript.jsonl").string()};
  }

  /// Runs orvantis on `script` (its lines), reading the transcript afterwards.
  Outcome script(const std::string& text, std::vector<std::string> extra = {}) {
    fs::path path = s.file("script.txt", text);
    std::vector<std::string> args{"--script", path.string()};
    for (const std::string& a : common_args()) args.push_back(a);
    args.insert(args.end(), extra.begin(), extra.end());
    Outcome r = run_program(kOrvantis, args, "", s.root());
    events = read_transcript(s / "transcript.jsonl");
    return r;
  }

  int q_main_result() const {
    std::vector<nlohmann::json> q = events_of(events, "q_main");
    return q.size() == 1 ? q[0]["result"].get<int>() : -1;
  }
};

// ---- the command line and the refusals ---------------------------------------------------------

TEST_F(AppRun, RefusesWhatItCannotUseWithOneLine) {
  struct Case {
    std::vector<std::string> args;
    const char* says;
  };
  const Case cases[] = {
      {{"--places", "many"}, "--places"},
      {{"--bogus"}, "--bogus"},
      {{"--zlink", (s / "missing.so").string(), "--script", s.file("empty.txt", "").string()}, "missing.so"},
      {{"--main-dir", (s / "nowhere").string(), "--script", s.file("empty.txt", "").string()}, "--main-dir"},
      // The terminal without a terminal: say so instead of waiting for a person. (Forced, so that
      // a display where the tests run does not open the desktop window instead.)
      {{"--terminal"}, "terminal"},
  };
  for (const Case& c : cases) {
    Outcome r = run_program(kOrvantis, c.args, "", s.root());
    EXPECT_NE(r.status, 0) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

// A script is read a line at a time as it runs: what cannot end (a device) is refused before
// anything runs, a line is bounded, and a malformed line stops the run only when it is reached.
TEST_F(AppRun, ScriptsAreReadALineAtATimeAndBounded) {
  const fs::path later = s.file("later.txt", "prompt cancel\nbogus\n");
  const struct {
    std::vector<std::string> args;
    std::string stdin_path, says;
  } cases[] = {
      {{"--script", "/dev/zero"}, "", "--script: /dev/zero: not a regular file or a pipe\n"},
      {{"--script", s.root().string()}, "", "--script: " + s.root().string() + ": is a directory\n"},
      {{"--script", "-"}, "/dev/zero", "standard input:1: the line is longer than 65536 bytes\n"},
      {{"--script", "-"}, s.root().string(), "standard input:1: cannot be read: Is a directory\n"},
      {{"--script", s.file("long.txt", "# " + std::string(70000, 'x') + "\n").string()}, "",
       (s / "long.txt").string() + ":1: the line is longer than 65536 bytes\n"},
      {{"--script", later.string()}, "", later.string() + ":2: unknown script line \"bogus\"\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = common_args();
    args.insert(args.end(), c.args.begin(), c.args.end());
    Outcome r = run_program(kOrvantis, args, c.stdin_path, s.root());
    EXPECT_EQ(r.status, 1) << c.says;
    EXPECT_EQ(r.err, "orvantis: " + c.says);
  }
  // The malformed line came after the prompt was answered: the run had started.
  events = read_transcript(s / "transcript.jsonl");
  EXPECT_EQ(events_of(events, "prompt").size(), 1u);
}

#ifndef __SANITIZE_ADDRESS__
// Standard input that never ends costs one line's memory, not the whole input's.
TEST_F(AppRun, EndlessStandardInputScriptTakesBoundedMemory) {
  Outcome r = run_program_with(
      [] {
        const int zero = ::open("/dev/zero", O_RDONLY);
        if (zero < 0 || ::dup2(zero, 0) < 0) ::_exit(126);
        struct rlimit lim {};
        lim.rlim_cur = lim.rlim_max = rlim_t{1} << 30;
        ::setrlimit(RLIMIT_AS, &lim);
      },
      kOrvantis, {"--script", "-", "--main-dir", s.main_dir().string(), "--temp-dir", s.temp_dir().string()},
      s.root());
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err, "orvantis: standard input:1: the line is longer than 65536 bytes\n");
}
#endif

TEST_F(AppRun, RefusesALibraryThatIsNotAZlink) {
  // The host's own library loads, but has no q_main.
  fs::path lib = fs::path(ORV_TEST_ZLINK).parent_path().parent_path().parent_path() / "host" / "libqxcore.so";
  ASSERT_TRUE(fs::exists(lib)) << lib;
  Outcome r = run_program(kOrvantis, {"--zlink", lib.string(), "--script", s.file("empty.txt", "").string()}, "",
                          s.root());
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("libqxcore.so"), std::string::npos) << r.err;
}

TEST_F(AppRun, HelpExplainsTheOptions) {
  Outcome r = run_program(kOrvantis, {"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--export FILE"), std::string::npos);
  EXPECT_NE(r.out.find("select ID N"), std::string::npos);
  EXPECT_NE(r.out.find("  3  plot only"), std::string::npos) << r.out;
}

TEST_F(AppRun, VersionNamesTheHostAndItsInterface) {
  Outcome r = run_program(kOrvantis, {"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.rfind("orvantis ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find("interface 1200\n"), std::string::npos) << r.out;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
}

TEST_F(AppRun, ScriptLineThatCannotBeCarriedOutNamesItsLine) {
  s.file("main/ZLINKS/kuvra.eqn", kHelix);
  Outcome r = script("prompt " + (s.main_dir() / "ZLINKS/kuvra.eqn").string() + "\nclick 4242\n");
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("2"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("4242"), std::string::npos) << r.err;
}

TEST_F(AppRun, ScriptLinesAfterTheZlinkHasEndedFailTheRun) {
  fs::path f = s.file("main/ZLINKS/kuvra.eqn", kHelix);
  Outcome r = script("prompt " + f.string() + "\nclick 2\n\nclick 4242\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "orvantis: " + (s / "script.txt").string() +
                       ":4: the line was never reached: the Zlink has ended\n");
  EXPECT_EQ(q_main_result(), 1);  // the Zlink itself ran to its end
  EXPECT_EQ(read_file(f), kHelix);
}

// ---- the run driver ----------------------------------------------------------------------------

TEST_F(AppRun, CancelAtThePromptShowsNoDialog) {
  Outcome r = script("prompt cancel\n");
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(events_of(events, "zlink").size(), 1u);
  EXPECT_EQ(events_of(events, "zlink")[0]["version"], 1200);
  std::vector<nlohmann::json> prompts = events_of(events, "prompt");
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_TRUE(prompts[0]["chosen"].is_null());
  // The default is the main directory's ZLINKS\kuvra.eqn.
  std::string def = prompts[0]["default"].get<std::string>();
  EXPECT_NE(def.find(s.main_dir().string()), std::string::npos) << def;
  EXPECT_NE(def.find("kuvra.eqn"), std::string::npos) << def;
  // A dialog would have kept polling to the end of the script and ended with 1.
  EXPECT_EQ(q_main_result(), 0);
}

TEST_F(AppRun, OkRewritesTheFileInTheWritersLayout) {
  fs::path f = s.file("main/ZLINKS/kuvra.eqn",
                      "x = cos(t)\n\ngeometry = spline\nstep_size1 = 5*2\ny = sin(t)\nupper_limit1 = 360\n"
                      "step_var1 = t\n  angles = degrees\nz = t/360\n");
  // The default answers the prompt: the path of the prompt's default.
  Outcome r = script("prompt " + f.string() + "\nclick 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(q_main_result(), 1);
  EXPECT_EQ(read_file(f), helix_written());
}

TEST_F(AppRun, CancelLeavesTheFileByteForByte) {
  const std::string odd = "x=cos(t)\r\n  y = sin( t )\n\nz = t/360\nstep_var1 = t\ngeometry=spline\nupper_limit1 = 2*180\n";
  fs::path f = s.file("odd.eqn", odd);
  Outcome r = script("prompt " + f.string() + "\nselect 1027 1\nclick 1016\nclick 1018\npick 1 2 3\nclick 1020\nclick 2\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(q_main_result(), 1);
  EXPECT_EQ(read_file(f), odd);
}

// The history's keys in a script, as a person presses them: Ctrl+Z takes back the last plot, F4
// clears and Ctrl+Z brings all of it back; each is told on standard error and in the transcript, and
// the part file saves what is left, without what was taken back.
TEST_F(AppRun, UndoAndClearKeysChangeWhatThePartFileSaves) {
  fs::path f = s.file("h.eqn", kHelix);
  const fs::path part = s / "p.json";
  Outcome r = script("prompt " + f.string() +
                         "\npress Plot it\npress Plot it\nkey Ctrl+Z\nkey F4\nkey Ctrl+Z\nkey ctrl+z\nkey ctrl+z\n"
                         "press Plot it\npress Cancel\n",
                     {"--part", part.string()});
  EXPECT_EQ(r.status, 0) << r.err;
  const char* const told[] = {
      "orvantis: Undid the last plot: 1 spline, 37 marks\n",
      "orvantis: Cleared 1 spline, 37 marks; Ctrl+Z brings it back\n",
      "orvantis: Undid the clear: 1 spline, 37 marks back\n",
      "orvantis: Undid the last plot: 1 spline, 37 marks\n",
      "orvantis: Nothing to undo\n",
  };
  std::size_t at = 0;
  for (const char* line : told) {
    at = r.err.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << r.err;
    ++at;
  }
  EXPECT_EQ(events_of(events, "history").size(), 5u);
  // Only the plot after the undos is saved: one spline, its 37 marks.
  const nlohmann::json saved = nlohmann::json::parse(read_file(part), nullptr, false);
  ASSERT_FALSE(saved.is_discarded());
  ASSERT_EQ(saved["entities"].size(), 1u);
  EXPECT_EQ(saved["screen"]["marks"].size(), 37u);
  // An unknown key is still refused.
  EXPECT_EQ(script("key Ctrl+Q\n").status, 1);
}

TEST_F(AppRun, OpenFileThenOkWritesTheOtherFile) {
  fs::path a = s.file("a.eqn", kHelix);
  fs::path b = s.file("b.eqn", kSurface);
  Outcome r = script("prompt " + a.string() + "\nclick 1013\nprompt " + b.string() + "\nclick 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_file(a), kHelix);
  EXPECT_EQ(read_file(b), kSurfaceWritten);
  std::vector<nlohmann::json> prompts = events_of(events, "prompt");
  ASSERT_EQ(prompts.size(), 2u);
  EXPECT_EQ(prompts[1]["chosen"], b.string());
}

TEST_F(AppRun, EditEquationThenOkWritesTheEditedStatements) {
  fs::path f = s.file("e.eqn", kHelix);
  Outcome r = script("prompt " + f.string() + "\nedit sed -i 's/^x = cos(t)$/x = 2*cos(t)/' \"$FILE\"\nclick 1012\nclick 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(events_of(events, "edit").size(), 1u);
  EXPECT_EQ(events_of(events, "edit")[0]["path"], f.string());
  std::string want = helix_written();
  want.replace(want.find("x = cos(t)"), 10, "x = 2*cos(t)");
  EXPECT_EQ(read_file(f), want);
}

// ---- the Variables dialog ----------------------------------------------------------------------

// Types new values into all eight fields, each committed when the focus leaves it.
const char kCommitAllEight[] =
    "click 1015\n"
    "click 1010\ntype w\nclick 1011\ntype -7\nclick 1012\ntype 7\nclick 1017\ntype 0.5\n"
    "click 1019\ntype q\nclick 1021\ntype -3\nclick 1023\ntype 3\nclick 1025\ntype 1.5\n"
    "click 1010\n";

TEST_F(AppRun, SetVariablesCancelRestoresAllEight) {
  fs::path f = s.file("s.eqn", kSurface);
  Outcome r = script("prompt " + f.string() + "\n" + kCommitAllEight + "click 2\nclick 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_file(f), kSurfaceWritten);
}

TEST_F(AppRun, SetVariablesOkKeepsTheCommittedValues) {
  // The counterpart of the test above: the same input ended with OK stores every field.
  fs::path f = s.file("s.eqn", kSurface);
  Outcome r = script("prompt " + f.string() + "\n" + kCommitAllEight + "click 1\nclick 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  std::string want = kSurfaceWritten;
  want.replace(0, want.find("geometry"),
               "step_var1 = w\nstep_size1 = 0.5\nlower_limit1 = -7\nupper_limit1 = 7\n"
               "step_var2 = q\nstep_size2 = 1.5\nlower_limit2 = -3\nupper_limit2 = 3\n");
  EXPECT_EQ(read_file(f), want);
}

TEST_F(AppRun, InvalidNumberKeepsTheVariablesDialogOpen) {
  fs::path f = s.file("s.eqn", kSurface);
  // OK with "abc" in the lower limit: the host reports it, the focus goes back to the field and
  // the dialog stays, so the corrected value can be typed and stored with a second OK.
  Outcome r = script("prompt " + f.string() + "\nclick 1015\nclick 1011\ntype abc\nclick 1\nkey Enter\n"
                 "type 5\nclick 1\nclick 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(events_of(events, "message").size(), 1u);
  std::string want = kSurfaceWritten;
  want.replace(want.find("lower_limit1 = 0"), 16, "lower_limit1 = 5");
  EXPECT_EQ(read_file(f), want);
}

// ---- the main dialog ---------------------------------------------------------------------------

TEST_F(AppRun, EnterOnUseDegreesOnlyExchangesData) {
  fs::path f = s.file("h.eqn", kHelix);
  // Enter with the focus on the check box must not end the run: the OK that follows still finds
  // the dialog, and the unchecked box reaches the file.
  Outcome r = script("prompt " + f.string() + "\nclick 1016\nkey Enter\nclick 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_file(f), helix_written("radians"));
}

TEST_F(AppRun, OriginPickAndAbandonedPick) {
  fs::path f = s.file("h.eqn", kHelix);
  Outcome r = script("prompt " + f.string() + "\nclick 1018\npick 1 2 3\nclick 1018\npick cancel\nclick 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<nlohmann::json> picks = events_of(events, "pick");
  ASSERT_EQ(picks.size(), 2u);
  EXPECT_EQ(picks[0]["point"], nlohmann::json::array({1.0, 2.0, 3.0}));
  EXPECT_TRUE(picks[1]["point"].is_null());
  EXPECT_EQ(read_file(f), helix_written("degrees", "1, 2, 3"));
}

TEST_F(AppRun, GeometryOutsideTheListLeavesNoSelection) {
  std::string text = kHelix;
  text.replace(text.find("geometry = spline"), 17, "geometry = radians");
  fs::path f = s.file("g.eqn", text);
  fs::path screen = s / "screen.txt";
  Outcome r = script("prompt " + f.string() + "\nscreen " + screen.string() + "\nclick 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  std::string picture = read_file(screen);
  EXPECT_NE(picture.find("Kuvra"), std::string::npos) << picture;
  for (const char* caption : {"Draw Spline", "Points", "Lines", "Parametric Spline", "NURB Spline",
                              "Draw Surface", "Surface Points", "Parametric Surface", "NURB Surface"})
    EXPECT_EQ(picture.find(caption), std::string::npos) << caption << " shown in\n" << picture;
  // The kind stays what the file said until one is chosen.
  std::string want = helix_written();
  want.replace(want.find("geometry = spline"), 17, "geometry = radians");
  EXPECT_EQ(read_file(f), want);
}

TEST_F(AppRun, TraceLogIsShownAfterATracedPlot) {
  fs::path f = s.file("h.eqn", kHelix);
  Outcome r = script("prompt " + f.string() + "\nclick 1017\nclick 1020\nkey Esc\nclick 2\n", {"--places", "2"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<nlohmann::json> shows = events_of(events, "show");
  ASSERT_EQ(shows.size(), 1u);
  fs::path log = shows[0]["path"].get<std::string>();
  EXPECT_EQ(fs::canonical(log.parent_path()), fs::canonical(s.temp_dir()));
  EXPECT_EQ(log.filename(), "kuvra.log");
  std::string text = read_file(log);
  const std::string header =
      "x = cos(t)\ny = sin(t)\nz = t/360\n\nt : 0.00 --> 360.00 step = 10.00\n\nAngles : Degrees\n\n";
  EXPECT_EQ(text.substr(0, header.size()), header);
  // The values have --places significant digits.
  EXPECT_NE(text.find("\nt = 3.6e+02\nx = 1\n"), std::string::npos) << text;
  // One block a step: 37 steps, each closed by an empty line.
  std::size_t blocks = 0;
  for (std::size_t at = text.find("\nt = "); at != std::string::npos; at = text.find("\nt = ", at + 1)) ++blocks;
  EXPECT_EQ(blocks, 37u);
}

TEST_F(AppRun, MissingStepVariableWarns) {
  fs::path f = s.file("h.eqn", kHelix);
  Outcome r = script("prompt " + f.string() + "\nclick 1015\nclick 1010\ntype nosuch\nclick 1\n"
                 "click 1020\nkey Enter\nclick 2\n");
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<nlohmann::json> messages = events_of(events, "message");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0]["text"], "Warning nosuch not found in equation");
  EXPECT_EQ(messages[0]["caption"], "Warning");
  EXPECT_EQ(read_file(f), kHelix);
}

// ---- batch: every example plots, and its geometry is written ----------------------------------

struct ExampleExpectation {
  const char* file;
  std::size_t marks, lines;        // screen
  std::size_t entities;            // in the database
  const char* kind;                // of every entity, or null for none
};

// Step counts by the step rule: floor(|range / step| + 0.5) + 1 values a variable.
const ExampleExpectation kExamplesExpected[] = {
    {"helix.eqn", 37, 0, 1, "spline"},
    {"conical_spring.eqn", 181, 0, 1, "nurbs_curve"},
    {"gear_involute.eqn", 41, 0, 1, "spline"},
    {"cardioid.eqn", 73, 0, 1, "spline"},
    {"cam.eqn", 73, 0, 1, "nurbs_curve"},
    {"ellipse.eqn", 73, 72, 0, nullptr},
    {"rose.eqn", 121, 0, 120, "line"},
    {"sine_points.eqn", 49, 0, 49, "point"},
    {"saddle.eqn", 0, 0, 17 * 17, "point"},
    {"ripple.eqn", 31 * 31, 0, 0, nullptr},
    {"sphere.eqn", 13 * 19, 0, 1, "surface"},
    {"mobius.eqn", 37 * 5, 0, 1, "surface"},
    {"torus.eqn", 19 * 13, 0, 1, "nurbs_surface"},
};

TEST_F(AppRun, EveryExamplePlotsInBatchWithEveryFormat) {
  std::size_t seen = 0;
  for (const fs::directory_entry& e : fs::directory_iterator(kExamples))
    if (e.path().extension() == ".eqn") ++seen;
  EXPECT_EQ(seen, std::size(kExamplesExpected)) << "an example without its expectation";

  for (const ExampleExpectation& x : kExamplesExpected) {
    SCOPED_TRACE(x.file);
    fs::path src = kExamples / x.file;
    fs::path copy = s / x.file;  // plotted from a copy: batch must not touch it
    fs::copy_file(src, copy, fs::copy_options::overwrite_existing);
    std::string stem = fs::path(x.file).stem().string();
    std::vector<std::string> args{"plot", copy.string()};
    for (const std::string& a : common_args()) args.push_back(a);
    // A preview (draw, draw_surf) stores nothing, so it has no STEP or IGES file to write.
    const bool stores = x.entities > 0;
    for (const char* ext : {".step", ".igs", ".json", ".png", ".svg"})
      if (stores || (std::string(ext) != ".step" && std::string(ext) != ".igs"))
        args.insert(args.end(), {"--export", (s / (stem + ext)).string()});
    Outcome r = run_program(kOrvantis, args, "", s.root());
    events = read_transcript(s / "transcript.jsonl");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(q_main_result(), 1);
    EXPECT_TRUE(events_of(events, "message").empty()) << "a message box in a clean plot";
    EXPECT_TRUE(events_of(events, "refused").empty()) << "a refusal in a clean plot";
    // The summary names the marks and every file written.
    EXPECT_EQ(r.out.rfind("orvantis: " + copy.string() + ": ", 0), 0u) << r.out;
    if (x.marks > 0) {
      EXPECT_NE(r.out.find(" " + std::to_string(x.marks) + " marks;"), std::string::npos) << r.out;
    }
    EXPECT_NE(r.out.find("; wrote " + (s / (stem + (stores ? ".step" : ".json"))).string() + ", "), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find((s / (stem + ".svg")).string() + "\n"), std::string::npos) << r.out;
    EXPECT_EQ(read_file(copy), read_file(src));

    nlohmann::json part = nlohmann::json::parse(read_file(s / (stem + ".json")));
    EXPECT_EQ(part["screen"]["marks"].size(), x.marks);
    EXPECT_EQ(part["screen"]["lines"].size(), x.lines);
    ASSERT_EQ(part["entities"].size(), x.entities);
    for (const nlohmann::json& ent : part["entities"]) EXPECT_EQ(ent["kind"], x.kind);

    if (stores) {
      EXPECT_EQ(read_file(s / (stem + ".step")).rfind("ISO-10303-21;", 0), 0u);
      EXPECT_FALSE(read_file(s / (stem + ".igs")).empty());
    }
    std::string png = read_file(s / (stem + ".png"));
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_NE(read_file(s / (stem + ".svg")).find("<svg"), std::string::npos);
  }
}

TEST_F(AppRun, BatchPlotDismissesAWarningAndSaysSo) {
  // No step_var1 line: the step variable is still x, which this file never mentions.
  fs::path f = s.file("warn.eqn", "y = 1\n");
  std::vector<std::string> args{"plot", f.string()};
  for (const std::string& a : common_args()) args.push_back(a);
  Outcome r = run_program(kOrvantis, args, "", s.root());
  events = read_transcript(s / "transcript.jsonl");
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_EQ(r.err, "orvantis: message \"Warning\": Warning x not found in equation\n");
  EXPECT_EQ(r.out, "orvantis: " + f.string() + ": made nothing\n");
  ASSERT_EQ(events_of(events, "message").size(), 1u);
  EXPECT_EQ(events_of(events, "message")[0]["text"], "Warning x not found in equation");
  EXPECT_EQ(q_main_result(), 1);
  EXPECT_EQ(read_file(f), "y = 1\n");
}

TEST_F(AppRun, BatchSaysWhatItMadeAndWrote) {
  fs::path f = s.file("helix.eqn", kHelix);
  fs::path step = s / "helix.step", png = s / "helix.png";
  Outcome r = run_program(kOrvantis, {"plot", f.string(), "--export", step.string(), "--export", png.string()},
                          "", s.root());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "orvantis: " + f.string() + ": 1 spline through 37 points, 37 marks; wrote " + step.string() +
                       ", " + png.string() + "\n");
}

// OpenCASCADE's writers are a module loaded beside the host's library at the first STEP export. A
// host whose module is missing still plots and writes every other format, and refuses the STEP
// file in words: nothing is written in its place.
TEST_F(AppRun, AStepExportWithoutTheModuleIsRefusedAndTheRestWritten) {
  const fs::path lib = s / "lib";
  fs::create_directory(lib);
  fs::copy_file(ORV_TEST_QXCORE, lib / fs::path(ORV_TEST_QXCORE).filename());
  fs::path f = s.file("helix.eqn", kHelix);
  fs::path step = s / "helix.step", stl = s / "helix.json";
  const std::string path = lib.string();
  Outcome r = run_program_with([path] { ::setenv("LD_LIBRARY_PATH", path.c_str(), 1); }, kOrvantis,
                               {"plot", f.string(), "--export", step.string(), "--export", stl.string()}, s.root());
  EXPECT_EQ(r.status, 1) << r.err;
  const std::string refusal = "orvantis: --export: " + step.string() +
                              ": not written: STEP files are written by the OpenCASCADE module, and " +
                              (lib / "libqxocct.so").string() + " cannot be loaded (";
  EXPECT_EQ(r.err.rfind(refusal, 0), 0u) << r.err;
  EXPECT_FALSE(fs::exists(step));
  EXPECT_TRUE(fs::exists(stl));
  EXPECT_EQ(r.out, "orvantis: " + f.string() + ": 1 spline through 37 points, 37 marks; wrote " + stl.string() + "\n");
}

// A picture's legend names the equation file: a name that is not UTF-8 still gives whole pictures,
// the bad bytes shown as replacement characters.
TEST_F(AppRun, PicturesOfAnEquationFileWhoseNameIsNotUtf8AreWritten) {
  fs::path f = s.file("h\xff\xfe.eqn", kHelix);
  fs::path svg = s / "h.svg", png = s / "h.png";
  Outcome r = run_program(kOrvantis, {"plot", f.string(), "--export", svg.string(), "--export", png.string()},
                          "", s.root());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string picture = read_file(svg);
  EXPECT_NE(picture.find("</svg>"), std::string::npos);
  EXPECT_EQ(read_file(png).substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

// Files whose plot makes nothing, warns or is refused: each is told, and the status says so.
TEST_F(AppRun, BatchTellsPlotsThatWentWrong) {
  struct Case {
    const char* name;
    std::string text;
    const char* made;    // what the summary says the plot made
    const char* stderr_has;  // a line standard error must hold ("" for none)
  };
  const std::string spline_header = "step_var1 = t\nlower_limit1 = 0\nupper_limit1 = 6\nstep_size1 = 1\n";
  const Case cases[] = {
      {"cos_without_brackets", "x = cos t\n", "made nothing",
       "cos_without_brackets.eqn:1: \"x = cos t\": the variable on the right of \"=\" has no value at step 1 of 5: "
       "the plot ends there; nothing was made"},
      // Neither file mentions x, the step variable when no line names one.
      {"a_sum_and_no_point", "3 + 4\n", "made nothing", "orvantis: message \"Warning\": Warning x not found"},
      {"keyword_in_the_wrong_case", "Geometry = draw\n", "made nothing",
       "orvantis: message \"Warning\": Warning x not found"},
      {"step_variable_no_line_uses", "step_var1 = s\nx = cos(t)\n", "made nothing",
       ".eqn:2: \"x = cos(t)\": a variable is used before it has a value at step 1 of 5: the plot ends there"},
      {"empty", "", "made nothing", "orvantis: message \"Warning\": Warning x not found in equation\n"},
      {"binary", std::string("\x7f" "ELF\x02\x01\x01\0\0\xff\xfe\n", 13), "made nothing",
       "orvantis: message \"Warning\": Warning x not found in equation\n"},
      {"spline_through_infinity", spline_header + "geometry = spline\nx = t\ny = 0\nz = ln(abs(t-2))\n", "6 marks",
       "orvantis: refused: spline refused: point 3 of 7 is not finite (z = -inf); a spline cannot pass through "
       "it\n"},
      {"surface_of_coinciding_rows",
       "step_var1 = u\nupper_limit1 = 3\nstep_size1 = 1\nstep_var2 = v\nupper_limit2 = 3\nstep_size2 = 1\n"
       "geometry = parametric_surf\nx = v\ny = 0\nz = 0\n",
       "16 marks", "orvantis: refused: surface refused (a 4 x 4 grid): the grid has no area"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::path f = s.file(std::string(c.name) + ".eqn", c.text);
    // A part file, which is written even when the plot stored nothing (a STEP file would not be).
    fs::path step = s / (std::string(c.name) + ".json");
    std::vector<std::string> args{"plot", f.string(), "--export", step.string()};
    for (const std::string& a : common_args()) args.push_back(a);
    Outcome r = run_program(kOrvantis, args, "", s.root());
    events = read_transcript(s / "transcript.jsonl");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.out, "orvantis: " + f.string() + ": " + c.made + "; wrote " + step.string() + "\n");
    if (c.stderr_has[0] == '\0') {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_NE(r.err.find(c.stderr_has), std::string::npos) << r.err;
    }
    // Every refusal told on standard error is in the transcript, and the other way round.
    std::size_t told = 0;
    for (std::size_t at = r.err.find("orvantis: refused: "); at != std::string::npos;
         at = r.err.find("orvantis: refused: ", at + 1))
      ++told;
    EXPECT_EQ(events_of(events, "refused").size(), told);
    // The export is written all the same, and the file is left as it was.
    EXPECT_EQ(read_file(step).rfind("{\"entities\":", 0), 0u);
    EXPECT_EQ(read_file(f), c.text);
  }
  std::vector<nlohmann::json> refused = events_of(events, "refused");
  ASSERT_FALSE(refused.empty());
  EXPECT_EQ(refused.back()["service"], "make_surf_from_pts");
}

// Only a regular file is plotted: a device or FIFO would be read for ever (or never), and a
// directory would plot nothing and still exit 0.
TEST_F(AppRun, PlotRefusesWhatIsNotARegularFile) {
  ASSERT_EQ(::mkfifo((s / "pipe.eqn").c_str(), 0600), 0);
  fs::create_directory(s / "folder.eqn");
  struct Case {
    std::string path;
    std::string why;
  } const cases[] = {
      {"/dev/zero", "not a regular file"},
      {(s / "pipe.eqn").string(), "not a regular file"},
      {(s / "folder.eqn").string(), "is a directory"},
      {(s / "absent.eqn").string(), std::string("cannot be read: ") + std::strerror(ENOENT)},
  };
  for (const Case& c : cases) {
    Outcome r = run_program_with([] {}, kOrvantis, {"plot", c.path, "--temp-dir", s.temp_dir().string()},
                                 s.root(), std::chrono::seconds(20));
    EXPECT_EQ(r.status, 2) << c.path;
    EXPECT_EQ(r.err, "orvantis: plot: " + c.path + ": " + c.why + "\n");
  }
}

// The Zlink's default path is the main directory and "ZLINKS\kuvra.eqn" in 256 bytes: a main
// directory of 239 characters with its separator fits; a longer one is refused before the Zlink
// loads, instead of the default becoming a path relative to the current directory.
TEST_F(AppRun, MainDirectoryMustLeaveRoomForTheDefaultPath) {
  auto dir_of_length = [&](const fs::path& base, std::size_t length) {
    std::string d = base.string();
    while (d.size() < length) {
      std::size_t room = length - d.size() - 1;
      d += '/';
      d.append(room > 150 ? 100 : room, 'm');
    }
    fs::create_directories(d);
    return d;
  };
  fs::create_directory(s / "work");
  std::string fits = dir_of_length(s / "fits", 238);
  Outcome r = script("prompt cancel\n", {"--main-dir", fits});
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<nlohmann::json> prompts = events_of(events, "prompt");
  ASSERT_EQ(prompts.size(), 1u);
  EXPECT_EQ(prompts[0]["default"], fits + "/ZLINKS\\kuvra.eqn");

  fs::remove(s / "transcript.jsonl");
  for (std::size_t length : {std::size_t{239}, std::size_t{295}}) {
    std::string too_long = dir_of_length(s / ("long" + std::to_string(length)), length);
    r = run_program(kOrvantis,
                    {"--script", s.file("s.txt", "prompt cancel\nclick 1\n").string(), "--main-dir", too_long,
                     "--temp-dir", s.temp_dir().string(), "--transcript", (s / "transcript.jsonl").string()},
                    "", s / "work");
    EXPECT_EQ(r.status, 2) << length;
    EXPECT_NE(r.err.find("239 characters"), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_FALSE(fs::exists(s / "transcript.jsonl"));  // the Zlink never ran
    EXPECT_TRUE(fs::is_empty(s / "work"));
  }
}

// ---- the write-back leaves alone what it cannot rewrite whole -----------------------------------

// OK on a file whose reading lost bytes (a line cut at 200 characters, text after a NUL) warns
// and leaves it byte for byte; once the editor has put it right, OK rewrites it.
TEST_F(AppRun, OkNeverRewritesAFileReadWithLostBytes) {
  std::string statement = "x = t";
  while (statement.size() + 4 <= 303) statement += " + t";
  statement.resize(303, ' ');
  struct Case {
    const char* name;
    std::string line;
  } const cases[] = {
      {"note", "note " + std::string(300, 'n')},
      {"statement", statement},
      {"nul", std::string("x = t\0junk", 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = "step_var1 = t\n" + c.line + "\ny = t\n";
    fs::path f = s.file(std::string(c.name) + ".eqn", text);
    Outcome r = script("prompt " + f.string() + "\nclick 1\nkey Enter\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(q_main_result(), 1);
    std::vector<nlohmann::json> messages = events_of(events, "message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0]["text"], f.string() + " could not be written");
    EXPECT_EQ(read_file(f), text);
  }

  fs::path f = s / "note.eqn";
  Outcome r = script("prompt " + f.string() + "\nedit sed -i 's/^note n*$/x = t/' \"$FILE\"\nclick 1012\nclick 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(events_of(events, "message").empty());
  std::string now = read_file(f);
  EXPECT_EQ(now.rfind("step_var1 = t\n", 0), 0u) << now;
  EXPECT_EQ(now.substr(now.size() - 12), "x = t\ny = t\n") << now;
}

// OK on a file the user may not write, one with a second hard link, or one whose rewrite goes
// over the file-size limit: a warning, the file byte for byte, and nothing left beside it.
TEST_F(AppRun, OkLeavesAFileItCannotReplaceWhole) {
  constexpr uid_t kUser = 65534;  // nobody, when the tests run as root
  std::string big = "step_var1 = t\n";
  for (int i = 0; i < 120; ++i) {
    big += 'v';
    big += std::to_string(100 + i);
    big += " = 1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9\n";
  }
  constexpr rlim_t kSizeLimit = 2048;  // under the rewrite of `big`, over the transcript
  ASSERT_GT(big.size(), 2 * kSizeLimit);

  struct Case {
    const char* name;
    std::string text;
    std::function<void(const fs::path& file, const fs::path& root)> prepare;  // in the test
    std::function<void()> in_child;  // in orvantis's process, before it starts
  } const cases[] = {
      {"read-only", kHelix,
       [](const fs::path& f, const fs::path& root) {
         ::chmod(f.c_str(), 0444);
         if (::geteuid() == 0) {  // root may write anything: run as an ordinary user owning it all
           for (const fs::directory_entry& e : fs::recursive_directory_iterator(root))
             ::lchown(e.path().c_str(), kUser, kUser);
           ::chown(root.c_str(), kUser, kUser);
           ::chmod(root.c_str(), 0755);
         }
       },
       [] {
         if (::geteuid() == 0 && (::setresgid(kUser, kUser, kUser) != 0 || ::setresuid(kUser, kUser, kUser) != 0))
           ::_exit(125);
       }},
      {"hard-linked", kHelix,
       [](const fs::path& f, const fs::path& root) { fs::create_hard_link(f, root / "second-name.eqn"); },
       [] {}},
      {"over-the-size-limit", big, [](const fs::path&, const fs::path&) {},
       [] {
         struct rlimit lim {kSizeLimit, kSizeLimit};
         ::setrlimit(RLIMIT_FSIZE, &lim);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Scratch own;  // each case in a directory of its own, to count what is left in it
    fs::path f = own.main_dir() / "ZLINKS" / (std::string(c.name) + ".eqn");
    write_file(f, c.text);
    fs::path script_file = own.file("script.txt", "prompt " + f.string() + "\nclick 1\nkey Enter\n");
    c.prepare(f, own.root());
    fs::path transcript = own / "transcript.jsonl";
    Outcome r = run_program_with(c.in_child, kOrvantis,
                                 {"--script", script_file.string(), "--main-dir", own.main_dir().string(),
                                  "--temp-dir", own.temp_dir().string(), "--transcript", transcript.string()},
                                 own.root());
    events = read_transcript(transcript);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(q_main_result(), 1);
    std::vector<nlohmann::json> messages = events_of(events, "message");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0]["text"], f.string() + " could not be written");
    EXPECT_EQ(read_file(f), c.text);
    std::vector<std::string> beside;
    for (const fs::directory_entry& e : fs::directory_iterator(f.parent_path())) beside.push_back(e.path().filename());
    EXPECT_EQ(beside, (std::vector<std::string>{f.filename()}));
    if (fs::exists(own / "second-name.eqn")) {
      EXPECT_EQ(read_file(own / "second-name.eqn"), c.text);
    }
  }
}

// When the usual private temporary directory is taken, a fresh one serves the run and is gone
// after it, log and all.
TEST_F(AppRun, FreshTemporaryDirectoryIsRemovedAtExit) {
  fs::path base = s / "tmpbase";
  fs::path usual = base / ("orvantis-" + std::to_string(::geteuid()));
  fs::create_directories(usual);
  ::chmod(usual.c_str(), 0777);  // open to all: not private, so not used
  fs::path f = s.file("h.eqn", kHelix);
  fs::path script_file = s.file("script.txt", "prompt " + f.string() + "\nclick 1017\nclick 1020\nkey Esc\nclick 2\n");
  Outcome r = run_program_with([&] { ::setenv("TMPDIR", base.c_str(), 1); }, kOrvantis,
                               {"--script", script_file.string(), "--main-dir", s.main_dir().string(),
                                "--transcript", (s / "transcript.jsonl").string()},
                               s.root());
  events = read_transcript(s / "transcript.jsonl");
  EXPECT_EQ(r.status, 0) << r.err;
  std::vector<nlohmann::json> shows = events_of(events, "show");
  ASSERT_EQ(shows.size(), 1u);
  fs::path log = shows[0]["path"].get<std::string>();
  EXPECT_EQ(log.parent_path().parent_path(), base) << log;
  EXPECT_NE(log.parent_path(), usual);
  std::vector<fs::path> left;
  for (const fs::directory_entry& e : fs::directory_iterator(base)) left.push_back(e.path());
  EXPECT_EQ(left, std::vector<fs::path>{usual});
}

TEST_F(AppRun, PartFileAccumulatesOverSessions) {
  fs::path part = s / "part.json";
  fs::path f = s.file("p.eqn", "step_var1 = t\nupper_limit1 = 4\nstep_size1 = 1\ngeometry = points\nx = t\n");
  for (int i = 0; i < 2; ++i) {
    std::vector<std::string> args{"plot", f.string(), "--part", part.string()};
    Outcome r = run_program(kOrvantis, args, "", s.root());
    ASSERT_EQ(r.status, 0) << r.err;
  }
  nlohmann::json j = nlohmann::json::parse(read_file(part));
  EXPECT_EQ(j["entities"].size(), 10u);
  // A file that is not a part file is not overwritten.
  fs::path foreign = s.file("notes.json", "{\"mine\": true}\n");
  Outcome r = run_program(kOrvantis, {"plot", f.string(), "--part", foreign.string()}, "", s.root());
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(read_file(foreign), "{\"mine\": true}\n");
}


// ---- part files and targets that are not the host's to read or replace ------------------------

TEST_F(AppRun, DevicesAndFifosAreRefusedBeforeTheZlinkRuns) {
  ASSERT_EQ(::mkfifo((s / "fifo.json").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo((s / "fifo.png").c_str(), 0600), 0);
  fs::create_symlink("/dev/zero", s / "zero.json");
  fs::create_symlink("/dev/full", s / "full.step");
  struct Case {
    std::vector<std::string> args;
    std::string says;
  };
  const Case cases[] = {
      {{"--part", (s / "fifo.json").string()}, "--part: " + (s / "fifo.json").string() + ": not a regular file"},
      {{"--part", (s / "zero.json").string()}, "--part: " + (s / "zero.json").string() + ": not a regular file"},
      {{"--export", (s / "zero.json").string()}, "--export: " + (s / "zero.json").string() + ": not a regular file"},
      {{"--export", (s / "fifo.png").string()}, "--export: " + (s / "fifo.png").string() + ": not a regular file"},
      {{"--export", (s / "first.svg").string(), "--export", (s / "full.step").string()},
       "--export: " + (s / "full.step").string() + ": not a regular file"},
  };
  for (const Case& c : cases) {
    fs::remove(s / "transcript.jsonl");
    Outcome r = script("prompt cancel\n", c.args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.err.rfind("orvantis: " + c.says, 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_TRUE(events_of(events, "zlink").empty()) << c.says;
  }
  EXPECT_FALSE(fs::exists(s / "first.svg"));
  EXPECT_TRUE(fs::is_fifo(s / "fifo.json"));
  EXPECT_TRUE(fs::is_symlink(s / "zero.json"));
}

TEST_F(AppRun, DeeplyNestedPartFileIsRefusedAndKept) {
  const std::string deep = "{\"entities\":[],\"x\":" + std::string(100000, '[') + std::string(100000, ']') + "}";
  fs::path part = s.file("deep.json", deep);
  Outcome r = script("prompt cancel\n", {"--part", part.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("orvantis: --part: " + part.string() + ": not a part file: nested too deeply", 0), 0u)
      << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(read_file(part), deep);

  // As an export target it is refused when written, and the targets after it are still written.
  r = script("prompt cancel\n", {"--export", part.string(), "--export", (s / "after.json").string(), "--export",
                                 (s / "after.svg").string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("orvantis: --export: " + part.string() + ": not a part file: nested too deeply", 0), 0u)
      << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  EXPECT_EQ(read_file(part), deep);
  EXPECT_EQ(events_of(events, "q_main").size(), 1u);  // the Zlink ran
  // The transcript records the failed export after the session's own events.
  std::vector<nlohmann::json> refused = events_of(events, "refused");
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0]["service"], "write_export");
  EXPECT_EQ(refused[0]["why"].get<std::string>().rfind(part.string() + ": not a part file: nested too deeply", 0), 0u);
  EXPECT_EQ(events.back()["event"], "refused");
  EXPECT_EQ(read_file(s / "after.json"), "{\"entities\":[],\"screen\":{\"marks\":[],\"lines\":[]}}\n");
  EXPECT_TRUE(fs::exists(s / "after.svg"));
}

}  // namespace
}  // namespace orv::app::testing
