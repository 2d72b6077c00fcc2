// The library entry: at process attach the plug-in registers itself as an extension module of the
// host's dialog framework, joins its chain of resource modules and keeps its module handle; at
// process detach it releases the registration. Every notification reports success.
#include <new>
#include "orvantis/afx.h"
#include "dialogs/module_switch.h"

namespace {
AFX_EXTENSION_MODULE kuvra_extension;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID /*lpReserved*/) {
  if (dwReason == DLL_PROCESS_ATTACH) {
    AfxInitExtensionModule(kuvra_extension, hInstance);  // its result is not needed
    // The framework owns the entry from here and deletes it at termination; without memory the
    // plug-in goes on outside the chain, its module still made current by the resource switch.
    new (std::nothrow) CDynLinkLibrary(kuvra_extension, FALSE);
    kuvra_module = hInstance;
  } else if (dwReason == DLL_PROCESS_DETACH) {
    AfxTermExtensionModule(kuvra_extension, FALSE);
  }
  return TRUE;
}
