// CVariablesMenu: the modal dialog of the eight step-variable settings. Each edit is validated and
// stored into PlotSettings as soon as it loses the focus; the caller's snapshot is the only undo.
#pragma once
#include "orvantis/afx.h"
#include "orvantis/host_dialogs.h"

class CVariablesMenu : public QXDialog {
 public:
  explicit CVariablesMenu(CWnd* parent);
  ~CVariablesMenu() override;

  QXString name1;  // 1010: first step_var
  QXReal lower1;   // 1011: first lower_limit
  QXReal upper1;   // 1012: first upper_limit
  QXReal step1;    // 1017: first step_size
  QXString name2;  // 1019: second step_var
  QXReal lower2;   // 1021
  QXReal upper2;   // 1023
  QXReal step2;    // 1025

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancelCommand() override;
  virtual void OnClose();

  void OnCommitName1();
  void OnCommitLower1();
  void OnCommitUpper1();
  void OnCommitStep1();
  void OnCommitName2();
  void OnCommitLower2();
  void OnCommitUpper2();
  void OnCommitStep2();
  void OnOkClicked();

  DECLARE_MESSAGE_MAP()

 private:
  /// Runs the commit handler of edit `id`; false when `id` is not one of the eight edits.
  bool CommitEdit(int id);
  /// Exchanges from the controls; on failure puts the focus back on edit `id` and returns false.
  bool ValidateAll(int id);
  /// Validates every field and stores edit `id` and every pending edit; on failure `id` joins the
  /// pending edits and nothing is stored.
  void Commit(int id);
  /// Copies edit `id`'s field into its setting (a name cut to 31 bytes).
  void StoreField(int id);
  /// Stores every pending edit and empties the set.
  void StorePending();
  /// Exchanges from the controls and, when that succeeds, stores the pending edits. False when
  /// the exchange failed.
  bool ExchangeAndStorePending();

  unsigned pending_ = 0;  // bits of the edits whose commit failed; stored at the next success
};
