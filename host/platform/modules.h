// Modules and their resources: the host itself and every loaded Zlink, each with a resource table
// (dialog templates, string table, bitmaps). A module handle is an opaque number that is never reused, so a
// handle of an unloaded module finds nothing. The framework's current resource module is kept per
// thread (AFX_MODULE_STATE); templates and strings are loaded from it and from no other module.
#pragma once
#include <string>

#include "orvantis/afx.h"
#include "orvantis/resource_format.h"

namespace orv {

/// Registers a module and its resources (null: none); returns its handle.
HINSTANCE register_module(const std::string& name, const ResourceTable* resources);
/// Forgets a module: its library entries are deleted, and a thread whose current resource module it
/// was goes back to the host's module.
void unregister_module(HINSTANCE module);
/// True while `module` is registered.
bool module_exists(HINSTANCE module);
std::string module_name(HINSTANCE module);

/// The host's own module (always registered).
HINSTANCE host_module();

/// Dialog template `id` of `module`, or null.
const DialogTemplate* find_dialog_template(HINSTANCE module, UINT id);
/// String-table entry `id` of `module`, or null.
const char* find_string(HINSTANCE module, UINT id);
/// Bitmap `id` of `module`, or null.
const BitmapResource* find_bitmap(HINSTANCE module, UINT id);

/// The number of library entries (CDynLinkLibrary) in the framework's chain for `module`.
int library_entries_of(HINSTANCE module);

/// Checks a resource table: format version, ids unique, every pointer it needs set, each bitmap's
/// sizes consistent and its pixels within its palette. Empty when the
/// table is sound, else what is wrong with it.
std::string check_resources(const ResourceTable& table);

}  // namespace orv
