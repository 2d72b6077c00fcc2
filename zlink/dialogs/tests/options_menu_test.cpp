// The main dialog driven as a user drives it: made modeless over the host's main frame, then
// clicked, typed and selected by control id; checked through PlotSettings, the posted run-done
// message, the host's database and what the fake front end was asked.
#include "dialogs/options_menu.h"

#include <cstring>
#include <memory>

#include "dialogs/tests/dialog_test_support.h"
#include "dialogs/resource_ids.h"
#include "eqfile/equation_file.h"

namespace kuvra_test {
namespace {

class OptionsMenuTest : public KuvraTest {
 protected:
  void TearDown() override {
    dialog_.reset();
    KuvraTest::TearDown();
  }

  /// Makes the dialog as the run driver does, with the plug-in's module current for its template.
  COptionsMenu* open(Statement* head, const fs::path& path) {
    dialog_.reset();
    host_.windows.thread_messages().clear();
    AfxSetResourceHandle(module_);
    dialog_ = std::make_unique<COptionsMenu>(get_MainFrame());
    dialog_->SetRunData(head, path.string().c_str());
    EXPECT_TRUE(dialog_->Create(IDD_KUVRA));
    front_.watched = dialog_->m_hWnd;
    return dialog_.get();
  }

  static Statement* read(const fs::path& path) {
    FILE* f = std::fopen(path.c_str(), "r");
    EXPECT_NE(f, nullptr);
    Statement* head = nullptr;
    read_equation_file(f, &head);
    std::fclose(f);
    return head;
  }

  static std::string item(COptionsMenu* d, int index) {
    char text[64] = "";
    d->geometryList.GetLBText(index, text);
    return text;
  }

