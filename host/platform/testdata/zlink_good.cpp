// A minimal Zlink for the loader's tests: registers itself at attach, loads a string of its own
// from the resource module it makes current, and puts back the module it found.
#include "orvantis/afx.h"
#include "orvantis/resource_format.h"

namespace {
AFX_EXTENSION_MODULE extension;
HINSTANCE own_module = nullptr;
const StringEntry kStrings[] = {{1, "from the zlink"}};
const ControlTemplate kControls[] = {{1, CTL_PUSHBUTTON, "&OK", 4, 4, 30, 14, WS_VISIBLE | WS_TABSTOP}};
const DialogTemplate kDialogs[] = {{7, "Forgotten", 60, 30, 8, "MS Sans Serif", WS_POPUP | WS_VISIBLE, kControls, 1}};
}  // namespace

extern "C" const ResourceTable zlink_resources = {kResourceFormatVersion, kDialogs, 1, kStrings, 1};

// A dialog q_main leaves open, as a Zlink that forgets its window would; the test deletes it.
extern "C" {
CDialog* leaked_dialog = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    AfxInitExtensionModule(extension, instance);
    new CDynLinkLibrary(extension, FALSE);
    own_module = instance;
  } else if (reason == DLL_PROCESS_DETACH) {
    AfxTermExtensionModule(extension, FALSE);
  }
  return TRUE;
}

extern "C" int q_version() { return 1200; }

// 1 when attach ran and the string came from this module's own resources, else 0.
extern "C" int q_main() {
  HINSTANCE saved = AfxGetResourceHandle();
  AfxSetResourceHandle(own_module);
  char text[64];
  int n = AfxLoadString(1, text, sizeof text);
  leaked_dialog = new CDialog(7, nullptr);
  leaked_dialog->Create(7);
  AfxSetResourceHandle(saved);
  return own_module != nullptr && n == 14 ? 1 : 0;
}
