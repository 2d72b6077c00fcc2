// A dialog of the tests' own, written as a Zlink writes its dialogs (template, message map, data
// exchange, commit on losing the focus), and a queued input source that plays a person's actions.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "orvantis/host_dialogs.h"
#include "orvantis/resource_format.h"
#include "platform/event_loop.h"
#include "platform/platform_state.h"
#include "platform/window_system.h"

namespace orv::test {

constexpr UINT kTestDialog = 500;
constexpr UINT kTestModal = 501;
constexpr UINT kRunDone = WM_APP + 40;

/// Everything the dialogs' handlers saw, in order: "killfocus 10 focus=10", "clicked 14 focus=14".
std::vector<std::string>& log();
std::string focus_name();

/// Resources with the two test dialogs and a string table; `caption` names dialog 500.
const ResourceTable& test_resources();
const ResourceTable& other_resources();  // dialog 500 captioned "Other", string 1 "other"

class TestDialog : public QXDialog {
 public:
  explicit TestDialog(CWnd* parent) : QXDialog(kTestDialog, parent, 17, false, 1) {}
  QXReal amount;     // edit 10, 0..100
  QXString name;     // edit 11
  int flag = 0;      // check box 12
  CComboBox list;    // 13
  QXReal limit;      // edit 16, 0..1
  int modal_result = 0;
  bool run_modal_on_14 = false;

 protected:
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnInitDialog() override;
  void OnCancelCommand() override { OnClose(); }
  virtual void OnClose();
  void OnCommitAmount();
  void OnKillName();
  void OnCommitLimit();
  void OnFlag();
  void OnListChanged();
  void OnRun();
  void OnOkClicked();
  DECLARE_MESSAGE_MAP()
};

class TestModal : public QXDialog {
 public:
  explicit TestModal(CWnd* parent) : QXDialog(kTestModal, parent, 17, false, 1) {}

 protected:
  void OnOkClicked();
  DECLARE_MESSAGE_MAP()
};

/// Plays queued events; records what could not be carried out.
class QueuedInput : public InputSource {
 public:
  std::deque<UiEvent> events;
  std::vector<std::string> failures;
  bool next_event(UiEvent& e) override;
  void event_failed(const UiEvent& e, const std::string& why) override;

  QueuedInput& key(const std::string& k);
  QueuedInput& type(const std::string& t);
  QueuedInput& click(int id);
  QueuedInput& press(const std::string& caption);
  QueuedInput& select(int id, int index);
  QueuedInput& close();
};

/// A window system and transcript of the test's own, installed for the shims; the test resources
/// registered as a module and made current. Undone by the destructor, which also destroys every
/// window and drops the input source.
class Fixture {
 public:
  Fixture();
  ~Fixture();
  PlatformState state;
  PlatformState* previous_state;
  HINSTANCE module;
  HINSTANCE saved;
  QueuedInput input;
};

/// The text of a control of the active window.
std::string text_of(HWND dialog, int id);
int focus_id();

}  // namespace orv::test
