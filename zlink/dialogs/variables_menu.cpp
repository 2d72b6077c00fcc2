// The Variables dialog: eight edits bound to PlotSettings' step-variable fields, committed one by
// one on losing the focus. A failed exchange (the host reports the bad number in its own words)
// sends the focus back to the edit being committed and stores nothing. An edit whose commit failed
// while the focus moved on to another field is remembered and stored with the next commit that
// succeeds, so a value the user typed and saw is never dropped.
#include "dialogs/variables_menu.h"
#include <cstring>
#include <iterator>
#include "dialogs/resource_ids.h"
#include "equation/plot_settings.h"
#include "orvantis/host_geometry.h"

namespace {
constexpr double limit_bound = 1e38;

// The eight edits in template order; an edit's place here is its bit in the pending set.
constexpr int variable_edits[] = {IDC_NAME1, IDC_LOWER1, IDC_UPPER1, IDC_STEP1,
                                  IDC_NAME2, IDC_LOWER2, IDC_UPPER2, IDC_STEP2};

/// The edit's bit in the pending set; 0 when `id` is not one of the eight edits.
unsigned edit_bit(int id) {
  for (unsigned i = 0; i < std::size(variable_edits); ++i)
    if (variable_edits[i] == id) return 1u << i;
  return 0;
}

bool is_variable_edit(int id) { return edit_bit(id) != 0; }

void copy_name(const QXString& field, int which) {
  std::strncpy(PlotSettings.step_var[which], field.text.c_str(), name_size - 1);
  PlotSettings.step_var[which][name_size - 1] = '\0';
}

void set_real(QXReal& field, double low, double high, double value) {
  field.lower = low;
  field.upper = high;
  field.value = value;
}
}  // namespace

CVariablesMenu::CVariablesMenu(CWnd* parent) : QXDialog(IDD_VARIABLES, parent, 17, false, 1) {}

CVariablesMenu::~CVariablesMenu() = default;

BEGIN_MESSAGE_MAP(CVariablesMenu, QXDialog)
  ON_EN_KILLFOCUS(IDC_NAME1, &CVariablesMenu::OnCommitName1)
  ON_EN_KILLFOCUS(IDC_LOWER1, &CVariablesMenu::OnCommitLower1)
  ON_EN_KILLFOCUS(IDC_UPPER1, &CVariablesMenu::OnCommitUpper1)
  ON_EN_KILLFOCUS(IDC_STEP1, &CVariablesMenu::OnCommitStep1)
  ON_EN_KILLFOCUS(IDC_NAME2, &CVariablesMenu::OnCommitName2)
  ON_EN_KILLFOCUS(IDC_LOWER2, &CVariablesMenu::OnCommitLower2)
  ON_EN_KILLFOCUS(IDC_UPPER2, &CVariablesMenu::OnCommitUpper2)
  ON_EN_KILLFOCUS(IDC_STEP2, &CVariablesMenu::OnCommitStep2)
  ON_BN_CLICKED(IDC_OK, &CVariablesMenu::OnOkClicked)
END_MESSAGE_MAP()

void CVariablesMenu::DoDataExchange(CDataExchange* dx) {
  QXDialog::DoDataExchange(dx);
  DDX_ProcessEditString(dx, IDC_NAME1, name1);
  DDX_ProcessEditReal(dx, IDC_LOWER1, lower1);
  DDX_ProcessEditReal(dx, IDC_UPPER1, upper1);
  DDX_ProcessEditReal(dx, IDC_STEP1, step1);
  DDX_ProcessEditString(dx, IDC_NAME2, name2);
  DDX_ProcessEditReal(dx, IDC_LOWER2, lower2);
  DDX_ProcessEditReal(dx, IDC_UPPER2, upper2);
  DDX_ProcessEditReal(dx, IDC_STEP2, step2);
}

BOOL CVariablesMenu::OnInitDialog() {
  QXDialog::OnInitDialog();
  name1.text = PlotSettings.step_var[0];
  set_real(lower1, -limit_bound, limit_bound, PlotSettings.lower_limit[0]);
  set_real(upper1, -limit_bound, limit_bound, PlotSettings.upper_limit[0]);
  set_real(step1, tol, limit_bound, PlotSettings.step_size[0]);
  name2.text = PlotSettings.step_var[1];
  set_real(lower2, -limit_bound, limit_bound, PlotSettings.lower_limit[1]);
  set_real(upper2, -limit_bound, limit_bound, PlotSettings.upper_limit[1]);
  set_real(step2, tol, limit_bound, PlotSettings.step_size[1]);
  UpdateData(FALSE);
  return TRUE;
}

