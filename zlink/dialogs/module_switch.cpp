// The module resource switch: the plug-in's module becomes the current resource module of this
// thread for one entry from the host, and the module found on entry comes back on the way out.
#include "dialogs/module_switch.h"
#include "orvantis/afx.h"

HINSTANCE kuvra_module = nullptr;
char eqn_filter[filter_size] = "";

ModuleResourceSwitch::ModuleResourceSwitch() {
  if (kuvra_module == nullptr) return;  // not attached: nothing to switch to
  HINSTANCE current = AfxGetResourceHandle();
  if (current == kuvra_module) return;  // already ours: nothing to restore either
  saved_ = current;
  switched_ = true;
  AfxSetResourceHandle(kuvra_module);
}

ModuleResourceSwitch::~ModuleResourceSwitch() {
  if (switched_) AfxSetResourceHandle(saved_);
}
