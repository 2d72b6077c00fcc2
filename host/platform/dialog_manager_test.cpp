// Keyboard and mouse semantics of dialogs, played through the pump as a person would.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>

#include "platform/dialog_manager.h"
#include "platform/test_dialog.h"
#include "platform/transcript.h"

namespace orv::test {
namespace {

using Strings = std::vector<std::string>;

class DialogKeys : public ::testing::Test {
 protected:
  Fixture fx;
  std::unique_ptr<TestDialog> dlg;

  void SetUp() override {
    dlg = std::make_unique<TestDialog>(get_MainFrame());
    ASSERT_TRUE(dlg->Create(kTestDialog));
    ASSERT_TRUE(::IsWindowVisible(dlg->m_hWnd));
    log().clear();
  }
  void play() {
    while (pump_one()) {
    }
  }
  HWND item(int id) { return ::GetDlgItem(dlg->m_hWnd, id); }
  void set_text(int id, const char* t) { ::SetWindowTextA(item(id), t); }
};

TEST_F(DialogKeys, TabVisitsTabStopsInTemplateOrderAndKillsFocusFirst) {
  EXPECT_EQ(focus_id(), 10);  // the first tab stop after initialisation
  Strings order;
  for (int i = 0; i < 9; ++i) {
    fx.input.key("Tab");
    play();
    order.push_back(std::to_string(focus_id()));
  }
  EXPECT_EQ(order, (Strings{"11", "12", "13", "14", "16", "1", "2", "9", "10"}));
  // Each edit was told before the next control had the focus.
  EXPECT_EQ(log(), (Strings{"killfocus 10 focus=10", "killfocus 11 focus=11", "killfocus 16 focus=16"}));

  fx.input.key("Shift+Tab").key("Shift+Tab");
  play();
  EXPECT_EQ(focus_id(), 2);
}

TEST_F(DialogKeys, AnEditGettingTheFocusHasItsTextSelectedSoTypingReplacesIt) {
  set_text(11, "old name");
  fx.input.key("Tab").type("new");
  play();
  EXPECT_EQ(text_of(dlg->m_hWnd, 11), "new");
  fx.input.key("Backspace").key("Home").key("Delete").type("N");
  play();
  EXPECT_EQ(text_of(dlg->m_hWnd, 11), "Ne");
}

// The selection of the focused edit as [start, end) byte offsets, end being the caret.
std::pair<int, int> selection(HWND edit) {
  const LRESULT sel = ::SendMessageA(edit, EM_GETSEL, 0, 0);
  return {static_cast<int>(LOWORD(sel)), static_cast<int>(HIWORD(sel))};
}

TEST_F(DialogKeys, EditKeysSelectWithShiftAndCtrlAAndMoveTheCaretByWholeCharacters) {
  set_text(11, "out/a.step");
  fx.input.key("Tab").type("b.igs");  // selected on entry: typing replaces, never appends
  play();
  EXPECT_EQ(text_of(dlg->m_hWnd, 11), "b.igs");
  // Ctrl+A selects the whole text again; Home and End drop the selection.
  fx.input.key("Ctrl+A");
  play();
  EXPECT_EQ(selection(item(11)), std::make_pair(0, 5));
  fx.input.key("End").key("Shift+Left").key("Shift+Left").key("Shift+Left").type("stp");
  play();
  EXPECT_EQ(text_of(dlg->m_hWnd, 11), "b.stp");
  fx.input.key("Home").key("Shift+End");
  play();
  EXPECT_EQ(selection(item(11)), std::make_pair(0, 5));
  fx.input.key("Right").key("Shift+Home").key("Delete");
  play();
  EXPECT_EQ(text_of(dlg->m_hWnd, 11), "");
  // Two-byte and three-byte characters: the caret steps over each whole, Backspace and Delete
  // remove one whole, and the text stays valid UTF-8.
  fx.input.type("aé€z");
  play();
  ASSERT_EQ(text_of(dlg->m_hWnd, 11), "aé€z");
  fx.input.key("Left").key("Backspace");  // the euro sign goes
  play();
  EXPECT_EQ(text_of(dlg->m_hWnd, 11), "aéz");
  EXPECT_EQ(selection(item(11)), std::make_pair(3, 3));
  fx.input.key("Home").key("Right").key("Delete");  // the e with its accent goes
  play();
  EXPECT_EQ(text_of(dlg->m_hWnd, 11), "az");
  fx.input.key("Home").key("Shift+Right").type("ü");
  play();
  EXPECT_EQ(text_of(dlg->m_hWnd, 11), "üz");
  fx.input.key("End").key("Shift+Left").key("Shift+Left");
  play();
  EXPECT_EQ(selection(item(11)), std::make_pair(3, 0));  // anchored at the end, the caret at the start
  EXPECT_TRUE(fx.input.failures.empty());
}

TEST_F(DialogKeys, EveryKeyOfAQuickRunReachesTheFieldOnceInOrder) {
  set_text(11, "abcdefghij");
  fx.input.key("Tab").key("End");
  for (int i = 0; i < 7; ++i) fx.input.key("Backspace");
  fx.input.type("XY").key("Backspace").type("Z");
  play();
  EXPECT_EQ(text_of(dlg->m_hWnd, 11), "abcXZ");
}

TEST_F(DialogKeys, AClickMovesTheFocusBeforeTheButtonActs) {
  fx.input.click(14);
  play();
  EXPECT_EQ(log(), (Strings{"killfocus 10 focus=10", "clicked 14 focus=14"}));
  log().clear();
  fx.input.click(12).click(12);
  play();
  EXPECT_EQ(log(), (Strings{"clicked 12 focus=12", "clicked 12 focus=12"}));
  EXPECT_EQ(::SendMessageA(item(12), BM_GETCHECK, 0, 0), 0);  // toggled twice
  fx.input.click(15);  // a static text takes no focus and does nothing
  play();
  EXPECT_EQ(focus_id(), 12);
}

TEST_F(DialogKeys, EnterClicksAPushButtonAndOtherwiseSendsOkWithoutMovingTheFocus) {
  fx.input.click(12);
  play();
  log().clear();
  fx.input.key("Enter");
  play();
  EXPECT_EQ(log(), (Strings{"ok-command focus=12"}));
  EXPECT_TRUE(::IsWindow(dlg->m_hWnd));
  EXPECT_EQ(focus_id(), 12);

  log().clear();
  fx.input.click(10).key("Enter");  // an edit: the OK command, and no focus loss for it
  play();
  EXPECT_EQ(log(), (Strings{"ok-command focus=10"}));

  log().clear();
  fx.input.click(14).key("Enter");
  play();
  EXPECT_EQ(log(), (Strings{"killfocus 10 focus=10", "clicked 14 focus=14", "clicked 14 focus=14"}));

  log().clear();
  fx.input.click(1);
  play();
  EXPECT_EQ(log(), (Strings{"ok focus=1"}));
  EXPECT_FALSE(::IsWindow(item(1)));
  EXPECT_EQ(dlg->m_hWnd, nullptr);
}

TEST_F(DialogKeys, SpaceClicksButtonsAndCheckBoxes) {
  fx.input.click(12).key("Space");
  play();
  EXPECT_EQ(dlg->IsDlgButtonChecked(12), 0u);
  fx.input.key("Space");
  play();
  EXPECT_EQ(dlg->IsDlgButtonChecked(12), 1u);
  EXPECT_EQ(log(), (Strings{"killfocus 10 focus=10", "clicked 12 focus=12", "clicked 12 focus=12",
                            "clicked 12 focus=12"}));
}

TEST_F(DialogKeys, EscAndTheCloseBoxSendTheCancelCommand) {
  fx.input.key("Esc");
  play();
  EXPECT_EQ(log(), (Strings{"cancel focus=none"}));  // ended, so hidden: no focus left
  EXPECT_EQ(dlg->m_hWnd, nullptr);
  EXPECT_EQ(fx.state.windows.thread_messages().size(), 1u);

  log().clear();
  fx.state.windows.thread_messages().clear();
  auto second = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(second->Create(kTestDialog));
  fx.input.close();
  play();
  EXPECT_EQ(log(), (Strings{"cancel focus=none"}));  // ended, so hidden: no focus left
  EXPECT_EQ(second->m_hWnd, nullptr);
}

TEST_F(DialogKeys, AltAndTheUnderlinedLetterFocusesAndClicks) {
  fx.input.key("Alt+F");
  play();
  EXPECT_EQ(focus_id(), 12);
  EXPECT_EQ(dlg->IsDlgButtonChecked(12), 1u);
  fx.input.key("Alt+r");
  play();
  EXPECT_EQ(focus_id(), 14);
  fx.input.key("Alt+L");  // a label's letter reaches the control after it
  play();
  EXPECT_EQ(focus_id(), 16);
  EXPECT_EQ(log(), (Strings{"killfocus 10 focus=10", "clicked 12 focus=12", "clicked 14 focus=14"}));
  fx.input.key("Alt+Z");
  play();
  EXPECT_EQ(fx.input.failures, (Strings{"no control with the accelerator Alt+Z"}));
}

TEST_F(DialogKeys, UpAndDownChangeAFocusedListAndSendSelChange) {
  fx.input.click(13).key("Esc");  // the click opens the list, Esc closes it without cancelling
  play();
  EXPECT_TRUE(::IsWindow(dlg->m_hWnd));
  log().clear();
  fx.input.key("Down").key("Down").key("Down").key("Up");
  play();
  EXPECT_EQ(log(), (Strings{"selchange 13 sel=1 focus=13", "selchange 13 sel=2 focus=13",
                            "selchange 13 sel=1 focus=13"}));
  log().clear();
  fx.input.select(13, 0);
  play();
  EXPECT_EQ(log(), (Strings{"selchange 13 sel=0 focus=13"}));
  fx.input.select(13, 3).select(12, 0).click(99);
  play();
  EXPECT_EQ(fx.input.failures, (Strings{"control 13 has no item 3 (it has 3)",
                                        "control 12 (\"Flag\") is not a drop-down list",
                                        "no control 99 in \"Test\""}));
}

TEST_F(DialogKeys, AnOpenListMovesItsHighlightAndEnterChoosesIt) {
  fx.input.click(13).key("Esc");
  play();
  Window* list = fx.state.windows.find(::GetDlgItem(dlg->m_hWnd, 13));
  ASSERT_NE(list, nullptr);
  log().clear();
  // Enter on the closed list opens it instead of sending OK; the highlight moves, nothing is chosen.
  fx.input.key("Enter").key("Down").key("Down").key("Down");
  play();
  EXPECT_TRUE(list->dropped);
  EXPECT_EQ(list->cur_sel, 0);
  EXPECT_EQ(list->hot, 2);  // held at the last item
  EXPECT_EQ(log(), Strings{});
  fx.input.key("Up").key("Enter");
  play();
  EXPECT_FALSE(list->dropped);
  EXPECT_EQ(log(), (Strings{"selchange 13 sel=1 focus=13"}));
  // Esc closes without choosing; Alt+Down opens and closes, choosing as Enter does.
  log().clear();
  fx.input.key("Alt+Down").key("End").key("Esc");
  play();
  EXPECT_TRUE(::IsWindow(dlg->m_hWnd));
  EXPECT_FALSE(list->dropped);
  EXPECT_EQ(list->cur_sel, 1);
  fx.input.key("Alt+Down").key("Home").key("Alt+Down");
  play();
  EXPECT_FALSE(list->dropped);
  EXPECT_EQ(log(), (Strings{"selchange 13 sel=0 focus=13"}));
  EXPECT_EQ(fx.input.failures, Strings{});
}

TEST_F(DialogKeys, AFailedExchangeKeepsTheFocusOnItsEditAndDropsTheClick) {
  Transcript tr;
  std::string err;
  std::string path = ::testing::TempDir() + "dialog_keys_transcript.jsonl";
  ASSERT_TRUE(tr.open(path, err)) << err;
  install_transcript(&tr);

  fx.input.type("abc").click(1).key("Enter");  // Enter dismisses the message box
  play();
  EXPECT_EQ(log(), (Strings{"killfocus 10 focus=10"}));
  EXPECT_TRUE(::IsWindow(dlg->m_hWnd));  // the OK click was dropped
  EXPECT_EQ(focus_id(), 10);
  orv::Window* e = fx.state.windows.find(item(10));
  EXPECT_EQ(e->sel_start, 0);
  EXPECT_EQ(e->sel_end, 3);  // all of "abc" selected, ready to be typed over
  EXPECT_DOUBLE_EQ(dlg->amount.value, 5.0);

  log().clear();
  fx.input.type("500").key("Tab").key("Enter");  // out of bounds, leaving by Tab
  play();
  EXPECT_EQ(focus_id(), 10);
  fx.input.type("42").key("Tab");
  play();
  EXPECT_EQ(focus_id(), 11);
  EXPECT_DOUBLE_EQ(dlg->amount.value, 42.0);
  EXPECT_TRUE(fx.input.failures.empty());
  install_transcript(nullptr);

  std::FILE* f = std::fopen(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char line[512];
  Strings lines;
  while (std::fgets(line, sizeof line, f)) lines.emplace_back(line);
  std::fclose(f);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "{\"event\":\"message\",\"text\":\"\\\"abc\\\" is not a number.\\nPlease enter a number.\",\"caption\":\"Test\"}\n");
  EXPECT_NE(lines[1].find("Please enter a number between 0 and 100."), std::string::npos);
}

TEST_F(DialogKeys, AFieldsMessageNamesTheFieldByTheLabelOnItsRow) {
  Transcript tr;
  std::string err;
  std::string path = ::testing::TempDir() + "dialog_keys_named.jsonl";
  ASSERT_TRUE(tr.open(path, err)) << err;
  install_transcript(&tr);
  fx.input.click(16).type("7").key("Tab").key("Enter");  // 16's bounds are 0..1; its label is "&Label"
  play();
  install_transcript(nullptr);
  std::ifstream in(path);
  std::string first;
  std::getline(in, first);
  EXPECT_NE(first.find("\"text\":\"Label: Please enter a number between 0 and 1.\""), std::string::npos) << first;
  EXPECT_EQ(focus_id(), 16);  // the focus is back on the field the message names
}

TEST_F(DialogKeys, TwoFailingFieldsEndWithTheFocusOnTheRejectedOneWithoutLooping) {
  set_text(16, "7");  // out of its bounds 0..1, e.g. a value that came in from a file
  int boxes = 0;
  struct Counter : InputSource {
    int* boxes;
    std::deque<UiEvent> events;
    bool next_event(UiEvent& e) override {
      Window* a = platform_state().windows.find(platform_state().windows.active());
      if (a != nullptr && a->kind == WindowKind::MessageBox) {
        ++*boxes;
        if (*boxes > 5) return false;  // a loop of boxes would stop here and fail below
        e = UiEvent{UiEvent::Kind::Key, "Enter"};
        return true;
      }
      if (events.empty()) return false;
      e = events.front();
      events.pop_front();
      return true;
    }
    void event_failed(const UiEvent&, const std::string&) override {}
  } counter;
  counter.boxes = &boxes;
  counter.events.push_back(UiEvent{UiEvent::Kind::Key, "Tab"});
  install_input_source(&counter);
  while (pump_one()) {
  }
  install_input_source(&fx.input);
  // Leaving 10 rejects 16; going back to 10 commits 16, which is rejected again and keeps the focus.
  EXPECT_EQ(boxes, 2);
  EXPECT_EQ(focus_id(), 16);
  EXPECT_EQ(log(), (Strings{"killfocus 10 focus=10", "killfocus 16 focus=16"}));
  fx.input.type("0.5").key("Tab");
  play();
  EXPECT_EQ(focus_id(), 1);
  EXPECT_DOUBLE_EQ(dlg->limit.value, 0.5);
}

TEST_F(DialogKeys, HelpShowsTheDialogsKeysInAMessageBox) {
  Transcript tr;
  std::string err;
  std::string path = ::testing::TempDir() + "dialog_help_transcript.jsonl";
  ASSERT_TRUE(tr.open(path, err)) << err;
  install_transcript(&tr);
  fx.input.key("Alt+H").key("Enter").key("Esc");
  play();
  install_transcript(nullptr);
  std::FILE* f = std::fopen(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  char line[2048] = {};
  ASSERT_NE(std::fgets(line, sizeof line, f), nullptr);
  std::fclose(f);
  std::string l = line;
  EXPECT_NE(l.find("\"caption\":\"Test Help\""), std::string::npos) << l;
  EXPECT_NE(l.find("Alt+R  Run"), std::string::npos) << l;
  EXPECT_EQ(log(), (Strings{"killfocus 10 focus=10", "cancel focus=none"}));
}

TEST_F(DialogKeys, EventsWithoutAWindowToTakeThemFail) {
  fx.input.key("Esc").click(14).key("Tab");
  play();
  EXPECT_EQ(fx.input.failures, (Strings{"no active window", "no active window"}));
}

TEST_F(DialogKeys, HiddenControlsAreSkippedAndCannotBeClicked) {
  ::ShowWindow(item(11), SW_HIDE);
  fx.input.key("Tab").click(11);
  play();
  EXPECT_EQ(focus_id(), 12);
  EXPECT_EQ(fx.input.failures, (Strings{"control 11 (\"\") is hidden"}));
}

TEST_F(DialogKeys, PressFindsTheOneControlByItsCaptionWithoutTheAccelerator) {
  fx.input.press("Run").press("Flag");
  play();
  EXPECT_EQ(log(), (Strings{"killfocus 10 focus=10", "clicked 14 focus=14", "clicked 12 focus=12"}));
  EXPECT_EQ(::SendMessageA(item(12), BM_GETCHECK, 0, 0), 1);
  EXPECT_TRUE(fx.input.failures.empty());

  fx.input.press("&Run").press("run").press("Label").press("");
  play();
  EXPECT_EQ(fx.input.failures, (Strings{"no control is captioned \"&Run\" in \"Test\"",
                                        "no control is captioned \"run\" in \"Test\"",
                                        "no control is captioned \"Label\" in \"Test\"",
                                        "no control is captioned \"\" in \"Test\""}));
  fx.input.failures.clear();
  set_text(12, "R&un");  // two controls now read "Run"
  ::ShowWindow(item(9), SW_HIDE);
  fx.input.press("Run").press("Help");
  play();
  EXPECT_EQ(fx.input.failures, (Strings{"more than one control is captioned \"Run\" in \"Test\"",
                                        "control 9 (\"Help\") is hidden"}));
}

}  // namespace
}  // namespace orv::test
