// Whole runs of the plug-in in-process, as the host makes them: q_main with a scripted person
// answering the prompt and working the main dialog, checked through the file on disk, q_main's
// result, the current resource module and the warnings shown.
#include "entry/run_driver.h"

#include <cstring>

#include "dialogs/tests/dialog_test_support.h"
#include "dialogs/options_menu.h"
#include "dialogs/resource_ids.h"
#include "platform/message_box.h"

namespace kuvra_test {
namespace {

class RunDriverTest : public KuvraTest {
 protected:
  fs::path default_path() const { return root_ / "ZLINKS\\kuvra.eqn"; }

  /// Notes the text and caption of a message box in front, then dismisses it.
  void dismiss_message() {
    input_.then([this] {
      orv::WindowSystem& ws = host_.windows;
      orv::Window* w = ws.find(ws.active());
      if (w != nullptr && w->kind == orv::WindowKind::MessageBox) messages_.push_back(message_of(*w));
    }).key("Enter");
  }

  static std::string message_of(const orv::Window& box) {
    char text[512] = "";
    ::GetWindowTextA(::GetDlgItem(box.handle, orv::kMessageTextId), text, sizeof text);
    return box.text + ": " + text;
  }

  std::vector<std::string> messages_;  // "caption: text" of each box seen
};

// The written layout of the helix: settings in the writer's order, then the statements as read.
constexpr char helix_written[] =
    "step_var1 = t\nstep_size1 = 10\nlower_limit1 = 0\nupper_limit1 = 360\ngeometry = spline\n"
    "angles = degrees\norigin = 0, 0, 0\nx = cos(t)\ny = sin(t)\nz = t/360\n";

TEST(RunDriverEntry, AnswersTheHostInterfaceVersion) { EXPECT_EQ(q_version(), 1200); }

TEST_F(RunDriverTest, LibraryEntryJoinsAndLeavesTheFrameworksChain) {
  EXPECT_EQ(kuvra_module, module_);
  EXPECT_EQ(orv::library_entries_of(module_), 1);
  EXPECT_EQ(DllMain(module_, DLL_THREAD_ATTACH, nullptr), TRUE);
  EXPECT_EQ(DllMain(module_, DLL_PROCESS_DETACH, nullptr), TRUE);
  EXPECT_EQ(orv::library_entries_of(module_), 0);
  DllMain(module_, DLL_PROCESS_ATTACH, nullptr);  // for TearDown's detach
}

TEST_F(RunDriverTest, CancelledPromptReturnsZeroWithoutADialog) {
  front_.prompts = {std::nullopt};
  bool dialog_seen = false;
  input_.then([&] { dialog_seen = true; });
  EXPECT_EQ(q_main(), 0);
  EXPECT_FALSE(dialog_seen);
  input_.steps.clear();
  ASSERT_EQ(front_.prompt_defaults.size(), 1u);
  EXPECT_EQ(front_.prompt_defaults[0], root_.string() + "/ZLINKS\\kuvra.eqn");
  EXPECT_EQ(front_.prompt_filters[0], ".EQN");
  EXPECT_EQ(AfxGetResourceHandle(), orv::host_module());
}

TEST_F(RunDriverTest, AFileThatCannotBeOpenedReturnsZero) {
  front_.prompts = {(root_ / "missing.eqn").string()};
  EXPECT_EQ(q_main(), 0);
  EXPECT_FALSE(fs::exists(root_ / "missing.eqn"));
  EXPECT_EQ(AfxGetResourceHandle(), orv::host_module());
}

TEST_F(RunDriverTest, OkRewritesTheFileInTheWritersLayout) {
  fs::path path = file("helix.eqn", "x = cos(t)\ny = sin(t)\nangles = degrees\nz = t/360\n"
                                    "geometry = spline\nstep_var1 = t\nlower_limit1 = 0\n"
                                    "upper_limit1 = 360\nstep_size1 = 10\n");
  front_.prompts = {path.string()};
  HINSTANCE during = nullptr;
  input_.then([&] { during = AfxGetResourceHandle(); }).click(IDC_PLOT_IT).click(IDC_OK);
  EXPECT_EQ(q_main(), 1);
  EXPECT_EQ(during, module_);
  EXPECT_EQ(read_file(path), helix_written);
  EXPECT_EQ(host_.database.size(), 1u);
  EXPECT_EQ(StatementPool, nullptr);  // every statement of the run released
  EXPECT_EQ(AfxGetResourceHandle(), orv::host_module());
}

TEST_F(RunDriverTest, CancelLeavesTheFileAndKeepsTheChangesForTheNextRun) {
  fs::path path = file("helix.eqn", helix_file);
  front_.prompts = {path.string(), std::nullopt};
  input_.select(IDC_GEOMETRY, 1).click(IDC_USE_DEGREES).click(IDC_CANCEL);
  EXPECT_EQ(q_main(), 1);
  EXPECT_EQ(read_file(path), helix_file);
  EXPECT_EQ(PlotSettings.geometry, 5);
  EXPECT_EQ(PlotSettings.use_degrees, 0);
  EXPECT_EQ(q_main(), 0);  // a second run offers the default again, settings as left
  EXPECT_EQ(front_.prompt_defaults.back(), root_.string() + "/ZLINKS\\kuvra.eqn");
  EXPECT_EQ(PlotSettings.geometry, 5);
}

TEST_F(RunDriverTest, OpenFileThenOkWritesTheOtherFile) {
  fs::path first = file("helix.eqn", helix_file);
  fs::path other = file("line.eqn", "x = 2*t\n");
  front_.prompts = {first.string(), other.string()};
  input_.click(IDC_OPEN_FILE).click(IDC_OK);
  EXPECT_EQ(q_main(), 1);
  EXPECT_EQ(read_file(first), helix_file);
  EXPECT_EQ(read_file(other),
            "step_var1 = t\nstep_size1 = 10\nlower_limit1 = 0\nupper_limit1 = 360\n"
            "geometry = spline\nangles = degrees\norigin = 0, 0, 0\nx = 2*t\n");
}

TEST_F(RunDriverTest, EditEquationThenOkWritesTheEditedStatements) {
  fs::path path = file("helix.eqn", helix_file);
  front_.prompts = {path.string()};
  front_.editor = [](const std::string& p) {
    std::string text = read_file(p);
    text.replace(text.find("z = t/360"), 9, "z = t/180");
    write_file(p, text);
  };
  input_.click(IDC_EDIT_EQUATION).click(IDC_OK);
  EXPECT_EQ(q_main(), 1);
  std::string expected = helix_written;
  expected.replace(expected.find("z = t/360"), 9, "z = t/180");
  EXPECT_EQ(read_file(path), expected);
}

TEST_F(RunDriverTest, OkWritesBackOnlyAListThatIsNotEmpty) {
  const char settings_only[] = "geometry = lines\n  upper_limit1 = 2*pi\n";
  fs::path quiet = file("settings.eqn", settings_only);
  fs::path broken = file("broken.eqn", "x = (t\ngeometry = 3\n");  // failed lines are kept
  front_.prompts = {quiet.string(), broken.string()};
  input_.click(IDC_OK);
  EXPECT_EQ(q_main(), 1);
  input_.click(IDC_OK);
  EXPECT_EQ(q_main(), 1);
  EXPECT_EQ(read_file(quiet), settings_only);
  std::string text = read_file(broken);
  EXPECT_NE(text.find("origin = 0, 0, 0\nx = (t\ngeometry = 3\n"), std::string::npos) << text;
}

TEST_F(RunDriverTest, EndOfInputEndsTheRunAsCancel) {
  fs::path path = file("helix.eqn", helix_file);
  front_.prompts = {path.string()};
  input_.select(IDC_GEOMETRY, 0);  // then the input ends with the dialog open
  EXPECT_EQ(q_main(), 1);
  EXPECT_EQ(read_file(path), helix_file);
  EXPECT_EQ(PlotSettings.geometry, 4);
  EXPECT_TRUE(host_.windows.thread_messages().empty());
}

TEST_F(RunDriverTest, ADialogThatCannotBeMadeEndsTheRunAsCancel) {
  static const ResourceTable no_templates = {kResourceFormatVersion, nullptr, 0, nullptr, 0};
  HINSTANCE attached = kuvra_module;
  kuvra_module = orv::register_module("bare", &no_templates);
  fs::path path = file("helix.eqn", helix_file);
  front_.prompts = {path.string()};
  bool polled = false;
  input_.then([&] { polled = true; });
  EXPECT_EQ(q_main(), 1);
  EXPECT_FALSE(polled);  // no waiting for events that could never end the run
  EXPECT_EQ(read_file(path), helix_file);
  orv::unregister_module(kuvra_module);
  kuvra_module = attached;
  input_.steps.clear();
}

TEST_F(RunDriverTest, AFailedWriteBackWarnsAndLeavesTheOriginal) {
  // A write that fails (the device is full), then a file that cannot be opened for writing at all.
  fs::path path = file("helix.eqn", helix_file);
  fs::create_directory(root_ / "gone");
  fs::path doomed = root_ / "gone" / "helix.eqn";
  write_file(doomed, helix_file);
  front_.prompts = {path.string(), doomed.string()};
  orv::set_committing_write_hook([](int, const void*, std::size_t) -> long {
    errno = ENOSPC;
    return -1;
  });
  input_.click(IDC_OK);
  dismiss_message();
  int result = q_main();
  orv::set_committing_write_hook({});
  EXPECT_EQ(result, 1);
  EXPECT_EQ(read_file(path), helix_file);

  input_.then([&] { fs::remove_all(root_ / "gone"); }).click(IDC_OK);
  dismiss_message();
  EXPECT_EQ(q_main(), 1);
  EXPECT_EQ(messages_, (std::vector<std::string>{"Warning: " + path.string() + " could not be written",
                                                 "Warning: " + doomed.string() + " could not be written"}));
}

TEST_F(RunDriverTest, TheLongestMainDirectoryStillGivesTheDefault) {
  // 239 characters is the longest that still fits with "ZLINKS\kuvra.eqn" and the NUL; the host
  // refuses a longer one, so the default is never cut.
  for (size_t length : {239u, 240u}) {
    fs::path dir = root_;
    size_t remaining = length - 1 - dir.string().size();  // the host adds the final "/"
    for (; remaining > 52; remaining -= 51) dir /= std::string(50, 'd');
    dir /= std::string(remaining - 1, 'e');
    ASSERT_EQ(dir.string().size() + 1, length);
    fs::create_directories(dir);
    std::string err;
    if (length == 240) {
      EXPECT_FALSE(orv::set_main_dir(dir.string(), err));
      continue;
    }
    ASSERT_TRUE(orv::set_main_dir(dir.string(), err)) << err;
    front_.prompts = {std::nullopt};
    EXPECT_EQ(q_main(), 0);
    EXPECT_EQ(front_.prompt_defaults.back(), dir.string() + "/ZLINKS\\kuvra.eqn");
  }
}

TEST_F(RunDriverTest, ThePluginsModuleAlreadyCurrentIsLeftCurrent) {
  AfxSetResourceHandle(module_);
  front_.prompts = {std::nullopt};
  EXPECT_EQ(q_main(), 0);
  EXPECT_EQ(AfxGetResourceHandle(), module_);
}

}  // namespace
}  // namespace kuvra_test
