// The dialog framework classes over the window system: message maps walked from the class to its
// bases, the message in hand kept for Default(), data exchange whose failure is caught inside
// UpdateData, and modeless and modal dialogs made from the current resource module's templates.
#include <cstring>
#include <string>
#include <vector>

#include "orvantis/afx.h"
#include "platform/event_loop.h"
#include "platform/modules.h"
#include "platform/platform_state.h"
#include "platform/window_system.h"

namespace {

orv::WindowSystem& ws() { return orv::platform_state().windows; }

// Thrown by CDataExchange::Fail and caught by UpdateData; never leaves the framework.
struct ExchangeFailed {};

struct MessageInHand {
  CWnd* window;
  MSG msg;
};
std::vector<MessageInHand>& messages_in_hand() {
  static std::vector<MessageInHand> stack;
  return stack;
}

CRuntimeClass kObjectClass = {"CObject", static_cast<int>(sizeof(CObject)), nullptr};

}  // namespace

// ---- CObject, CCmdTarget ----

CRuntimeClass* CObject::GetRuntimeClass() const { return &kObjectClass; }

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
  static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, nullptr}};
  static const AFX_MSGMAP map = {nullptr, &entries[0]};
  return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) {
  (void)pExtra;
  (void)pHandlerInfo;
  for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
       map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
    for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e != nullptr && e->nMessage != 0; ++e) {
      if (e->nMessage == WM_COMMAND && e->nCode == static_cast<UINT>(nCode) && e->nID == nID) {
        (this->*(e->pfn))();
        return TRUE;
      }
    }
  }
  return FALSE;
}

// ---- CWnd ----

CWnd::CWnd() = default;

CWnd::~CWnd() {
  if (m_hWnd == nullptr) return;
  orv::Window* w = ws().find(m_hWnd);
  if (w != nullptr && w->object == this) {
    if (w->kind == orv::WindowKind::Control) w->object = nullptr;
    else ws().destroy(m_hWnd);
  }
  m_hWnd = nullptr;
}

CWnd* CWnd::FromHandle(HWND window) {
  orv::Window* w = ws().find(window);
  if (w == nullptr) return nullptr;
  if (w->object != nullptr) return w->object;
  if (!w->stand_in) {
    w->stand_in = std::make_unique<CWnd>();
    w->stand_in->m_hWnd = window;
  }
  return w->stand_in.get();
}

CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }

CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr || ws().find(m_hWnd) == nullptr) return FALSE;
  ws().destroy(m_hWnd);
  m_hWnd = nullptr;
  PostNcDestroy();
  return TRUE;
}

CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }
int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }

BOOL CWnd::EnableWindow(BOOL bEnable) {
  orv::Window* w = ws().find(m_hWnd);
  if (w == nullptr) return FALSE;
  BOOL was_disabled = !w->enabled;
  w->enabled = bEnable != FALSE;
  return was_disabled;
}

BOOL CWnd::IsWindowEnabled() const {
  orv::Window* w = ws().find(m_hWnd);
  return w != nullptr && w->enabled;
}

void CWnd::SetWindowText(LPCSTR text) { ::SetWindowTextA(m_hWnd, text); }
int CWnd::GetWindowText(LPSTR buffer, int size) const { return ::GetWindowTextA(m_hWnd, buffer, size); }
int CWnd::GetWindowTextLength() const { return ::GetWindowTextLengthA(m_hWnd); }
void CWnd::SetDlgItemText(int nID, LPCSTR text) { ::SetWindowTextA(::GetDlgItem(m_hWnd, nID), text); }
int CWnd::GetDlgItemText(int nID, LPSTR buffer, int size) const {
  return ::GetWindowTextA(::GetDlgItem(m_hWnd, nID), buffer, size);
}
void CWnd::CheckDlgButton(int nID, UINT nCheck) {
  ::SendMessageA(::GetDlgItem(m_hWnd, nID), BM_SETCHECK, nCheck, 0);
}
UINT CWnd::IsDlgButtonChecked(int nID) const {
  return static_cast<UINT>(::SendMessageA(::GetDlgItem(m_hWnd, nID), BM_GETCHECK, 0, 0));
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageA(m_hWnd, message, wParam, lParam);
}
BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
  if (m_hWnd == nullptr || ws().find(m_hWnd) == nullptr) return FALSE;
  CDataExchange dx(this, bSaveAndValidate);
  try {
    DoDataExchange(&dx);
  } catch (const ExchangeFailed&) {
    return FALSE;
  }
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* parent) {
  if (parent == nullptr) return FALSE;
  HWND h = ::GetDlgItem(parent->m_hWnd, static_cast<int>(nID));
  orv::Window* w = ws().find(h);
  if (w == nullptr) return FALSE;
  if (w->object != nullptr && w->object != this) w->object->m_hWnd = nullptr;
  w->object = this;
  m_hWnd = h;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  if (orv::Window* w = ws().find(h); w != nullptr && w->object == this) w->object = nullptr;
  m_hWnd = nullptr;
  return h;
}

