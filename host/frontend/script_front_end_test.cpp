// The script front end driving a dialog of the test's own, as the run driver of a Zlink drives one.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "orvantis/host_dialogs.h"
#include "orvantis/resource_format.h"
#include "core/host.h"
#include "frontend/script_front_end.h"
#include "orvantis/host_files.h"
#include "orvantis/host_geometry.h"
#include "platform/modules.h"
#include "platform/transcript.h"
#include "platform/window_system.h"

namespace orv::frontend {
namespace {

using Strings = std::vector<std::string>;
constexpr UINT kDone = WM_APP + 40;

const uint32_t kTab = WS_VISIBLE | WS_TABSTOP;
const ControlTemplate kControls[] = {
    {10, CTL_EDIT, "", 60, 8, 40, 12, kTab | WS_BORDER},
    {14, CTL_PUSHBUTTON, "&Open", 8, 28, 50, 14, kTab},
    {15, CTL_PUSHBUTTON, "&Pick", 8, 44, 50, 14, kTab},
    {16, CTL_PUSHBUTTON, "&Edit", 8, 60, 50, 14, kTab},
    {17, CTL_PUSHBUTTON, "&Show", 8, 76, 50, 14, kTab},
    {18, CTL_PUSHBUTTON, "&Tell", 8, 92, 50, 14, kTab},
    {1, CTL_OWNERDRAW_BUTTON, "&OK", 8, 110, 36, 18, kTab},
    {2, CTL_OWNERDRAW_BUTTON, "&Cancel", 48, 110, 36, 18, kTab},
};
const DialogTemplate kDialogs[] = {
    {300, "Script test", 110, 132, 8, "MS Sans Serif", WS_POPUP | WS_CAPTION | WS_VISIBLE, kControls,
     static_cast<int32_t>(std::size(kControls))}};
const ResourceTable kResources = {kResourceFormatVersion, kDialogs, 1, nullptr, 0};

// A file of the running test alone: ctest runs the cases of one program as parallel processes.
std::string test_file(const std::string& name) {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return ::testing::TempDir() + info->test_suite_name() + "." + info->name() + "." + name;
}

std::string g_file = "/tmp/none";
double g_point[3] = {0, 0, 0};
std::string g_picked;

class ScriptDialog : public QXDialog {
 public:
  ScriptDialog() : QXDialog(300, get_MainFrame(), 17, false, 1) {}
  QXReal amount;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    QXDialog::DoDataExchange(pDX);
    DDX_ProcessEditReal(pDX, 10, amount);
  }
  BOOL OnInitDialog() override {
    amount.lower = 0;
    amount.upper = 10;
    return QXDialog::OnInitDialog();
  }
  void OnCommit() {
    if (!UpdateData(TRUE)) GotoDlgCtrl(GetDlgItem(10));
  }
  void OnOpen() {
    char path[256] = "/main/ZLINKS\\kuvra.eqn";
    if (PromptForFileToOpen(path, "r", ".EQN", 0, 0, AfxGetResourceHandle(), m_hWnd)) g_file = path;
  }
  void OnPick() {
    char code = 0, ok = 0;
    point_proc("", &code, g_point, &ok);
    g_picked = ok ? "picked" : "not picked";
  }
  void OnEdit() { edit_filename(g_file.c_str(), 1); }
  void OnShow() { list_filename(g_file.c_str(), nullptr, nullptr); }
  void OnTell() { message_box_ok("Something to say", "Script test", 2, nullptr); }
  void OnOkClicked() {
    UIDialog::OnOK();
    ::PostMessageA(nullptr, kDone, 1, 0);
    DestroyWindow();
  }
  void OnCancelCommand() override {
    Default();
    CDialog::OnCancel();
    ::PostMessageA(nullptr, kDone, 0, 0);
    DestroyWindow();
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ScriptDialog, QXDialog)
  ON_EN_KILLFOCUS(10, &ScriptDialog::OnCommit)
  ON_BN_CLICKED(14, &ScriptDialog::OnOpen)
  ON_BN_CLICKED(15, &ScriptDialog::OnPick)
  ON_BN_CLICKED(16, &ScriptDialog::OnEdit)
  ON_BN_CLICKED(17, &ScriptDialog::OnShow)
  ON_BN_CLICKED(18, &ScriptDialog::OnTell)
  ON_BN_CLICKED(1, &ScriptDialog::OnOkClicked)
END_MESSAGE_MAP()

std::string read_all(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Loads `script`, then runs a prompt and the dialog as a Zlink's run driver does. Returns what
// ended the polling: "ok", "cancel" or "ended".
class ScriptRun : public ::testing::Test {
 protected:
  Host host_;
  UseHost use_host_{host_};
  ScriptFrontEnd script{host_.windows};
  Transcript transcript;
  std::string transcript_path = test_file("script_run.jsonl");
  HINSTANCE module = nullptr, saved = nullptr;
  FrontEnd* old_front_end = nullptr;

  void SetUp() override {
    module = register_module("script test", &kResources);
    saved = AfxGetResourceHandle();
    AfxSetResourceHandle(module);
    std::string err;
    ASSERT_TRUE(transcript.open(transcript_path, err)) << err;
    install_transcript(&transcript);
    install_input_source(&script);
    old_front_end = install_front_end(&script);
    g_file = "/tmp/none";
    g_picked.clear();
  }
  void TearDown() override {
    install_front_end(old_front_end);
    install_input_source(nullptr);
    install_transcript(nullptr);
    host_.windows.reset();
    AfxSetResourceHandle(saved);
    unregister_module(module);
  }

  std::string run(const std::string& text) {
    std::string err;
    host_.windows.thread_messages().clear();
    EXPECT_TRUE(script.load_text(text, "test.script", err)) << err;
    char path[256] = "/main/ZLINKS\\kuvra.eqn";
    if (!PromptForFileToOpen(path, "r", ".EQN", 0, 0, module, nullptr)) return "prompt cancelled";
    g_file = path;
    ScriptDialog dlg;
    if (!dlg.Create(300)) return "no dialog";
    QXEvent ev;
    char ok = 1;
    for (;;) {
      int code = get_event("*", &ev, 0x8200, 0, 0, &ok);
      if (code == 2 || ok == 0) return "ended";
      if (ev.kind == 512 && (ev.value == 0 || ev.value == 1)) return ev.value ? "ok" : "cancel";
    }
  }

  Strings transcript_lines() {
    Strings out;
    std::istringstream in(read_all(transcript_path));
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }
};

TEST(ScriptLines, ParseEveryKindAndNameWhatIsWrong) {
  struct Case {
    const char* line;
    const char* error;  // empty: parses
  } cases[] = {
      {"prompt /a b/c.eqn", ""},       {"prompt cancel", ""},          {"click 1020", ""},
      {"key Shift+Tab", ""},           {"key alt+p", ""},              {"key enter", ""},
      {"type  two  spaces", ""},       {"select 1027 8", ""},          {"pick 1, 2.5, -3", ""},
      {"pick cancel", ""},             {"edit sed -i s/a/b/ $FILE", ""}, {"close", ""},
      {"screen out.txt", ""},          {"  click 7\r", ""},
      {"prompt", "\"prompt\" needs a path or \"cancel\""},
      {"click", "\"click\" needs one control id"},
      {"click 12x", "\"click\" needs one control id"},
      {"select 1027", "\"select\" needs a control id and an item number from 0"},
      {"select 1027 -1", "\"select\" needs a control id and an item number from 0"},
      {"key F13", "unknown key \"F13\""},
      {"key Alt+", "unknown key \"Alt+\""},
      {"pick 1 2", "\"pick\" needs three finite numbers X Y Z or \"cancel\""},
      {"pick 1 2 nan", "\"pick\" needs three finite numbers X Y Z or \"cancel\""},
      {"edit", "\"edit\" needs a command"},
      {"close now", "\"close\" takes nothing after it"},
      {"screen", "\"screen\" needs a file"},
      {"screenshot view.png", ""},
      {"screenshot", "\"screenshot\" needs a file"},
      {"push 1", "unknown script line \"push\""},
      {"press Plot it", ""},
      {"press", "\"press\" needs the caption of a control"},
      {"doubleclick 1103 2", ""},      {"key ctrl+a", ""},             {"key Shift+Left", ""},
      {"doubleclick 1103", "\"doubleclick\" needs a control id and an item number from 0"},
  };
  for (const Case& c : cases) {
    ScriptLine l;
    bool skip = true;
    std::string err;
    bool ok = parse_script_line(c.line, 3, l, skip, err);
    EXPECT_EQ(ok, c.error[0] == '\0') << c.line;
    EXPECT_EQ(err, c.error) << c.line;
    EXPECT_FALSE(skip) << c.line;
  }
  ScriptLine l;
  bool skip = false;
  std::string err;
  ASSERT_TRUE(parse_script_line("type  two  spaces", 1, l, skip, err));
  EXPECT_EQ(l.text, " two  spaces");  // everything after the one separating blank
  ASSERT_TRUE(parse_script_line("key alt+p", 1, l, skip, err));
  EXPECT_EQ(l.text, "Alt+P");
  ASSERT_TRUE(parse_script_line("press  Plot it ", 1, l, skip, err));
  EXPECT_EQ(l.text, "Plot it");
  ASSERT_TRUE(parse_script_line("pick 1, 2.5, -3", 1, l, skip, err));
  EXPECT_EQ(l.point, (std::array<double, 3>{1, 2.5, -3}));
  for (const char* blank : {"", "   ", "# a comment", "   # indented"}) {
    ASSERT_TRUE(parse_script_line(blank, 1, l, skip, err));
    EXPECT_TRUE(skip) << blank;
  }
  WindowSystem windows;
  ScriptFrontEnd s(windows);
  EXPECT_FALSE(s.load_text("click 1\n\n# fine\nbogus\n", "x.script", err));
  EXPECT_EQ(err, "x.script:4: unknown script line \"bogus\"");
}

TEST_F(ScriptRun, AnswersPromptsAndPicksInOrderAndRecordsThem) {
  EXPECT_EQ(run("# start\nprompt /data/a.eqn\n\nclick 15\npick 1 2 3\nclick 14\nprompt cancel\nclick 15\n"
                "pick cancel\nclick 1\n"),
            "ok");
  EXPECT_FALSE(script.failed()) << script.error();
  EXPECT_EQ(g_file, "/data/a.eqn");
  EXPECT_EQ(g_picked, "not picked");
  EXPECT_EQ(g_point[0], 1.0);  // the first pick's point was kept by the dialog
  EXPECT_EQ(transcript_lines(),
            (Strings{R"({"event":"prompt","default":"/main/ZLINKS\\kuvra.eqn","chosen":"/data/a.eqn"})",
                     R"({"event":"pick","point":[1.0,2.0,3.0]})",
                     R"({"event":"prompt","default":"/main/ZLINKS\\kuvra.eqn","chosen":null})",
                     R"({"event":"pick","point":null})"}));
}

TEST_F(ScriptRun, PressClicksTheControlWithThatCaption) {
  EXPECT_EQ(run("prompt /data/a.eqn\npress Pick\npick 4 5 6\npress OK\n"), "ok");
  EXPECT_FALSE(script.failed()) << script.error();
  EXPECT_EQ(g_point[0], 4.0);
  EXPECT_EQ(run("prompt /data/a.eqn\npress Cancel\n"), "cancel");
  EXPECT_FALSE(script.failed()) << script.error();
}

TEST_F(ScriptRun, AUiLineWhereAPromptIsAwaitedOpensThePromptsWindowAndDrivesIt) {
  const std::string eqn = test_file("a.eqn");
  std::ofstream(eqn) << "x = t\n";
  // The file prompt: a path typed over the default, which is selected; a missing file is refused
  // in the prompt, which stays open. The point prompt: three numbers typed into X.
  EXPECT_EQ(run("type /no/such.eqn\nkey Enter\nkey Ctrl+A\ntype " + eqn +
                "\nkey Enter\npress Pick\ntype 7, 8, 9\nkey Enter\npress OK\n"),
            "ok");
  EXPECT_FALSE(script.failed()) << script.error();
  EXPECT_EQ(g_file, eqn);
  EXPECT_EQ(g_picked, "picked");
  EXPECT_EQ(g_point[0], 7.0);
  EXPECT_EQ(g_point[2], 9.0);
  const Strings lines = transcript_lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], R"({"event":"prompt","default":"/main/ZLINKS\\kuvra.eqn","chosen":")" + eqn + "\"}");
  EXPECT_EQ(lines[1], R"({"event":"pick","point":[7.0,8.0,9.0]})");
  // Esc in the prompt's window cancels it; the script ending with it open cancels it too.
  EXPECT_EQ(run("key Esc\n"), "prompt cancelled");
  EXPECT_EQ(run("type /x\n"), "prompt cancelled");
  EXPECT_FALSE(script.failed()) << script.error();
}

