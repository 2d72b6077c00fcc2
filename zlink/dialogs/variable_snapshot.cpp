// Snapshot and restore of the eight step-variable settings around the Variables dialog.
#include "dialogs/variable_snapshot.h"
#include <cstring>
#include "equation/plot_settings.h"

namespace {
// Both sides are whole name buffers: copied as they are, the terminating NUL ensured.
void copy_name(char* to, const char* from) {
  std::memcpy(to, from, name_size);
  to[name_size - 1] = '\0';
}
}  // namespace

void SaveVariableSettings(VariableSettingsSnapshot* snapshot) {
  for (int i = 0; i < 2; ++i) {
    copy_name(snapshot->step_var[i], PlotSettings.step_var[i]);
    snapshot->lower_limit[i] = PlotSettings.lower_limit[i];
    snapshot->upper_limit[i] = PlotSettings.upper_limit[i];
    snapshot->step_size[i] = PlotSettings.step_size[i];
  }
}

void RestoreVariableSettings(const VariableSettingsSnapshot* snapshot) {
  for (int i = 0; i < 2; ++i) {
    copy_name(PlotSettings.step_var[i], snapshot->step_var[i]);
    PlotSettings.lower_limit[i] = snapshot->lower_limit[i];
    PlotSettings.upper_limit[i] = snapshot->upper_limit[i];
    PlotSettings.step_size[i] = snapshot->step_size[i];
  }
}
