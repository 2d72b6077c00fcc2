// The subset of the Windows-style dialog framework that the Zlink uses; implemented by the host.
// (Seed: resource-module and string-loading calls; the window and dialog classes follow.)
#pragma once
#include "dialogs/win_types.h"

/// The framework's current resource module of this thread (templates and strings load from it).
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);

/// Copies string-table entry `id` of `module` into `buffer` (at most size-1 characters and a NUL);
/// returns the number of characters copied, 0 when the entry does not exist.
int LoadStringA(HINSTANCE module, UINT id, char* buffer, int size);
