// Numbers in edit fields: what is read as a number, and that a shown value reads back unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/number_text.h"
#include "platform/test_dialog.h"

namespace orv {
namespace {

TEST(NumberText, ReadsWholeDecimalNumbersOnly) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"5", true, 5},          {" 5 ", true, 5},       {"+5", true, 5},        {"-0.25", true, -0.25},
      {"1e38", true, 1e38},    {"1E-4", true, 1e-4},   {".5", true, 0.5},      {"", false, 0},
      {"  ", false, 0},        {"5abc", false, 0},     {"--5", false, 0},      {"+-5", false, 0},
      {"0x10", false, 0},      {"nan", false, 0},      {"inf", false, 0},      {"1e999", false, 0},
      {"1,5", false, 0},       {"5 6", false, 0},
  };
  for (const Case& c : cases) {
    double v = -99;
    EXPECT_EQ(parse_real(c.text, v), c.ok) << c.text;
    if (c.ok) EXPECT_EQ(v, c.value) << c.text;
    else EXPECT_EQ(v, -99) << c.text;
  }
}

TEST(NumberText, AShownValueReadsBackAsTheSameDouble) {
  for (double v : {0.1, 1.0 / 3.0, 1e38, -1e38, 0.0001, 123456789.123456789, 5e-324,
                   std::numeric_limits<double>::max()}) {
    double back = 0;
    ASSERT_TRUE(parse_real(format_real(v), back)) << format_real(v);
    EXPECT_EQ(back, v) << format_real(v);
  }
  EXPECT_EQ(format_real(0.0001), "0.0001");
  EXPECT_EQ(format_real(360), "360");
}

TEST(Controls, ListsAndCheckBoxesKeepTheirState) {
  test::Fixture fx;
  auto dlg = std::make_unique<test::TestDialog>(get_MainFrame());
  ASSERT_TRUE(dlg->Create(test::kTestDialog));
  CComboBox& list = dlg->list;
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.SetCurSel(8), CB_ERR);  // an index outside the list: no selection at all
  EXPECT_EQ(list.GetCurSel(), CB_ERR);
  EXPECT_EQ(list.SetCurSel(2), 2);
  char text[16];
  EXPECT_EQ(list.GetLBText(2, text), 5);
  EXPECT_STREQ(text, "gamma");
  EXPECT_EQ(list.GetLBText(3, text), CB_ERR);
  EXPECT_EQ(list.InsertString(0, "first"), 0);
  EXPECT_EQ(list.GetCurSel(), 3);  // the selection follows its item
  list.ResetContent();
  EXPECT_EQ(list.GetCount(), 0);

  dlg->flag = 1;
  EXPECT_TRUE(dlg->UpdateData(FALSE));
  EXPECT_EQ(dlg->IsDlgButtonChecked(12), 1u);
  dlg->CheckDlgButton(12, 0);
  EXPECT_TRUE(dlg->UpdateData(TRUE));
  EXPECT_EQ(dlg->flag, 0);

  dlg->NextDlgCtrl();
  EXPECT_EQ(test::focus_id(), 11);
  dlg->PrevDlgCtrl();
  dlg->PrevDlgCtrl();
  EXPECT_EQ(test::focus_id(), 9);

  CComboBox unbound;  // never attached: every call answers "no"
  EXPECT_EQ(unbound.AddString("x"), CB_ERR);
  EXPECT_EQ(unbound.GetCurSel(), CB_ERR);
}

}  // namespace
}  // namespace orv
