// The host's prompts played through the pump as a person would: the file prompt's one rule (a click
// selects, a double-click or Enter opens, the path field follows), the point prompt's fields, the
// export prompt that stays open on a failure, the question asked before leaving; and the folder
// listing and points as text.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <deque>
#include <fstream>
#include <functional>

#include "core/host_prompts.h"
#include "core/recent_files.h"
#include "platform/cell_render.h"
#include "platform/event_loop.h"
#include "platform/platform_state.h"
#include "platform/window_system.h"

namespace orv {
namespace {

// Plays events; a step may instead look at the windows as they are at that point of the run.
class Steps : public InputSource {
 public:
  Steps& key(const std::string& k) { return event({UiEvent::Kind::Key, k, 0, 0, 0}); }
  Steps& type(const std::string& t) { return event({UiEvent::Kind::Type, t, 0, 0, 0}); }
  Steps& click(int id) { return event({UiEvent::Kind::Click, "", id, 0, 0}); }
  Steps& select(int id, int i) { return event({UiEvent::Kind::Select, "", id, i, 0}); }
  Steps& open(int id, int i) { return event({UiEvent::Kind::DoubleClick, "", id, i, 0}); }
  Steps& check(std::function<void()> f) {
    steps_.push_back({{}, std::move(f)});
    return *this;
  }
  bool next_event(UiEvent& e) override {
    while (!steps_.empty()) {
      Step s = std::move(steps_.front());
      steps_.pop_front();
      if (s.check) {
        s.check();
        continue;
      }
      e = s.event;
      return true;
    }
    return false;
  }
  void event_failed(const UiEvent& e, const std::string& why) override { failures.push_back(e.text + ": " + why); }
  std::vector<std::string> failures;

