// The undo of the Variables dialog: its fields are stored into PlotSettings one by one as they lose
// the focus, so Set variables takes a snapshot of the eight step-variable settings before the dialog
// opens and puts it back when the dialog is cancelled.
#pragma once
#include "equation/limits.h"

struct VariableSettingsSnapshot {
  char step_var[2][name_size];
  double lower_limit[2];
  double upper_limit[2];
  double step_size[2];
};

/// Copies both step-variable names and their limits and step sizes out of PlotSettings.
void SaveVariableSettings(VariableSettingsSnapshot* snapshot);
/// Copies a snapshot back into the same eight settings; nothing else of PlotSettings changes.
void RestoreVariableSettings(const VariableSettingsSnapshot* snapshot);
