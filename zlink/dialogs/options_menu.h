// COptionsMenu: the modeless main dialog of one run. Every control writes its value into
// PlotSettings the moment it is used, so the dialog keeps no copy of the settings and Cancel undoes
// nothing; OK and Cancel post WM_RUN_DONE, on which the run driver's event loop ends.
#pragma once
#include "orvantis/afx.h"
#include "orvantis/host_dialogs.h"
#include "equation/limits.h"
#include "equation/program.h"

/// Thread message that ends the run driver's loop: wParam 1 for OK, 0 for Cancel, lParam 0.
constexpr UINT WM_RUN_DONE = WM_APP + 40;

class COptionsMenu : public QXDialog {
 public:
  explicit COptionsMenu(CWnd* parent);
  ~COptionsMenu() override;

  /// Before the window exists: the list Plot it evaluates (not owned), the file Edit equation edits
  /// (cut to 255 bytes), and the check states from PlotSettings.
  void SetRunData(Statement* head, const char* file_path);
  /// Appends string-table entries 1..9 to the geometry list and selects the item of the current kind
  /// (none for a kind outside 4..12). Does nothing before the window exists.
  void FillGeometryList();

  Statement* statements = nullptr;  // read back by the run driver after the dialog has ended
  char path[path_size] = {};        // likewise
  int useDegrees = 0;               // check box 1016
  int traceVariables = 0;           // check box 1017
  CComboBox geometryList;           // control 1027

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancelCommand() override;
  virtual void OnClose();

  void OnEditEquation();
  void OnOpenFile();
  void OnSetVariables();
  void OnUseDegrees();
  void OnTraceVariables();
  void OnOrigin();
  void OnGeometryChanged();
  void OnPlotIt();
  void OnOkClicked();

  DECLARE_MESSAGE_MAP()

 private:
  /// Selects the item of the current kind, takes use_degrees into the check state, and exchanges
  /// the data to the controls.
  void RefreshControls();
};
