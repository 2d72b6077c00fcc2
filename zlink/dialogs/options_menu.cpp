// The main plot dialog: its message map, data exchange, and one handler per control. Handlers run to
// completion on the host's user-interface thread; each one acts on PlotSettings at once.
#include "dialogs/options_menu.h"
#include <cstring>
#include "dialogs/resource_ids.h"
#include "dialogs/variable_snapshot.h"
#include "dialogs/variables_menu.h"
#include "dialogs/module_switch.h"
#include "eqfile/equation_file.h"
#include "equation/keywords.h"
#include "equation/plot_settings.h"
#include "orvantis/host_files.h"
#include "orvantis/host_geometry.h"
#include "geometry/plotting.h"

namespace {
constexpr int open_file_call_site = 929;
constexpr int open_file_close_site = 937;
constexpr int item_text_size = 256;
}  // namespace

COptionsMenu::COptionsMenu(CWnd* parent) : QXDialog(IDD_KUVRA, parent, 17, false, 1) {}

COptionsMenu::~COptionsMenu() = default;

BEGIN_MESSAGE_MAP(COptionsMenu, QXDialog)
  ON_BN_CLICKED(IDC_EDIT_EQUATION, &COptionsMenu::OnEditEquation)
  ON_BN_CLICKED(IDC_OPEN_FILE, &COptionsMenu::OnOpenFile)
  ON_BN_CLICKED(IDC_SET_VARIABLES, &COptionsMenu::OnSetVariables)
  ON_BN_CLICKED(IDC_USE_DEGREES, &COptionsMenu::OnUseDegrees)
  ON_BN_CLICKED(IDC_TRACE_VARIABLES, &COptionsMenu::OnTraceVariables)
  ON_BN_CLICKED(IDC_ORIGIN, &COptionsMenu::OnOrigin)
  ON_CBN_SELCHANGE(IDC_GEOMETRY, &COptionsMenu::OnGeometryChanged)
  ON_BN_CLICKED(IDC_PLOT_IT, &COptionsMenu::OnPlotIt)
  ON_BN_CLICKED(IDC_OK, &COptionsMenu::OnOkClicked)
END_MESSAGE_MAP()

void COptionsMenu::SetRunData(Statement* head, const char* file_path) {
  statements = head;
  std::strncpy(path, file_path, path_size - 1);
  path[path_size - 1] = '\0';
  useDegrees = PlotSettings.use_degrees != 0 ? 1 : 0;
  traceVariables = PlotSettings.trace_variables != 0 ? 1 : 0;
}

void COptionsMenu::DoDataExchange(CDataExchange* dx) {
  QXDialog::DoDataExchange(dx);
  DDX_Check(dx, IDC_USE_DEGREES, useDegrees);
  DDX_Check(dx, IDC_TRACE_VARIABLES, traceVariables);
  DDX_Control(dx, IDC_GEOMETRY, geometryList);
}

BOOL COptionsMenu::OnInitDialog() {
  QXDialog::OnInitDialog();  // the first exchange binds geometryList
  FillGeometryList();
  ShowWindow(SW_SHOWNORMAL);  // the template is not visible by itself
  UpdateData(FALSE);
  return TRUE;
}

void COptionsMenu::FillGeometryList() {
  if (!::IsWindow(m_hWnd)) return;
  char text[item_text_size];
  for (int i = 0; i < geometry_item_count; ++i) {
    if (LoadStringA(AfxGetResourceHandle(), IDS_GEOMETRY_FIRST + i, text, item_text_size) == 0)
      text[0] = '\0';
    geometryList.AddString(text);
  }
  // A kind outside 4..12 gives an index the list does not hold: no selection.
  geometryList.SetCurSel(PlotSettings.geometry - first_curve_kind);
}

void COptionsMenu::RefreshControls() {
  geometryList.SetCurSel(PlotSettings.geometry - first_curve_kind);
  useDegrees = PlotSettings.use_degrees != 0 ? 1 : 0;
  UpdateData(FALSE);
}

void COptionsMenu::OnGeometryChanged() {
  PlotSettings.geometry = geometryList.GetCurSel() + first_curve_kind;
}

void COptionsMenu::OnUseDegrees() {
  UpdateData(TRUE);
  PlotSettings.use_degrees = useDegrees == 1 ? 1 : 0;
}

void COptionsMenu::OnTraceVariables() {
  UpdateData(TRUE);
  PlotSettings.trace_variables = traceVariables == 1 ? 1 : 0;
}

void COptionsMenu::OnPlotIt() { plot_geometry(statements); }

void COptionsMenu::OnOrigin() {
  double kept[3];
  std::memcpy(kept, PlotSettings.origin, sizeof kept);
  ShowWindow(SW_HIDE);
  char code = 0;
  char picked = 0;
  point_proc("", &code, PlotSettings.origin, &picked);
  ShowWindow(SW_SHOW);
  if (picked == 0) std::memcpy(PlotSettings.origin, kept, sizeof kept);
  clean_pt(code, PlotSettings.origin);
}

void COptionsMenu::OnEditEquation() {
  edit_equation_file(path, &statements);
  RefreshControls();
}

void COptionsMenu::OnOpenFile() {
  if (PromptForFileToOpen(path, "r", eqn_filter, 0, 0, AfxGetResourceHandle(), GetSafeHwnd()) == 0)
    return;
  char ok = 0;
  FILE* file = q_open_file(kuvra_source_tag, open_file_call_site, path, "r", &ok);
  if (ok == 0 || file == nullptr) return;  // path keeps the chosen name
  read_equation_file(file, &statements);
  RefreshControls();
  q_fclose(kuvra_source_tag, open_file_close_site, file);
}

void COptionsMenu::OnSetVariables() {
  ModuleResourceSwitch resources;
  VariableSettingsSnapshot snapshot;
  SaveVariableSettings(&snapshot);
  CVariablesMenu variables(GetParent());
  if (variables.DoModal() == IDCANCEL) RestoreVariableSettings(&snapshot);
  if (CWnd* ok = GetDlgItem(IDC_OK)) ok->SetFocus();
  RefreshControls();
}

void COptionsMenu::OnOkClicked() {
  HWND focus = ::GetFocus();
  if (focus == nullptr || focus != ::GetDlgItem(m_hWnd, IDC_OK)) {
    // Enter on a control that is not a push button: take the values, keep the dialog open.
    UpdateData(TRUE);
    return;
  }
  PlotSettings.use_degrees = useDegrees == 1 ? 1 : 0;
  PlotSettings.trace_variables = traceVariables == 1 ? 1 : 0;
  UIDialog::OnOK();
  PostMessageA(nullptr, WM_RUN_DONE, 1, 0);
  DestroyWindow();
}

void COptionsMenu::OnOK() {
  HWND focus = ::GetFocus();
  if (focus != nullptr && ::GetDlgCtrlID(focus) == IDC_OK)
    OnOkClicked();
  else
    UpdateData(TRUE);
}

void COptionsMenu::OnCancelCommand() { OnClose(); }

void COptionsMenu::OnClose() {
  Default();
  CDialog::OnCancel();
  PostMessageA(nullptr, WM_RUN_DONE, 0, 0);
  DestroyWindow();
}