TEST_F(ScriptRun, TheEndOfTheScriptEndsThePolling) {
  EXPECT_EQ(run("prompt /a.eqn\ntype 5\n"), "ended");
  EXPECT_FALSE(script.failed()) << script.error();
  EXPECT_EQ(run("prompt cancel\n"), "prompt cancelled");
  EXPECT_EQ(run(""), "prompt cancelled");  // nothing answers the prompt: cancelled
}

TEST_F(ScriptRun, LinesThatCannotBeCarriedOutStopWithTheirLineNumber) {
  struct Case {
    const char* script;
    const char* error;
  } cases[] = {
      {"prompt /a.eqn\nclick 4242\nclick 1\n", "test.script:2: no control 4242 in \"Script test\""},
      {"prompt /a.eqn\npress Plot it\nclick 1\n", "test.script:2: no control is captioned \"Plot it\" in "
                                                 "\"Script test\""},
      {"prompt /a.eqn\n# c\nprompt /b.eqn\n", "test.script:3: a \"prompt\" line where a UI event is awaited: "
                                              "no file prompt is open"},
      {"prompt /a.eqn\npick 1 2 3\n", "test.script:2: a \"pick\" line where a UI event is awaited: "
                                      "no point is being picked"},
      {"prompt /a.eqn\nclick 15\nprompt /b.eqn\n", "test.script:3: a point pick is awaited, but the line is not a "
                                                "\"pick\" line"},
      {"pick 1 2 3\n", "test.script:1: a file prompt is awaited, but the line is not a \"prompt\" line"},
      {"prompt /a.eqn\nclick 18\n", "test.script:2: the script ended with a message box open: \"Script test\": "
                                    "\"Something to say\""},
      {"prompt /a.eqn\ntype 99\nclick 1\n\n", "test.script:4: the script ended with a message box "
                                                         "open: \"Script test\": \"Please enter a number between "
                                                         "0 and 10.\""},
      {"prompt /a.eqn\ntype abc\nclick 1\nkey Enter\ntype x\nclick 1\n",
       "test.script:6: the script ended with a message box open: \"Script test\": \"\"x\" is not a number.\n"
       "Please enter a number.\""},
  };
  for (const Case& c : cases) {
    std::string how = run(c.script);
    EXPECT_TRUE(how == "ended" || how == "prompt cancelled") << c.script << " -> " << how;
    EXPECT_EQ(script.error(), c.error) << c.script;
  }
}

