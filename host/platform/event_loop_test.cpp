// Modal runs over a modeless dialog, thread messages out of get_event, and the end of the input.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "platform/message_box.h"
#include "platform/test_dialog.h"

namespace orv::test {
namespace {

using Strings = std::vector<std::string>;

TEST(GetEvent, DeliversPostedThreadMessagesThenReportsTheEnd) {
  Fixture fx;
  QXEvent ev;
  char ok = 9;
  ::PostMessageA(nullptr, kRunDone, 1, 0);
  ::PostMessageA(nullptr, kRunDone, 0, 0);
  EXPECT_EQ(get_event("*", &ev, 0x8200, 0, 0, &ok), 0);
  EXPECT_EQ(ok, 1);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&ev);
  int32_t kind, value;
  std::memcpy(&kind, bytes + 4, 4);
  std::memcpy(&value, bytes + 332, 4);
  EXPECT_EQ(kind, 512);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(get_event("*", &ev, 0x8200, 0, 0, &ok), 0);
  EXPECT_EQ(ev.value, 0);
  EXPECT_EQ(get_event("*", &ev, 0x8200, 0, 0, &ok), 2);  // no input left
  EXPECT_EQ(ok, 0);
}

TEST(GetEvent, ServesTheModelessDialogWhileItWaits) {
  Fixture fx;
  auto dlg = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(dlg->Create(kTestDialog));
  fx.input.click(14).key("Alt+O");
  QXEvent ev;
  char ok = 0;
  EXPECT_EQ(get_event("*", &ev, 0x8200, 0, 0, &ok), 0);
  EXPECT_EQ(ev.kind, QX_EVENT_MESSAGE);
  EXPECT_EQ(ev.value, 1);
  EXPECT_EQ(log(), (Strings{"killfocus 10 focus=10", "clicked 14 focus=14", "ok focus=1"}));
  EXPECT_EQ(dlg->m_hWnd, nullptr);
}

TEST(Modal, AModalDialogOverAModelessOneTakesTheInputUntilItEnds) {
  Fixture fx;
  auto dlg = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(dlg->Create(kTestDialog));
  dlg->run_modal_on_14 = true;
  // The click opens the modal; typing and OK go to it; Tab then reaches the modeless dialog again.
  fx.input.click(14).type("in modal").click(99).click(1).key("Tab");
  while (pump_one()) {
  }
  EXPECT_EQ(fx.input.failures, (Strings{"no control 99 in \"Modal\""}));
  EXPECT_EQ(log(), (Strings{"killfocus 10 focus=10", "clicked 14 focus=14", "modal ok focus=1", "modal 1 focus=14"}));
  EXPECT_EQ(dlg->modal_result, IDOK);
  EXPECT_EQ(focus_id(), 16);  // Tab went on from 14 in the modeless dialog
  EXPECT_EQ(fx.state.windows.active(), dlg->m_hWnd);
}

TEST(Modal, TheEndOfTheInputCancelsAModalRun) {
  Fixture fx;
  auto dlg = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(dlg->Create(kTestDialog));
  dlg->run_modal_on_14 = true;
  fx.input.click(14).type("typed");
  while (pump_one()) {
  }
  EXPECT_EQ(dlg->modal_result, IDCANCEL);
  EXPECT_EQ(log().back(), "modal 2 focus=14");
}

TEST(Modal, EscClosesAModalThroughItsCancelCommand) {
  Fixture fx;
  TestModal modal(get_MainFrame());
  fx.input.key("Esc");
  EXPECT_EQ(modal.DoModal(), IDCANCEL);
  EXPECT_EQ(modal.m_hWnd, nullptr);
}

TEST(MessageBox, DismissedByEnterEscOrTheCloseBoxAndReturnsTheFocus) {
  Fixture fx;
  auto dlg = std::make_unique<TestDialog>(get_MainFrame());
  ASSERT_TRUE(dlg->Create(kTestDialog));
  for (const char* how : {"Enter", "Esc", "close", "Space"}) {
    if (std::string(how) == "close") fx.input.close();
    else fx.input.key(how);
    fx.input.key("Tab");
    EXPECT_EQ(message_box_ok("Saved.", "Kuvra", 2, nullptr), IDOK) << how;
    EXPECT_EQ(fx.input.events.size(), 1u) << how;  // the box took exactly one event
    EXPECT_EQ(fx.state.windows.active(), dlg->m_hWnd);
    fx.input.events.clear();
  }
  EXPECT_EQ(focus_id(), 10);
  EXPECT_EQ(message_box_ok("no input", "Kuvra", 2, nullptr), IDOK);  // nobody there: it closes at once
}

TEST(Viewer, ScrollsSearchesAndCloses) {
  Fixture fx;
  std::string path = ::testing::TempDir() + "viewer_test.txt";
  std::FILE* f = std::fopen(path.c_str(), "w");
  for (int i = 0; i < 50; ++i) std::fprintf(f, "line %d\n", i);
  std::fclose(f);
  int top_seen = -1;
  struct Probe : InputSource {
    int step = 0;
    int* top;
    bool next_event(UiEvent& e) override {
      HWND v = platform_state().windows.active();
      Window* w = platform_state().windows.find(v);
      switch (step++) {
        case 0: e = {UiEvent::Kind::Key, "PageDown"}; return true;
        case 1: *top = w->top_line; e = {UiEvent::Kind::Type, "/line 42"}; return true;
        case 2: *top = *top * 100 + w->top_line; e = {UiEvent::Kind::Key, "q"}; return true;
        default: return false;
      }
    }
    void event_failed(const UiEvent&, const std::string&) override { *top = -99; }
  } probe;
  probe.top = &top_seen;
  install_input_source(&probe);
  run_text_viewer(path);
  EXPECT_EQ(top_seen, 20 * 100 + 30);  // a page down, then "line 42" as far up as the page allows
  EXPECT_EQ(probe.step, 3);
}

}  // namespace
}  // namespace orv::test
