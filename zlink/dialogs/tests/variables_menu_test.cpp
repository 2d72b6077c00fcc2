// The Variables dialog run modally as the main dialog runs it, with a scripted person typing into
// its edits: every field reaches PlotSettings when it loses the focus, a bad number is reported and
// keeps the focus, and OK stores nothing itself.
#include "dialogs/variables_menu.h"

#include <cstring>

#include "dialogs/tests/dialog_test_support.h"
#include "dialogs/resource_ids.h"
#include "orvantis/host_geometry.h"

namespace kuvra_test {
namespace {

class VariablesMenuTest : public KuvraTest {
 protected:
  intptr_t run() {
    AfxSetResourceHandle(module_);
    CVariablesMenu dialog(get_MainFrame());
    return dialog.DoModal();
  }

  static std::string text_of(int id) {
    char text[64] = "";
    ::GetWindowTextA(::GetDlgItem(::GetParent(::GetFocus()), id), text, sizeof text);
    return text;
  }

  bool message_box_active() {
    orv::Window* w = host_.windows.find(host_.windows.active());
    return w != nullptr && w->kind == orv::WindowKind::MessageBox;
  }

  /// The person finds a message box in front, dismisses it and is back on edit `id`.
  void expect_rejected(int id) {
    input_.then([this] { EXPECT_TRUE(message_box_active()); })
        .key("Enter")
        .then([id] { EXPECT_EQ(focus_id(), id); });
  }
};

TEST_F(VariablesMenuTest, OpensWithTheEightSettings) {
  std::strcpy(PlotSettings.step_var[0], "t");
  std::strcpy(PlotSettings.step_var[1], "v");
  PlotSettings.lower_limit[0] = -2.5;
  PlotSettings.upper_limit[1] = 7;
  std::string name1, name2, lower1, upper2;
  input_.then([&] {
    name1 = text_of(IDC_NAME1);
    name2 = text_of(IDC_NAME2);
    lower1 = text_of(IDC_LOWER1);
    upper2 = text_of(IDC_UPPER2);
  }).key("Esc");
  EXPECT_EQ(run(), IDCANCEL);
  EXPECT_EQ(name1, "t");
  EXPECT_EQ(name2, "v");
  EXPECT_DOUBLE_EQ(std::stod(lower1), -2.5);
  EXPECT_DOUBLE_EQ(std::stod(upper2), 7);
}

TEST_F(VariablesMenuTest, EveryFieldIsStoredWhenItLosesTheFocus) {
  const int order[] = {IDC_NAME1, IDC_LOWER1, IDC_UPPER1, IDC_STEP1,
                       IDC_NAME2, IDC_LOWER2, IDC_UPPER2, IDC_STEP2};
  const char* typed[] = {"a", "-1", "2", "0.5", "b", "-3", "4", "0.125"};
  PlotSettings.geometry = 7;  // a curve kind: variable 2 is still edited and stored
  for (int i = 0; i < 8; ++i) {
    input_.then([i, &order] { EXPECT_EQ(focus_id(), order[i]); }).type(typed[i]).key("Tab");
  }
  input_.then([] { EXPECT_EQ(focus_id(), IDC_OK); }).key("Enter");
  EXPECT_EQ(run(), IDOK);
  EXPECT_STREQ(PlotSettings.step_var[0], "a");
  EXPECT_EQ(PlotSettings.lower_limit[0], -1);
  EXPECT_EQ(PlotSettings.upper_limit[0], 2);
  EXPECT_EQ(PlotSettings.step_size[0], 0.5);
  EXPECT_STREQ(PlotSettings.step_var[1], "b");
  EXPECT_EQ(PlotSettings.lower_limit[1], -3);
  EXPECT_EQ(PlotSettings.upper_limit[1], 4);
  EXPECT_EQ(PlotSettings.step_size[1], 0.125);
}

TEST_F(VariablesMenuTest, EnterInAFieldStoresThatFieldAndStaysOpen) {
  input_.key("Tab").type("7").key("Enter")
      .then([] {
        EXPECT_EQ(PlotSettings.lower_limit[0], 7);
        EXPECT_EQ(focus_id(), IDC_LOWER1);
      })
      .key("Esc");
  EXPECT_EQ(run(), IDCANCEL);  // the caller, not the dialog, undoes a cancelled run
}

TEST_F(VariablesMenuTest, ABadNumberIsReportedAndKeepsTheFocusUntilCorrected) {
  input_.key("Tab").type("abc").key("Tab");
  expect_rejected(IDC_LOWER1);
  input_.click(IDC_OK);  // the click's focus change commits the field, fails, and is dropped
  expect_rejected(IDC_LOWER1);
  input_.then([] { EXPECT_EQ(PlotSettings.lower_limit[0], 0); }).type("2").click(IDC_OK);
  EXPECT_EQ(run(), IDOK);
  EXPECT_EQ(PlotSettings.lower_limit[0], 2);
}

TEST_F(VariablesMenuTest, StepSizesBelowTheToleranceAndLimitsBeyondTheBoundsFail) {
  tol = 0.0001;
  input_.key("Tab").key("Tab").key("Tab").type("0.00005").key("Tab");
  expect_rejected(IDC_STEP1);
  input_.type("0.0001").key("Tab").key("Tab").type("2e38").key("Tab");
  expect_rejected(IDC_LOWER2);
  input_.key("Esc");
  EXPECT_EQ(run(), IDCANCEL);
  EXPECT_EQ(PlotSettings.step_size[0], 0.0001);  // the tolerance itself is allowed
  EXPECT_EQ(PlotSettings.lower_limit[1], 0);
}

TEST_F(VariablesMenuTest, AnOutOfBoundsSettingTakesTheFocusSoItCanBeCorrected) {
  PlotSettings.step_size[0] = 0;  // a file may set it; the field's bound is the tolerance
  input_.type("u").key("Tab");  // committing the name validates every field
  expect_rejected(IDC_STEP1);
  input_.then([] { EXPECT_STREQ(PlotSettings.step_var[0], "x"); })  // not while any field is bad
      .type("0.5").key("Tab")
      .then([] {
        EXPECT_EQ(PlotSettings.step_size[0], 0.5);
        EXPECT_STREQ(PlotSettings.step_var[0], "u");  // the abandoned edit, stored with the first success
        EXPECT_EQ(focus_id(), IDC_NAME2);
      })
      .key("Esc");
  EXPECT_EQ(run(), IDCANCEL);
}

// A file's bad step size takes the focus from the name being left; Enter on the corrected step
// size, then OK: the name typed first is stored as well, and the dialog ends with OK.
TEST_F(VariablesMenuTest, AnEditAbandonedByAFailedCommitIsStoredOnceTheExchangeSucceeds) {
  PlotSettings.step_size[0] = -10;
  input_.type("u").key("Tab");
  expect_rejected(IDC_STEP1);
  input_.type("0.5").key("Enter")
      .then([] {
        EXPECT_STREQ(PlotSettings.step_var[0], "u");
        EXPECT_EQ(PlotSettings.step_size[0], 0.5);
        EXPECT_EQ(focus_id(), IDC_STEP1);
      })
      .click(IDC_OK);
  EXPECT_EQ(run(), IDOK);
  EXPECT_STREQ(PlotSettings.step_var[0], "u");
}

// Two bad settings: the name is left for step size 1, whose correction is left for step size 2.
// Both waiting edits are stored when step size 2 commits; nothing waits for a later success.
TEST_F(VariablesMenuTest, SeveralAbandonedEditsAreAllStoredAndACancelStoresNone) {
  PlotSettings.step_size[0] = -10;
  PlotSettings.step_size[1] = 0;
  input_.type("u").key("Tab");
  expect_rejected(IDC_STEP1);
  input_.type("0.5").key("Tab");
  expect_rejected(IDC_STEP2);
  input_.then([] {
          EXPECT_STREQ(PlotSettings.step_var[0], "x");
          EXPECT_EQ(PlotSettings.step_size[0], -10);
        })
      .type("2").key("Tab")
      .then([] {
        EXPECT_STREQ(PlotSettings.step_var[0], "u");
        EXPECT_EQ(PlotSettings.step_size[0], 0.5);
        EXPECT_EQ(PlotSettings.step_size[1], 2);
        EXPECT_EQ(focus_id(), IDC_OK);
      })
      .key("Enter");
  EXPECT_EQ(run(), IDOK);

  // Abandoned, then cancelled before any exchange succeeded: the dialog stores nothing.
  PlotSettings.step_size[0] = -10;
  std::strcpy(PlotSettings.step_var[0], "x");
  input_.type("w").key("Tab");
  expect_rejected(IDC_STEP1);
  input_.key("Esc");
  EXPECT_EQ(run(), IDCANCEL);
  EXPECT_STREQ(PlotSettings.step_var[0], "x");
}

TEST_F(VariablesMenuTest, ALongNameIsCutTo31Characters) {
  const std::string name(40, 'n');
  input_.type(name).key("Tab").key("Esc");
  run();
  EXPECT_EQ(std::string(PlotSettings.step_var[0]), name.substr(0, 31));
}

}  // namespace
}  // namespace kuvra_test