TEST_F(ScriptRun, LinesLeftWhenTheZlinkHasEndedStopWithTheFirstOfThem) {
  struct Case {
    const char* script;
    const char* outcome;
    const char* error;  // after finish(); empty: none
  } cases[] = {
      {"prompt /a.eqn\nclick 1\nclick 4242\nclick 2\n", "ok",
       "test.script:3: the line was never reached: the Zlink has ended"},
      {"prompt cancel\n# the dialog never opens\nclick 2\n", "prompt cancelled",
       "test.script:3: the line was never reached: the Zlink has ended"},
      {"prompt /a.eqn\nedit true\nclick 1\n", "ok",
       "test.script:2: the editor was never asked for: the Zlink has ended"},
      {"prompt /a.eqn\nedit true\nclick 16\nclick 2\nprompt /b.eqn\n", "cancel",
       "test.script:5: the line was never reached: the Zlink has ended"},
      {"prompt /a.eqn\nclick 1\n# a comment\n\n", "ok", ""},
      // The first failure stays the one reported.
      {"prompt /a.eqn\nclick 4242\nclick 1\n", "ended", "test.script:2: no control 4242 in \"Script test\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.script), c.outcome) << c.script;
    script.finish();
    EXPECT_EQ(script.error(), c.error) << c.script;
    EXPECT_EQ(script.failed(), c.error[0] != '\0') << c.script;
  }
}

TEST_F(ScriptRun, AutoDismissClosesMessageBoxesAndTheViewer) {
  std::string shown = test_file("script_shown.txt");
  std::ofstream(shown) << "first\nsecond\n";
  script.set_auto_dismiss(true);
  Strings notices;
  script.set_notice_sink([&](const std::string& line) { notices.push_back(line); });
  EXPECT_EQ(run("prompt " + shown + "\nclick 18\nclick 17\nclick 18\nclick 2\n"), "cancel");
  EXPECT_FALSE(script.failed()) << script.error();
  Strings t = transcript_lines();
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[1], R"({"event":"message","text":"Something to say","caption":"Script test"})");
  EXPECT_EQ(t[2], R"({"event":"show","path":")" + shown + "\"}");
  // Each box closed unseen is told once with its caption; the viewer is not a message.
  EXPECT_EQ(notices, (Strings{"message \"Script test\": Something to say", "message \"Script test\": Something to say"}));
  EXPECT_EQ(script.dismissed_messages(), 2);
}

