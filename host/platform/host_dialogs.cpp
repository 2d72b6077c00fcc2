// The host's dialog bases and edit-field exchange. Numbers are read and written with
// std::from_chars/to_chars: independent of the locale, and a value shown in a field reads back as
// the same double, so committing a field that was not changed never alters its value.
#include "orvantis/host_dialogs.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/message_box.h"
#include "platform/number_text.h"
#include "platform/platform_state.h"
#include "platform/window_system.h"

namespace {

CRuntimeClass kUIDialogClass = {"UIDialog", static_cast<int>(sizeof(UIDialog)), nullptr};

std::string trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::string window_text(HWND h) {
  int n = ::GetWindowTextLengthA(h);
  std::string s(static_cast<size_t>(n) + 1, '\0');
  ::GetWindowTextA(h, s.data(), n + 1);
  s.resize(std::strlen(s.c_str()));
  return s;
}

std::string caption_of(CDataExchange* pDX) {
  if (pDX->m_pDlgWnd != nullptr)
    if (orv::Window* w = orv::platform_state().windows.find(pDX->m_pDlgWnd->m_hWnd)) return w->text;
  return "Orvantis";
}

}  // namespace

namespace orv {

std::string format_real(double value) {
  // As %g where that reads back exactly, else with the fewest more digits that do ("0.1", "1e+38").
  char buf[64];
  for (int precision = 6; precision <= 17; ++precision) {
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, precision);
    double back = 0;
    auto b = std::from_chars(buf, r.ptr, back, std::chars_format::general);
    if (b.ec == std::errc() && back == value) return std::string(buf, r.ptr);
  }
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

bool parse_real(const std::string& text, double& out) {
  std::string t = trim(text);
  if (t.empty()) return false;
  const char* b = t.data();
  const char* e = b + t.size();
  if (*b == '+') {
    ++b;
    if (b == e || *b == '+' || *b == '-') return false;
  }
  double v = 0;
  auto r = std::from_chars(b, e, v, std::chars_format::general);
  if (r.ec != std::errc() || r.ptr != e || !std::isfinite(v)) return false;
  out = v;
  return true;
}

}  // namespace orv

// ---- UIDialog ----

UIDialog::UIDialog(UINT nIDTemplate, CWnd* pParentWnd) : CDialog(nIDTemplate, pParentWnd) {}

CRuntimeClass* UIDialog::GetRuntimeClass() const { return &kUIDialogClass; }

void UIDialog::OnSetFont(void* font) { (void)font; }

void UIDialog::OnOK() { EndDialog(IDOK); }

// ---- QXDialog ----

BEGIN_MESSAGE_MAP(QXDialog, UIDialog)
  ON_BN_CLICKED(9, &QXDialog::OnHelpButton)
END_MESSAGE_MAP()

QXDialog::QXDialog(UINT nIDTemplate, CWnd* pParentWnd, short helpKind, bool resizable, int placement)
    : UIDialog(nIDTemplate, pParentWnd), m_helpKind(helpKind), m_resizable(resizable), m_placement(placement) {}

QXDialog::~QXDialog() = default;

BOOL QXDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void QXDialog::DoDataExchange(CDataExchange* pDX) { UIDialog::DoDataExchange(pDX); }

BOOL QXDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
  return UIDialog::OnCmdMsg(nID, nCode, pExtra, pHandlerInfo);
}

BOOL QXDialog::DestroyWindow() { return UIDialog::DestroyWindow(); }

BOOL QXDialog::PreTranslateMessage(MSG* pMsg) { return UIDialog::PreTranslateMessage(pMsg); }

const char* QXDialog::GetWndPosRegName() { return "QXDialog"; }

void QXDialog::OnHelpButton() { LaunchHelp(); }

