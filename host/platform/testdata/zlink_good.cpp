// A minimal Zlink for the loader's tests: registers itself at attach, loads a string of its own
// from the resource module it makes current, and puts back the module it found.
#include "dialogs/afx.h"
#include "dialogs/resource_format.h"

namespace {
AFX_EXTENSION_MODULE extension;
HINSTANCE own_module = nullptr;
const StringEntry kStrings[] = {{1, "from the zlink"}};
}  // namespace

extern "C" const ResourceTable zlink_resources = {kResourceFormatVersion, nullptr, 0, kStrings, 1};

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
  AfxSetResourceHandle(saved);
  return own_module != nullptr && n == 14 ? 1 : 0;
}