TEST_F(ScriptRun, RefusalsAreToldAsOneLineEach) {
  Strings notices;
  script.set_notice_sink([&](const std::string& line) { notices.push_back(line); });
  report_refusal("make_spline_from_pts", "spline refused: point 3 of 7 is not finite (x = nan)");
  report_refusal("make_spline_from_pts", "spline refused: point 3 of 7 is not finite (x = nan)");
  report_refusal("make_spline_from_pts", "spline refused: point 3 of 7 is not finite (x = nan)");
  flush_refusals();
  EXPECT_EQ(notices, (Strings{"refused: spline refused: point 3 of 7 is not finite (x = nan)",
                              "refused: spline refused: point 3 of 7 is not finite (x = nan) (2 more times)"}));
  Strings t = transcript_lines();
  ASSERT_EQ(t.size(), 2u);
  EXPECT_NE(t[0].find(R"("event":"refused")"), std::string::npos) << t[0];
}

TEST_F(ScriptRun, TheViewerIsAWindowTheScriptCloses) {
  std::string shown = test_file("script_shown.txt");
  std::ofstream(shown) << "first\nsecond\n";
  std::string picture = test_file("script_viewer.txt");
  EXPECT_EQ(run("prompt " + shown + "\nclick 17\nscreen " + picture + "\nkey Esc\nclick 17\nclose\nclick 1\n"), "ok");
  EXPECT_FALSE(script.failed()) << script.error();
  std::string pic = read_all(picture);
  EXPECT_NE(pic.find("│second"), std::string::npos) << pic;
  EXPECT_EQ(run("prompt " + shown + "\nclick 17\n"), "ended");
  EXPECT_EQ(script.error(), "test.script:2: the script ended with the viewer of " + shown + " open");
}