LRESULT CWnd::Default() {
  auto& stack = messages_in_hand();
  for (auto it = stack.rbegin(); it != stack.rend(); ++it)
    if (it->window == this) return DefWindowProc(it->msg.message, it->msg.wParam, it->msg.lParam);
  return 0;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  auto& stack = messages_in_hand();
  stack.push_back(MessageInHand{this, MSG{m_hWnd, message, wParam, lParam}});
  LRESULT result = 0;
  if (message == WM_COMMAND) {
    if (!OnCommand(wParam, lParam)) result = DefWindowProc(message, wParam, lParam);
  } else {
    result = DefWindowProc(message, wParam, lParam);
  }
  stack.pop_back();
  return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_hWnd == nullptr) return 0;
  return ws().default_proc(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
  (void)lParam;
  return OnCmdMsg(LOWORD(wParam), HIWORD(wParam), nullptr, nullptr);
}

BOOL CWnd::PreTranslateMessage(MSG* pMsg) {
  (void)pMsg;
  return FALSE;
}

void CWnd::DoDataExchange(CDataExchange* pDX) { (void)pDX; }

// ---- Controls ----

int CButton::GetCheck() const { return static_cast<int>(::SendMessageA(m_hWnd, BM_GETCHECK, 0, 0)); }
void CButton::SetCheck(int nCheck) { ::SendMessageA(m_hWnd, BM_SETCHECK, static_cast<WPARAM>(nCheck), 0); }

void CEdit::SetSel(int nStartChar, int nEndChar) {
  ::SendMessageA(m_hWnd, EM_SETSEL, static_cast<WPARAM>(static_cast<intptr_t>(nStartChar)), nEndChar);
}

int CComboBox::AddString(LPCSTR text) {
  if (ws().find(m_hWnd) == nullptr) return CB_ERR;
  return static_cast<int>(::SendMessageA(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
}
int CComboBox::InsertString(int index, LPCSTR text) {
  if (ws().find(m_hWnd) == nullptr) return CB_ERR;
  return static_cast<int>(::SendMessageA(m_hWnd, CB_INSERTSTRING, static_cast<WPARAM>(static_cast<intptr_t>(index)),
                                         reinterpret_cast<LPARAM>(text)));
}
int CComboBox::DeleteString(UINT index) {
  if (ws().find(m_hWnd) == nullptr) return CB_ERR;
  return static_cast<int>(::SendMessageA(m_hWnd, CB_DELETESTRING, index, 0));
}
void CComboBox::ResetContent() { ::SendMessageA(m_hWnd, CB_RESETCONTENT, 0, 0); }
int CComboBox::GetCount() const {
  if (ws().find(m_hWnd) == nullptr) return CB_ERR;
  return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCOUNT, 0, 0));
}
int CComboBox::GetCurSel() const {
  if (ws().find(m_hWnd) == nullptr) return CB_ERR;
  return static_cast<int>(::SendMessageA(m_hWnd, CB_GETCURSEL, 0, 0));
}
int CComboBox::SetCurSel(int index) {
  if (ws().find(m_hWnd) == nullptr) return CB_ERR;
  return static_cast<int>(::SendMessageA(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(static_cast<intptr_t>(index)), 0));
}
int CComboBox::GetLBText(int index, LPSTR buffer) const {
  if (index < 0 || ws().find(m_hWnd) == nullptr) return CB_ERR;
  return static_cast<int>(::SendMessageA(m_hWnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer)));
}
int CComboBox::GetLBTextLen(int index) const {
  if (index < 0 || ws().find(m_hWnd) == nullptr) return CB_ERR;
  return static_cast<int>(::SendMessageA(m_hWnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
}

// ---- Data exchange ----

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
  HWND h = ::GetDlgItem(m_pDlgWnd ? m_pDlgWnd->m_hWnd : nullptr, nIDC);
  m_hWndLastControl = h;
  m_bEditLastControl = FALSE;
  return h;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC) {
  HWND h = PrepareCtrl(nIDC);
  m_bEditLastControl = TRUE;
  return h;
}

void CDataExchange::Fail() {
  if (m_bSaveAndValidate && m_hWndLastControl != nullptr && ::IsWindow(m_hWndLastControl)) {
    // Back to the field that failed, its text selected so that typing replaces it.
    ws().set_focus(m_hWndLastControl);
    if (m_bEditLastControl) ::SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
  }
  throw ExchangeFailed{};
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value) {
  HWND h = pDX->PrepareCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) value = static_cast<int>(::SendMessageA(h, BM_GETCHECK, 0, 0));
  else ::SendMessageA(h, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
  if (rControl.m_hWnd == nullptr) rControl.SubclassDlgItem(static_cast<UINT>(nIDC), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int nIDC, char* value, int size) {
  HWND h = pDX->PrepareEditCtrl(nIDC);
  if (pDX->m_bSaveAndValidate) ::GetWindowTextA(h, value, size);
  else ::SetWindowTextA(h, value);
}

// ---- CDialog ----

BEGIN_MESSAGE_MAP(CDialog, CWnd)
  ON_COMMAND(IDOK, &CDialog::OnOK)
  ON_COMMAND(IDCANCEL, &CDialog::OnCancelCommand)
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd) : m_nIDHelp(nIDTemplate), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
  if (m_hWnd != nullptr && ws().find(m_hWnd) != nullptr) ws().destroy(m_hWnd);
  m_hWnd = nullptr;
}