  std::unique_ptr<COptionsMenu> dialog_;
};

const std::vector<std::pair<UINT, WPARAM>> run_ok = {{WM_RUN_DONE, 1}};
const std::vector<std::pair<UINT, WPARAM>> run_cancelled = {{WM_RUN_DONE, 0}};

TEST_F(OptionsMenuTest, OpensShownWithTheNineKindsAndTheSettings) {
  PlotSettings.geometry = 7;
  COptionsMenu* d = open(nullptr, root_ / "a.eqn");
  EXPECT_TRUE(::IsWindowVisible(d->m_hWnd));
  char caption[32] = "";
  d->GetWindowText(caption, sizeof caption);
  EXPECT_STREQ(caption, "Kuvra");
  const char* kinds[] = {"Draw Spline", "Points", "Lines", "Parametric Spline", "NURB Spline",
                         "Draw Surface", "Surface Points", "Parametric Surface", "NURB Surface"};
  ASSERT_EQ(d->geometryList.GetCount(), 9);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(item(d, i), kinds[i]) << i;
  EXPECT_EQ(d->geometryList.GetCurSel(), 3);
  EXPECT_EQ(d->IsDlgButtonChecked(IDC_USE_DEGREES), 1u);
  EXPECT_EQ(d->IsDlgButtonChecked(IDC_TRACE_VARIABLES), 0u);

  for (int kind : {3, 13, -1}) {  // a kind read from a file that the list does not hold
    PlotSettings.geometry = kind;
    d = open(nullptr, root_ / "a.eqn");
    EXPECT_EQ(d->geometryList.GetCurSel(), CB_ERR) << kind;
    EXPECT_EQ(PlotSettings.geometry, kind);
    orv::select_item(IDC_GEOMETRY, 8);
    EXPECT_EQ(PlotSettings.geometry, 12);
  }
}

TEST_F(OptionsMenuTest, ControlsStoreAtOnceAndOkOnTheOkButtonEndsTheRun) {
  COptionsMenu* d = open(nullptr, root_ / "a.eqn");
  HWND window = d->m_hWnd;
  orv::click_control(IDC_USE_DEGREES);
  EXPECT_EQ(PlotSettings.use_degrees, 0);
  orv::click_control(IDC_TRACE_VARIABLES);
  EXPECT_EQ(PlotSettings.trace_variables, 1);
  orv::select_item(IDC_GEOMETRY, 1);
  EXPECT_EQ(PlotSettings.geometry, 5);
  EXPECT_TRUE(posted().empty());
  orv::click_control(IDC_OK);
  EXPECT_EQ(posted(), run_ok);
  EXPECT_FALSE(::IsWindow(window));
  EXPECT_EQ(PlotSettings.use_degrees, 0);
  EXPECT_EQ(PlotSettings.trace_variables, 1);
}

TEST_F(OptionsMenuTest, EnterAwayFromTheOkButtonOnlyExchangesData) {
  COptionsMenu* d = open(nullptr, root_ / "a.eqn");
  ::SetFocus(::GetDlgItem(d->m_hWnd, IDC_USE_DEGREES));
  d->CheckDlgButton(IDC_USE_DEGREES, 0);
  orv::press_key("Enter");
  EXPECT_EQ(d->useDegrees, 0);             // exchanged from the control...
  EXPECT_EQ(PlotSettings.use_degrees, 1);  // ...but not stored, and the run goes on
  EXPECT_TRUE(posted().empty());
  EXPECT_TRUE(::IsWindow(d->m_hWnd));
}

TEST_F(OptionsMenuTest, CancelEscAndTheCloseBoxPostRunDoneZeroAndKeepTheChanges) {
  const std::vector<std::function<void()>> ways = {
      [] { orv::click_control(IDC_CANCEL); }, [] { orv::press_key("Esc"); }, [] { orv::close_active(); }};
  for (size_t i = 0; i < ways.size(); ++i) {
    PlotSettings = initial_plot_settings;
    COptionsMenu* d = open(nullptr, root_ / "a.eqn");
    HWND window = d->m_hWnd;
    orv::select_item(IDC_GEOMETRY, 6);
    orv::click_control(IDC_USE_DEGREES);
    ways[i]();
    EXPECT_EQ(posted(), run_cancelled) << i;
    EXPECT_FALSE(::IsWindow(window)) << i;
    EXPECT_EQ(PlotSettings.geometry, 10) << i;
    EXPECT_EQ(PlotSettings.use_degrees, 0) << i;
  }
}

TEST_F(OptionsMenuTest, OriginPickHidesTheDialogAndAnAbandonedPickKeepsTheOrigin) {
  PlotSettings.origin[0] = 1, PlotSettings.origin[1] = 2, PlotSettings.origin[2] = 3;
  COptionsMenu* d = open(nullptr, root_ / "a.eqn");
  front_.picks = {std::array<double, 3>{4, 5, 6}, std::nullopt};
  orv::click_control(IDC_ORIGIN);
  EXPECT_EQ(PlotSettings.origin[0], 4);
  EXPECT_EQ(PlotSettings.origin[2], 6);
  EXPECT_EQ(front_.cleans, 1);
  orv::click_control(IDC_ORIGIN);
  EXPECT_EQ(PlotSettings.origin[0], 4);
  EXPECT_EQ(PlotSettings.origin[1], 5);
  EXPECT_EQ(PlotSettings.origin[2], 6);
  EXPECT_EQ(front_.cleans, 2);  // cleaned after an abandoned pick too
  EXPECT_EQ(front_.owner_visible_at_pick, (std::vector<bool>{false, false}));
  EXPECT_TRUE(::IsWindowVisible(d->m_hWnd));
}

TEST_F(OptionsMenuTest, PlotItPlotsTheStatementsWithTheCurrentSettings) {
  fs::path path = file("helix.eqn", helix_file);
  open(read(path), path);
  orv::click_control(IDC_PLOT_IT);
  ASSERT_EQ(host_.database.size(), 1u);
  const orv::Entity* spline = host_.database.entities()[0];
  EXPECT_EQ(spline->kind(), ENT_SPLINE);
  EXPECT_EQ(spline->through().size(), 37u);
  orv::select_item(IDC_GEOMETRY, 1);  // points, same statements
  orv::click_control(IDC_PLOT_IT);
  EXPECT_EQ(host_.database.size(), 1u + 37u);
  EXPECT_TRUE(posted().empty());
}

TEST_F(OptionsMenuTest, OpenFileReadsTheChosenFileAndRefreshesTheControls) {
  std::strcpy(eqn_filter, ".EQN");
  fs::path first = file("helix.eqn", helix_file);
  fs::path other = file("saddle.eqn", "geometry = nurbs_surf\nangles = radians\nx = u\n");
  Statement* head = read(first);
  COptionsMenu* d = open(head, first);

  front_.prompts = {std::nullopt};
  orv::click_control(IDC_OPEN_FILE);  // cancelled: nothing read
  EXPECT_EQ(d->statements, head);
  EXPECT_EQ(front_.prompt_defaults.back(), first.string());
  EXPECT_EQ(front_.prompt_filters.back(), ".EQN");

  front_.prompts = {other.string()};
  orv::click_control(IDC_OPEN_FILE);
  EXPECT_STREQ(d->path, other.c_str());
  ASSERT_NE(d->statements, nullptr);
  EXPECT_STREQ(d->statements->text, "x = u");
  EXPECT_EQ(d->geometryList.GetCurSel(), 8);
  EXPECT_EQ(PlotSettings.use_degrees, 0);
  EXPECT_EQ(d->IsDlgButtonChecked(IDC_USE_DEGREES), 0u);

  // A chosen file that cannot be opened: nothing read, but it is the dialog's file from now on.
  fs::path missing = root_ / "missing.eqn";
  Statement* before = d->statements;
  front_.prompts = {missing.string()};
  orv::click_control(IDC_OPEN_FILE);
  EXPECT_STREQ(d->path, missing.c_str());
  EXPECT_EQ(d->statements, before);
  orv::click_control(IDC_EDIT_EQUATION);
  EXPECT_EQ(front_.edited, std::vector<std::string>{missing.string()});
  EXPECT_EQ(d->statements, before);
}

TEST_F(OptionsMenuTest, EditEquationReadsTheEditedFileAgain) {
  fs::path path = file("helix.eqn", helix_file);
  COptionsMenu* d = open(read(path), path);
  front_.editor = [](const std::string& p) { write_file(p, "geometry = lines\nangles = radians\nx = 2*t\n"); };
  orv::click_control(IDC_EDIT_EQUATION);
  ASSERT_NE(d->statements, nullptr);
  EXPECT_STREQ(d->statements->text, "x = 2*t");
  EXPECT_EQ(d->statements->next, nullptr);
  EXPECT_EQ(PlotSettings.geometry, 6);
  EXPECT_EQ(d->geometryList.GetCurSel(), 2);
  EXPECT_EQ(d->IsDlgButtonChecked(IDC_USE_DEGREES), 0u);
}

TEST_F(OptionsMenuTest, SetVariablesCancelRestoresEveryCommittedField) {
  open(nullptr, root_ / "a.eqn");
  AfxSetResourceHandle(orv::host_module());  // Set variables switches to the plug-in by itself
  bool switched = false;
  input_.then([&] { switched = AfxGetResourceHandle() == module_; EXPECT_EQ(focus_id(), IDC_NAME1); })
      .type("u").key("Tab")
      .then([] { EXPECT_STREQ(PlotSettings.step_var[0], "u"); })
      .type("-3").key("Tab").type("9").key("Tab").type("0.5").key("Tab").type("w").key("Tab")
      .then([] {
        EXPECT_EQ(PlotSettings.lower_limit[0], -3);
        EXPECT_EQ(PlotSettings.upper_limit[0], 9);
        EXPECT_EQ(PlotSettings.step_size[0], 0.5);
        EXPECT_STREQ(PlotSettings.step_var[1], "w");
      })
      .click(IDC_CANCEL);
  orv::click_control(IDC_SET_VARIABLES);
  EXPECT_TRUE(switched);
  EXPECT_EQ(AfxGetResourceHandle(), orv::host_module());
  EXPECT_STREQ(PlotSettings.step_var[0], "x");
  EXPECT_STREQ(PlotSettings.step_var[1], "y");
  EXPECT_EQ(PlotSettings.lower_limit[0], 0);
  EXPECT_EQ(PlotSettings.upper_limit[0], 1);
  EXPECT_EQ(PlotSettings.step_size[0], 0.25);
  EXPECT_EQ(focus_id(), IDC_OK);  // back in the main dialog, on its OK button
}

TEST_F(OptionsMenuTest, SetVariablesOkKeepsTheStoredFields) {
  open(nullptr, root_ / "a.eqn");
  input_.type("s").key("Tab").type("-1").click(IDC_OK);  // the click commits the field it leaves
  orv::click_control(IDC_SET_VARIABLES);
  EXPECT_STREQ(PlotSettings.step_var[0], "s");
  EXPECT_EQ(PlotSettings.lower_limit[0], -1);
  EXPECT_EQ(AfxGetResourceHandle(), module_);  // it was current already: nothing restored
}

}  // namespace
}  // namespace kuvra_test