 private:
  struct Step {
    UiEvent event;
    std::function<void()> check;
  };
  Steps& event(UiEvent e) {
    steps_.push_back({std::move(e), {}});
    return *this;
  }
  std::deque<Step> steps_;
};

class Prompts : public ::testing::Test {
 protected:
  Steps input;
  void SetUp() override {
    platform_state().windows.reset();
    install_input_source(&input);
  }
  void TearDown() override {
    install_input_source(nullptr);
    platform_state().windows.reset();
  }
  // The control `id` of the active window.
  static Window& control(int id) {
    WindowSystem& ws = platform_state().windows;
    Window* a = ws.find(ws.active());
    for (HWND c : a->children)
      if (Window* w = ws.find(c); w && w->id == id) return *w;
    ADD_FAILURE() << "no control " << id;
    static Window none;
    return none;
  }
  static std::string text(int id) { return control(id).text; }
};

struct TempDir {
  std::string path;
  TempDir() {
    char tmpl[] = "/tmp/orv_prompts_XXXXXX";
    path = ::mkdtemp(tmpl) ? std::string(tmpl) + "/" : std::string();
  }
  ~TempDir() { std::system(("rm -rf '" + path + "'").c_str()); }
};

TEST_F(Prompts, TheFilePromptSelectsOnAClickOpensOnADoubleClickAndItsFieldFollows) {
  TempDir d;
  ASSERT_FALSE(d.path.empty());
  ASSERT_EQ(::mkdir((d.path + "sub").c_str(), 0755), 0);
  std::ofstream(d.path + "a.eqn") << "x = t\n";
  std::ofstream(d.path + "sub/b.eqn") << "x = t\n";
  std::ofstream(d.path + "sub/c.eqn") << "x = t\n";
  using Items = std::vector<std::string>;
  input.check([&] {
        EXPECT_EQ(control(kFileListId).items, (Items{"../", "sub/", "a.eqn"}));
        EXPECT_EQ(control(kFileListId).cur_sel, -1);
        EXPECT_EQ(text(kFilePathId), d.path + "a.eqn");
        EXPECT_EQ(text(kFileFolderId), "Look in: " + d.path);
      })
      .select(kFileListId, 1)  // a click on a folder selects it: nothing is entered
      .check([&] {
        EXPECT_EQ(control(kFileListId).items, (Items{"../", "sub/", "a.eqn"}));
        EXPECT_EQ(text(kFilePathId), d.path + "sub/");
      })
      .open(kFileListId, 1)  // a double-click enters it, and chooses nothing in it
      .check([&] {
        EXPECT_EQ(control(kFileListId).items, (Items{"../", "b.eqn", "c.eqn"}));
        EXPECT_EQ(control(kFileListId).cur_sel, -1);
        EXPECT_EQ(text(kFilePathId), d.path + "sub/");
      })
      .select(kFileListId, 0)
      .check([&] { EXPECT_EQ(text(kFilePathId), d.path); })
      .open(kFileListId, 0)  // "../" climbs one level
      .check([&] { EXPECT_EQ(text(kFileFolderId), "Look in: " + d.path); })
      .key("Down")  // the arrows select, and the field follows
      .key("Down")
      .check([&] { EXPECT_EQ(text(kFilePathId), d.path + "sub/"); })
      .key("Enter")  // Enter on the list opens the selection
      .key("End")
      .check([&] { EXPECT_EQ(text(kFilePathId), d.path + "sub/c.eqn"); })
      .click(kFilePathId)
      .type(d.path + "missing.eqn")  // the field's text is selected with the focus: typing replaces it
      .key("Enter")
      .check([&] {
        EXPECT_EQ(text(kFileNoteId), "No such file: " + d.path + "missing.eqn");
        EXPECT_EQ(control(kFilePathId).text, d.path + "missing.eqn");
      })
      .key("Ctrl+A")
      .type(d.path + "sub/b.eqn")
      .key("Enter");
  std::string path = d.path + "a.eqn";
  EXPECT_EQ(run_file_prompt(path, ".EQN", nullptr), PromptEnd::Answered);
  EXPECT_EQ(path, d.path + "sub/b.eqn");
  EXPECT_TRUE(input.failures.empty()) << input.failures.front();
  EXPECT_EQ(platform_state().windows.active(), platform_state().windows.main_frame());  // the prompt is gone

  // Back from the question before leaving: the next prompt answers with that file at once.
  resume_last_file();
  std::string again = "/nowhere.eqn";
  EXPECT_EQ(run_file_prompt(again, ".EQN", nullptr), PromptEnd::Answered);
  EXPECT_EQ(again, d.path + "sub/b.eqn");
  // Only once: the one after it asks, and Esc cancels it, the path unchanged.
  input.key("Esc");
  EXPECT_EQ(run_file_prompt(again, ".EQN", nullptr), PromptEnd::Cancelled);
  EXPECT_EQ(again, d.path + "sub/b.eqn");
  // The input ending ends the prompt.
  EXPECT_EQ(run_file_prompt(again, ".EQN", nullptr), PromptEnd::InputEnded);
}

// The recent files follow the folder's entries by their whole paths, and a double-click opens one
// from any folder; a person's choice heads the list it is kept in.
TEST_F(Prompts, TheRecentFilesAreOfferedAfterTheFolderAndOpenLikeAnyFile) {
  TempDir d;
  ASSERT_FALSE(d.path.empty());
  ASSERT_EQ(::mkdir((d.path + "here").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((d.path + "far").c_str(), 0755), 0);
  std::ofstream(d.path + "here/a.eqn") << "x = t\n";
  std::ofstream(d.path + "far/b.eqn") << "x = t\n";
  ::setenv("XDG_CONFIG_HOME", (d.path + "config").c_str(), 1);
  keep_recent_files(true);
  note_file_chosen(d.path + "far/b.eqn");
  using Items = std::vector<std::string>;
  input.check([&] { EXPECT_EQ(control(kFileListId).items, (Items{"../", "a.eqn", "recent  " + d.path + "far/b.eqn"})); })
      .select(kFileListId, 2)
      .check([&] { EXPECT_EQ(text(kFilePathId), d.path + "far/b.eqn"); })
      .open(kFileListId, 2);
  std::string path = d.path + "here/a.eqn";
  EXPECT_EQ(run_file_prompt(path, ".EQN", nullptr), PromptEnd::Answered);
  EXPECT_EQ(path, d.path + "far/b.eqn");
  std::ifstream list(d.path + "config/orvantis/recent");
  std::string first;
  std::getline(list, first);
  EXPECT_EQ(first, d.path + "far/b.eqn");
  keep_recent_files(false);
  ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(Prompts, AListBoxRowIsDrawnAndHitInCells) {
  TempDir d;
  std::ofstream(d.path + "a.eqn") << "x = t\n";
  input.select(kFileListId, 1).check([] {
    WindowSystem& ws = platform_state().windows;
    const std::string shown = render_window(ws, ws.active()).to_string();
    EXPECT_NE(shown.find(">a.eqn"), std::string::npos) << shown;  // the selection is marked
    const Window& list = control(kFileListId);
    const CellRect r = control_cells(list);
    const CellHit hit = hit_test(ws, ws.active(), r.x + 2, r.y + 1);
    EXPECT_EQ(hit.id, kFileListId);
    EXPECT_EQ(hit.index, 1);
    EXPECT_EQ(hit_test(ws, ws.active(), r.x + 2, r.y + 5).index, -1);  // below the last item
  });
  std::string path = d.path + "a.eqn";
  EXPECT_EQ(run_file_prompt(path, ".EQN", nullptr), PromptEnd::InputEnded);
}

TEST_F(Prompts, ThePointPromptTakesThreeNumbersInXAndKeepsTheFocusOnARefusal) {
  std::array<double, 3> p{1, 2, 3};
  input.check([] { EXPECT_EQ(text(kPointXId), "1"); }).type("10, 0, 0").key("Enter");
  EXPECT_EQ(run_point_prompt("", p), PromptEnd::Answered);
  EXPECT_EQ(p, (std::array<double, 3>{10, 0, 0}));

  input.key("Tab")
      .type("abc")
      .key("Enter")
      .check([] {
        EXPECT_NE(text(kPointNoteId).find("Y \"abc\" is not a number"), std::string::npos) << text(kPointNoteId);
        WindowSystem& ws = platform_state().windows;
        EXPECT_EQ(ws.find(ws.focus())->id, kPointYId);  // the keys stay on the field to correct
      })
      .type("-2.5")
      .key("Enter");
  EXPECT_EQ(run_point_prompt("Origin", p), PromptEnd::Answered);
  EXPECT_EQ(p, (std::array<double, 3>{10, -2.5, 0}));

  // A click on the view fills the fields; Esc abandons and keeps the point.
  input.check([] {
        EXPECT_TRUE(point_prompt_open());
        EXPECT_TRUE(fill_point_prompt({4, 5, 6}));
        EXPECT_EQ(text(kPointZId), "6");
      })
      .key("Esc");
  EXPECT_EQ(run_point_prompt("", p), PromptEnd::Cancelled);
  EXPECT_EQ(p, (std::array<double, 3>{10, -2.5, 0}));
  EXPECT_FALSE(point_prompt_open());
  EXPECT_FALSE(fill_point_prompt({1, 1, 1}));
}

TEST_F(Prompts, AFailedExportStaysInThePromptWithItsReason) {
  std::vector<std::string> tried;
  const ExportWrite write = [&tried](const std::string& path, std::string& why) {
    tried.push_back(path);
    if (path.size() < 5 || path.compare(path.size() - 5, 5, ".step") != 0) {
      why = path + ": the format is chosen by the extension";
      return false;
    }
    why = "Wrote " + path;
    return true;
  };
  std::string path = "out/a.step", told;
  input.type("out/b.dwg")  // selected on entry: typing replaces the last path
      .key("Enter")
      .check([] {
        EXPECT_EQ(text(kExportNoteId), "out/b.dwg: the format is chosen by the extension");
        EXPECT_EQ(text(kExportPathId), "out/b.dwg");
      })
      .key("End")
      .key("Backspace")
      .key("Backspace")
      .key("Backspace")
      .type("step")
      .key("Enter");
  EXPECT_EQ(run_export_prompt(path, ".step .dwg", write, told), PromptEnd::Answered);
  EXPECT_EQ(tried, (std::vector<std::string>{"out/b.dwg", "out/b.step"}));
  EXPECT_EQ(path, "out/b.step");
  EXPECT_EQ(told, "Wrote out/b.step");
  input.key("Esc");
  EXPECT_EQ(run_export_prompt(path, ".step", write, told), PromptEnd::Cancelled);
  EXPECT_EQ(told, "Export cancelled");
  EXPECT_EQ(path, "out/b.step");
}

TEST_F(Prompts, TheQuestionBeforeLeavingTakesItsLettersAndEscGoesBack) {
  input.check([] {
         EXPECT_EQ(text(kLeaveTextId), "The geometry made in this session is not saved.");
         EXPECT_EQ(platform_state().windows.find(platform_state().windows.active())->text, "Leave the host?");
       })
      .type("d");
  EXPECT_EQ(run_leave_question(), LeaveAnswer::Discard);
  input.type("S");
  EXPECT_EQ(run_leave_question(), LeaveAnswer::Save);
  input.type("b");
  EXPECT_EQ(run_leave_question(), LeaveAnswer::Back);
  input.type("x").key("Esc");  // a letter no button has does nothing
  EXPECT_EQ(run_leave_question(), LeaveAnswer::Back);
  EXPECT_EQ(input.failures.size(), 1u);
  input.click(kLeaveDiscardId);
  EXPECT_EQ(run_leave_question(), LeaveAnswer::Discard);
  EXPECT_EQ(run_leave_question(), LeaveAnswer::InputEnded);
}

TEST(FolderListing, FoldersFirstThenMatchingFilesWithoutCase) {
  TempDir d;
  const std::string& dir = d.path;
  ASSERT_EQ(::mkdir((dir + "zeta").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir((dir + "Alpha").c_str(), 0755), 0);
  for (const char* f : {"b.eqn", "A.EQN", "notes.txt", ".hidden.eqn"}) std::ofstream(dir + f) << "x\n";
  std::vector<FolderEntry> e;
  ASSERT_TRUE(list_folder(dir, ".EQN", e));
  std::vector<std::string> names;
  for (const auto& x : e) names.push_back(x.name);
  EXPECT_EQ(names, (std::vector<std::string>{"../", "Alpha/", "zeta/", "A.EQN", "b.eqn"}));
  EXPECT_TRUE(e[1].folder);
  EXPECT_FALSE(e[3].folder);
  ASSERT_TRUE(list_folder(dir, "", e));
  EXPECT_EQ(e.size(), 6u);  // every file with no filter
  EXPECT_FALSE(list_folder(dir + "missing/", ".EQN", e));
  ASSERT_TRUE(list_folder("/", "", e));
  EXPECT_TRUE(e.empty() || e[0].name != "../");
}

TEST(FolderListing, TheParentOfAFolderIsOneLevelUp) {
  EXPECT_EQ(parent_folder("/a/b/"), "/a/");
  EXPECT_EQ(parent_folder("/a/"), "/");
  EXPECT_EQ(parent_folder("/"), "/");
  EXPECT_EQ(parent_folder("a/b/"), "a/");
  EXPECT_EQ(parent_folder("a/"), "./");
  EXPECT_EQ(parent_folder("./"), "../");
  EXPECT_EQ(parent_folder("../"), "../../");
  EXPECT_EQ(parent_folder("a/./"), "a/../");
}

TEST(PointText, ThreeFiniteNumbersWithCommasOrSpaces) {
  std::array<double, 3> p{9, 9, 9};
  EXPECT_TRUE(parse_point("1, 2.5, -3", p));
  EXPECT_EQ(p, (std::array<double, 3>{1, 2.5, -3}));
  EXPECT_TRUE(parse_point("  4 5\t6 ", p));
  EXPECT_EQ(p, (std::array<double, 3>{4, 5, 6}));
  std::array<double, 3> kept = p;
  for (const char* bad : {"", "1, 2", "1, 2, 3, 4", "a, b, c", "1, 2, nan", "1, 2, 1e999", "1,,2"}) {
    EXPECT_FALSE(parse_point(bad, p)) << bad;
    EXPECT_EQ(p, kept) << bad;
  }
  EXPECT_EQ(format_point({1, 2.5, -3}), "1, 2.5, -3");
  std::array<double, 3> back;
  ASSERT_TRUE(parse_point(format_point({0.1, 1e-7, 123456.789}), back));
  EXPECT_DOUBLE_EQ(back[0], 0.1);
  EXPECT_DOUBLE_EQ(back[2], 123456.789);
}

}  // namespace
}  // namespace orv
