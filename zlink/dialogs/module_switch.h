// The plug-in's module handle and the switch that makes it the framework's current resource module.
// Every entry from the host (q_main, the dialog run, Set variables) turns the switch on for its whole
// length, so that dialog templates and strings load from the plug-in; the guard restores the module
// it found on every way out.
#pragma once
#include "orvantis/win_types.h"

/// The handle received at process attach; null before. The resource module of the plug-in.
extern HINSTANCE kuvra_module;

constexpr int filter_size = 10;
/// The equation-file filter ".EQN": set at the start of every run, also used by Open file.
extern char eqn_filter[filter_size];

/// On: when kuvra_module is set and is not already current, remembers the current resource module
/// and makes kuvra_module current. Off (destruction): makes the remembered module current again.
class ModuleResourceSwitch {
 public:
  ModuleResourceSwitch();
  ~ModuleResourceSwitch();
  ModuleResourceSwitch(const ModuleResourceSwitch&) = delete;
  ModuleResourceSwitch& operator=(const ModuleResourceSwitch&) = delete;

  /// True when the switch changed the current module (and will restore it).
  bool switched() const { return switched_; }

 private:
  HINSTANCE saved_ = nullptr;
  bool switched_ = false;
};
