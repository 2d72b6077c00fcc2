// The tests' own dialogs and input, shared by the platform tests (see test_dialog.h).
#include <cstring>

#include "platform/modules.h"
#include "platform/test_dialog.h"
#include "platform/transcript.h"

namespace orv::test {

namespace {
constexpr uint32_t kTab = WS_VISIBLE | WS_TABSTOP;

const ControlTemplate kTestControls[] = {
    {10, CTL_EDIT, "", 100, 10, 40, 12, kTab | WS_BORDER | ES_AUTOHSCROLL},
    {11, CTL_EDIT, "", 100, 26, 40, 12, kTab | WS_BORDER},
    {12, CTL_AUTOCHECKBOX, "&Flag", 10, 42, 60, 10, kTab},
    {13, CTL_DROPDOWNLIST, "", 10, 58, 70, 40, kTab | CBS_DROPDOWNLIST | WS_VSCROLL},
    {14, CTL_PUSHBUTTON, "&Run", 10, 74, 50, 14, kTab},
    {15, CTL_STATIC, "&Label", 10, 92, 40, 10, WS_VISIBLE},
    {16, CTL_EDIT, "", 100, 92, 40, 12, kTab | WS_BORDER},
    {1, CTL_OWNERDRAW_BUTTON, "&OK", 10, 110, 36, 18, kTab},
    {2, CTL_OWNERDRAW_BUTTON, "&Cancel", 50, 110, 36, 18, kTab},
    {9, CTL_OWNERDRAW_BUTTON, "&Help", 90, 110, 36, 18, kTab},
};
const ControlTemplate kModalControls[] = {
    {20, CTL_EDIT, "", 10, 10, 40, 12, kTab | WS_BORDER},
    {1, CTL_OWNERDRAW_BUTTON, "&OK", 10, 30, 36, 18, kTab},
    {2, CTL_OWNERDRAW_BUTTON, "&Cancel", 50, 30, 36, 18, kTab},
};
const DialogTemplate kDialogs[] = {
    {500, "Test", 150, 140, 8, "MS Sans Serif", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, kTestControls,
     static_cast<int32_t>(std::size(kTestControls))},
    {501, "Modal", 100, 60, 8, "MS Sans Serif", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE,
     kModalControls, static_cast<int32_t>(std::size(kModalControls))},
};
const StringEntry kStrings[] = {{1, "alpha"}, {2, "beta"}, {3, "gamma"}};
const ResourceTable kTestResources = {kResourceFormatVersion, kDialogs, 2, kStrings, 3};

const DialogTemplate kOtherDialogs[] = {
    {500, "Other", 150, 140, 8, "MS Sans Serif", WS_POPUP, kTestControls, static_cast<int32_t>(std::size(kTestControls))},
    {502, "Only other", 60, 40, 8, "MS Sans Serif", WS_POPUP, kModalControls, 1},
};
const StringEntry kOtherStrings[] = {{1, "other"}};
const ResourceTable kOtherResources = {kResourceFormatVersion, kOtherDialogs, 2, kOtherStrings, 1};

void note(const std::string& what) { log().push_back(what + " focus=" + focus_name()); }
}  // namespace

std::vector<std::string>& log() {
  static std::vector<std::string> entries;
  return entries;
}

std::string focus_name() {
  HWND f = ::GetFocus();
  return f ? std::to_string(::GetDlgCtrlID(f)) : "none";
}

int focus_id() { return ::GetDlgCtrlID(::GetFocus()); }

const ResourceTable& test_resources() { return kTestResources; }
const ResourceTable& other_resources() { return kOtherResources; }

std::string text_of(HWND dialog, int id) {
  char buf[256];
  ::GetWindowTextA(::GetDlgItem(dialog, id), buf, sizeof buf);
  return buf;
}

// ---- TestDialog ----

BEGIN_MESSAGE_MAP(TestDialog, QXDialog)
  ON_EN_KILLFOCUS(10, &TestDialog::OnCommitAmount)
  ON_EN_KILLFOCUS(11, &TestDialog::OnKillName)
  ON_EN_KILLFOCUS(16, &TestDialog::OnCommitLimit)
  ON_BN_CLICKED(12, &TestDialog::OnFlag)
  ON_CBN_SELCHANGE(13, &TestDialog::OnListChanged)
  ON_BN_CLICKED(14, &TestDialog::OnRun)
  ON_BN_CLICKED(1, &TestDialog::OnOkClicked)
END_MESSAGE_MAP()

void TestDialog::DoDataExchange(CDataExchange* pDX) {
  QXDialog::DoDataExchange(pDX);
  DDX_ProcessEditReal(pDX, 10, amount);
  DDX_ProcessEditString(pDX, 11, name);
  DDX_Check(pDX, 12, flag);
  DDX_Control(pDX, 13, list);
  DDX_ProcessEditReal(pDX, 16, limit);
}

BOOL TestDialog::OnInitDialog() {
  amount.lower = 0;
  amount.upper = 100;
  amount.value = 5;
  limit.lower = 0;
  limit.upper = 1;
  QXDialog::OnInitDialog();
  for (UINT id = 1; id <= 3; ++id) {
    char buf[32];
    AfxLoadString(id, buf, sizeof buf);
    list.AddString(buf);
  }
  list.SetCurSel(0);
  ShowWindow(SW_SHOW);
  return TRUE;
}

void TestDialog::OnClose() {
  Default();
  CDialog::OnCancel();
  note("cancel");
  ::PostMessageA(nullptr, kRunDone, 0, 0);
  DestroyWindow();
}

void TestDialog::OnCommitAmount() {
  note("killfocus 10");
  if (!UpdateData(TRUE)) GotoDlgCtrl(GetDlgItem(10));
}

void TestDialog::OnKillName() { note("killfocus 11"); }

void TestDialog::OnCommitLimit() {
  note("killfocus 16");
  if (!UpdateData(TRUE)) GotoDlgCtrl(GetDlgItem(16));
}
void TestDialog::OnFlag() { note("clicked 12"); }
void TestDialog::OnListChanged() { note("selchange 13 sel=" + std::to_string(list.GetCurSel())); }

void TestDialog::OnRun() {
  note("clicked 14");
  if (run_modal_on_14) {
    TestModal modal(GetParent());
    modal_result = static_cast<int>(modal.DoModal());
    note("modal " + std::to_string(modal_result));
  }
}

void TestDialog::OnOkClicked() {
  if (focus_id() != 1) {
    note("ok-command");
    UpdateData(TRUE);
    return;
  }
  note("ok");
  UIDialog::OnOK();
  ::PostMessageA(nullptr, kRunDone, 1, 0);
  DestroyWindow();
}

// ---- TestModal ----

BEGIN_MESSAGE_MAP(TestModal, QXDialog)
  ON_BN_CLICKED(1, &TestModal::OnOkClicked)
END_MESSAGE_MAP()

void TestModal::OnOkClicked() {
  note("modal ok");
  UIDialog::OnOK();
  DestroyWindow();
}

// ---- QueuedInput ----

bool QueuedInput::next_event(UiEvent& e) {
  if (events.empty()) return false;
  e = events.front();
  events.pop_front();
  return true;
}

void QueuedInput::event_failed(const UiEvent& e, const std::string& why) {
  (void)e;
  failures.push_back(why);
}

QueuedInput& QueuedInput::key(const std::string& k) {
  events.push_back(UiEvent{UiEvent::Kind::Key, k, 0, 0, 0});
  return *this;
}
QueuedInput& QueuedInput::type(const std::string& t) {
  events.push_back(UiEvent{UiEvent::Kind::Type, t, 0, 0, 0});
  return *this;
}
QueuedInput& QueuedInput::click(int id) {
  events.push_back(UiEvent{UiEvent::Kind::Click, "", id, 0, 0});
  return *this;
}
QueuedInput& QueuedInput::press(const std::string& caption) {
  events.push_back(UiEvent{UiEvent::Kind::Press, caption, 0, 0, 0});
  return *this;
}
QueuedInput& QueuedInput::select(int id, int index) {
  events.push_back(UiEvent{UiEvent::Kind::Select, "", id, index, 0});
  return *this;
}
QueuedInput& QueuedInput::close() {
  events.push_back(UiEvent{UiEvent::Kind::Close, "", 0, 0, 0});
  return *this;
}

// ---- Fixture ----

Fixture::Fixture() : previous_state(install_platform_state(&state)) {
  log().clear();
  module = register_module("test", &kTestResources);
  saved = AfxGetResourceHandle();
  AfxSetResourceHandle(module);
  install_input_source(&input);
}

Fixture::~Fixture() {
  install_input_source(nullptr);
  install_transcript(nullptr);
  state.windows.reset();
  AfxSetResourceHandle(saved);
  unregister_module(module);
  install_platform_state(previous_state);
}

}  // namespace orv::test