bool CVariablesMenu::ValidateAll(int id) {
  if (UpdateData(TRUE)) return true;
  // The failed exchange has put the focus on the field it rejected. That is this handler's own edit
  // unless a value that came from the settings is itself out of bounds (a file's step size of 0);
  // the focus then stays on that field, since otherwise no edit could ever be left to correct it.
  HWND focus = ::GetFocus();
  CWnd* target = GetDlgItem(id);
  if (focus != nullptr && ::GetParent(focus) == m_hWnd && is_variable_edit(::GetDlgCtrlID(focus)))
    target = CWnd::FromHandle(focus);
  if (target != nullptr) GotoDlgCtrl(target);
  return false;
}

void CVariablesMenu::StoreField(int id) {
  switch (id) {
    case IDC_NAME1: copy_name(name1, 0); break;
    case IDC_LOWER1: PlotSettings.lower_limit[0] = lower1.value; break;
    case IDC_UPPER1: PlotSettings.upper_limit[0] = upper1.value; break;
    case IDC_STEP1: PlotSettings.step_size[0] = step1.value; break;
    case IDC_NAME2: copy_name(name2, 1); break;
    case IDC_LOWER2: PlotSettings.lower_limit[1] = lower2.value; break;
    case IDC_UPPER2: PlotSettings.upper_limit[1] = upper2.value; break;
    case IDC_STEP2: PlotSettings.step_size[1] = step2.value; break;
    default: break;
  }
}

void CVariablesMenu::StorePending() {
  for (int id : variable_edits)
    if ((pending_ & edit_bit(id)) != 0) StoreField(id);
  pending_ = 0;
}

void CVariablesMenu::Commit(int id) {
  if (!ValidateAll(id)) {
    pending_ |= edit_bit(id);
    return;
  }
  StoreField(id);
  StorePending();
  UpdateData(TRUE);
}

void CVariablesMenu::OnCommitName1() { Commit(IDC_NAME1); }
void CVariablesMenu::OnCommitLower1() { Commit(IDC_LOWER1); }
void CVariablesMenu::OnCommitUpper1() { Commit(IDC_UPPER1); }
void CVariablesMenu::OnCommitStep1() { Commit(IDC_STEP1); }
void CVariablesMenu::OnCommitName2() { Commit(IDC_NAME2); }
void CVariablesMenu::OnCommitLower2() { Commit(IDC_LOWER2); }
void CVariablesMenu::OnCommitUpper2() { Commit(IDC_UPPER2); }
void CVariablesMenu::OnCommitStep2() { Commit(IDC_STEP2); }

bool CVariablesMenu::CommitEdit(int id) {
  switch (id) {
    case IDC_NAME1: OnCommitName1(); return true;
    case IDC_LOWER1: OnCommitLower1(); return true;
    case IDC_UPPER1: OnCommitUpper1(); return true;
    case IDC_STEP1: OnCommitStep1(); return true;
    case IDC_NAME2: OnCommitName2(); return true;
    case IDC_LOWER2: OnCommitLower2(); return true;
    case IDC_UPPER2: OnCommitUpper2(); return true;
    case IDC_STEP2: OnCommitStep2(); return true;
    default: return false;
  }
}

namespace {
int focused_id() {
  HWND focus = ::GetFocus();
  return focus != nullptr ? ::GetDlgCtrlID(focus) : 0;
}
}  // namespace

void CVariablesMenu::OnOkClicked() {
  int id = focused_id();
  if (CommitEdit(id)) return;  // Enter in a field stores that field; the dialog stays open
  if (id == IDC_OK) {
    // An abandoned edit still waiting to be stored keeps the dialog open while the exchange fails.
    if (pending_ != 0 && !ExchangeAndStorePending()) return;
    UIDialog::OnOK();
    DestroyWindow();
    return;
  }
  ExchangeAndStorePending();
}

bool CVariablesMenu::ExchangeAndStorePending() {
  if (!UpdateData(TRUE)) return false;
  StorePending();
  return true;
}

void CVariablesMenu::OnOK() {
  int id = focused_id();
  if (CommitEdit(id)) return;
  if (id == IDC_OK) {
    OnOkClicked();
    return;
  }
  ExchangeAndStorePending();
}

void CVariablesMenu::OnCancelCommand() { OnClose(); }

void CVariablesMenu::OnClose() {
  Default();
  CDialog::OnCancel();
  DestroyWindow();
}