void QXDialog::LaunchHelp() {
  orv::WindowSystem& ws = orv::platform_state().windows;
  orv::Window* d = ws.find(m_hWnd);
  if (d == nullptr) return;
  std::string text = "Keys: Tab and Shift+Tab move between fields; Enter confirms; Esc cancels;\n"
                     "Alt and an underlined letter use that control.";
  std::string controls;
  for (HWND c : d->children) {
    orv::Window* w = ws.find(c);
    if (w == nullptr || !w->visible) continue;
    char key = orv::accelerator_of(w->text);
    if (key == 0 || w->id == 9) continue;
    controls += "\n  Alt+" + std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(key)))) +
                "  " + orv::strip_accelerator(w->text);
  }
  if (!controls.empty()) text += "\n" + controls;
  message_box_ok(text.c_str(), (d->text + " Help").c_str(), 2, m_hWnd);
}

// ---- Edit-field exchange ----

namespace {
// The name of an edit field as the person reads it: the label before it in its dialog, and the
// group box round it when there is one ("Step size (Variable 1)"); empty when it has no label.
std::string field_name(HWND edit) {
  orv::WindowSystem& ws = orv::platform_state().windows;
  const orv::Window* e = ws.find(edit);
  const orv::Window* d = e ? ws.find(e->parent) : nullptr;
  if (d == nullptr) return {};
  std::string label, group;
  for (HWND c : d->children) {
    if (c == edit) break;
    const orv::Window* w = ws.find(c);
    if (w == nullptr) continue;
    // A label stands on the field's row.
    if (w->control == CTL_STATIC && !w->text.empty() && w->y + w->cy > e->y && w->y < e->y + e->cy)
      label = orv::strip_accelerator(w->text);
    if (w->control == CTL_GROUPBOX && e->x >= w->x && e->x < w->x + w->cx && e->y >= w->y && e->y < w->y + w->cy)
      group = orv::strip_accelerator(w->text);
  }
  if (label.empty()) return {};
  return group.empty() ? label : label + " (" + group + ")";
}

// A message about a field, led by the field's name.
std::string about_field(HWND edit, const std::string& text) {
  const std::string name = field_name(edit);
  return name.empty() ? text : name + ": " + text;
}
}  // namespace

void DDX_ProcessEditReal(CDataExchange* pDX, int nIDC, QXReal& field) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (!pDX->m_bSaveAndValidate) {
    ::SetWindowTextA(h, orv::format_real(field.value).c_str());
    return;
  }
  double v = 0;
  std::string text = window_text(h);
  if (!orv::parse_real(text, v)) {
    std::string shown = trim(text);
    std::string msg = about_field(h, shown.empty() ? "Please enter a number."
                                                   : "\"" + shown + "\" is not a number.\nPlease enter a number.");
    message_box_ok(msg.c_str(), caption_of(pDX).c_str(), 2, pDX->m_pDlgWnd ? pDX->m_pDlgWnd->m_hWnd : nullptr);
    pDX->Fail();
  }
  if (v < field.lower || v > field.upper) {
    std::string msg = about_field(h, "Please enter a number between " + orv::format_real(field.lower) + " and " +
                                         orv::format_real(field.upper) + ".");
    message_box_ok(msg.c_str(), caption_of(pDX).c_str(), 2, pDX->m_pDlgWnd ? pDX->m_pDlgWnd->m_hWnd : nullptr);
    pDX->Fail();
  }
  field.value = v;
}

void DDX_ProcessEditReal(CDataExchange* pDX, int nIDC, QXReal* field) {
  if (field != nullptr) DDX_ProcessEditReal(pDX, nIDC, *field);
}

void DDX_ProcessEditString(CDataExchange* pDX, int nIDC, QXString& field) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) field.text = window_text(h);
  else ::SetWindowTextA(h, field.text.c_str());
}

void DDX_ProcessEditString(CDataExchange* pDX, int nIDC, QXString* field) {
  if (field != nullptr) DDX_ProcessEditString(pDX, nIDC, *field);
}

CWnd* get_MainFrame() { return orv::platform_state().windows.main_frame_object(); }

CWnd* AfxGetMainWnd() { return get_MainFrame(); }