namespace {

// Makes the dialog's window from the current resource module's template and initialises it:
// WM_INITDIALOG, then the focus on the first tab stop when OnInitDialog asks for it.
bool make_dialog(CDialog* dlg, UINT id, CWnd* parent, bool modal) {
  const DialogTemplate* tmpl = orv::find_dialog_template(AfxGetResourceHandle(), id);
  if (tmpl == nullptr || (dlg->m_hWnd != nullptr && ws().find(dlg->m_hWnd) != nullptr)) return false;
  HWND owner = parent ? parent->m_hWnd : nullptr;
  if (owner == nullptr) owner = ws().main_frame();
  HWND h = ws().create_dialog(*tmpl, owner, dlg);
  dlg->m_hWnd = h;
  LRESULT init = ws().send(h, WM_INITDIALOG, 0, 0);
  orv::Window* w = ws().find(h);
  if (w == nullptr) return true;  // destroyed by its own initialisation
  if (init && w->focus == nullptr) {
    if (HWND first = orv::next_tab_stop(ws(), *w, true)) ws().set_focus(first);
  }
  w = ws().find(h);
  if (w != nullptr && (modal || (tmpl->style & WS_VISIBLE))) ws().show(h, true);
  return true;
}

}  // namespace

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
  m_nIDHelp = nIDTemplate;
  if (pParentWnd != nullptr) m_pParentWnd = pParentWnd;
  m_bModal = false;
  m_bModalEnded = false;
  return make_dialog(this, nIDTemplate, m_pParentWnd, false) ? TRUE : FALSE;
}

intptr_t CDialog::DoModal() {
  m_bModal = true;
  m_bModalEnded = false;
  m_nModalResult = -1;
  if (!make_dialog(this, m_nIDHelp, m_pParentWnd, true)) {
    m_bModal = false;
    return -1;
  }
  HWND h = m_hWnd;
  bool input_went_on = true;
  while (!m_bModalEnded && ws().find(h) != nullptr) {
    if (!orv::pump_one()) {
      input_went_on = false;
      break;
    }
  }
  if (!input_went_on && !m_bModalEnded) m_nModalResult = IDCANCEL;  // the person went away
  if (ws().find(h) != nullptr) ws().destroy(h);
  if (m_hWnd == h) m_hWnd = nullptr;
  m_bModal = false;
  return m_nModalResult;
}

void CDialog::EndDialog(int nResult) {
  m_nModalResult = nResult;
  m_bModalEnded = true;
  if (m_hWnd != nullptr) {
    orv::end_modal(m_hWnd, nResult);
    ws().show(m_hWnd, false);
  }
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl) {
  if (pWndCtrl == nullptr || ws().find(pWndCtrl->m_hWnd) == nullptr) return;
  ws().set_focus(pWndCtrl->m_hWnd);
}

void CDialog::NextDlgCtrl() { ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 0, 0); }
void CDialog::PrevDlgCtrl() { ::SendMessageA(m_hWnd, WM_NEXTDLGCTL, 1, 0); }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

void CDialog::OnCancelCommand() { OnCancel(); }

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto& stack = messages_in_hand();
    stack.push_back(MessageInHand{this, MSG{m_hWnd, message, wParam, lParam}});
    LRESULT r = OnInitDialog();
    stack.pop_back();
    return r;
  }
  return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return CWnd::DefWindowProc(message, wParam, lParam);
}