TEST_F(ScriptRun, EditRunsTheCommandWithFileSetWhenTheEditorIsAskedFor) {
  std::string f = test_file("script_edit.eqn");
  std::ofstream(f) << "x = 1\n";
  // The first edit line is read ahead of its click; the second answers the next request.
  EXPECT_EQ(run("prompt " + f + "\nedit printf 'y = 2\\n' >> \"$FILE\"\nclick 16\nclick 16\n"
                "edit printf 'z = 3\\n' >> \"$FILE\"\nclick 16\nclick 1\n"),
            "ok");
  EXPECT_FALSE(script.failed()) << script.error();
  // The second click takes the edit line after it; the third finds none and leaves the file.
  EXPECT_EQ(read_all(f), "x = 1\ny = 2\nz = 3\n");
  EXPECT_EQ(transcript_lines().size(), 4u);         // the prompt and three edits

  EXPECT_EQ(run("prompt " + f + "\nedit exit 3\nclick 16\nclick 1\n"), "ended");
  EXPECT_EQ(script.error(), "test.script:2: the edit command failed (exit status 3): exit 3");
}

TEST_F(ScriptRun, ScreenWritesAPictureOfTheWindows) {
  std::string picture = test_file("script_screen.txt");
  script.set_screen_header([] { return std::string("graphics: 2 marks"); });
  EXPECT_EQ(run("prompt /a.eqn\ntype 7\nscreen " + picture + "\nclick 1\n"), "ok");
  EXPECT_FALSE(script.failed()) << script.error();
  std::string pic = read_all(picture);
  EXPECT_EQ(pic.rfind("graphics: 2 marks\n\n┌─ Script test ─", 0), 0u) << pic;
  EXPECT_NE(pic.find(">7________"), std::string::npos) << pic;
  EXPECT_NE(pic.find("[   Open    ]"), std::string::npos) << pic;

  EXPECT_EQ(run("prompt /a.eqn\nscreen /nonexistent/dir/pic.txt\n"), "ended");
  EXPECT_EQ(script.error().rfind("test.script:2: cannot write the screen to /nonexistent/dir/pic.txt", 0), 0u)
      << script.error();
}

}  // namespace
}  // namespace orv::frontend
