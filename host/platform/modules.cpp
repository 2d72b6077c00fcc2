// The module registry, the per-thread current resource module, string loading, and the extension
// module records and library entries that a Zlink registers at process attach.
#include "platform/modules.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <vector>

namespace orv {
namespace {

struct Module {
  std::string name;
  const ResourceTable* resources = nullptr;
};

struct Registry {
  std::map<HINSTANCE, Module> modules;
  uintptr_t next = 0x400000;
  HINSTANCE host = nullptr;
  std::vector<CDynLinkLibrary*> chain;  // the library entries, oldest first
};

// The host's own resources: none of its dialogs are templates; the table exists so that the host
// module behaves as every other module does.
const ResourceTable kHostResources = {kResourceFormatVersion, nullptr, 0, nullptr, 0};

Registry& registry() {
  static Registry* r = [] {
    auto* reg = new Registry();  // lives to the end, like the windows that refer to modules
    reg->next += 0x10000;
    reg->host = reinterpret_cast<HINSTANCE>(reg->next);
    reg->modules[reg->host] = Module{"orvantis", &kHostResources};
    return reg;
  }();
  return *r;
}

// The bitmaps of a table; a format 1 table ends before the bitmap members, so they are not read.
int bitmap_count(const ResourceTable& table) {
  return table.format_version >= kResourceFormatFirstWithBitmaps && table.bitmaps != nullptr ? table.bitmap_count : 0;
}

std::string check_bitmap(const BitmapResource& b) {
  const std::string name = "bitmap " + std::to_string(b.id);
  if (b.width <= 0 || b.height <= 0 || b.width > 4096 || b.height > 4096)
    return name + ": size " + std::to_string(b.width) + " x " + std::to_string(b.height) + " out of range";
  if (b.color_count <= 0 || b.color_count > kBitmapMaxColors || b.palette == nullptr)
    return name + ": palette of " + std::to_string(b.color_count) + " colours unusable";
  if (b.pixels == nullptr || b.pixel_count != b.width * b.height)
    return name + ": " + std::to_string(b.pixel_count) + " pixels for " + std::to_string(b.width) + " x " +
           std::to_string(b.height);
  for (int i = 0; i < b.pixel_count; ++i)
    if (b.pixels[i] >= b.color_count)
      return name + ": pixel " + std::to_string(i) + " is colour " + std::to_string(b.pixels[i]) +
             " of a palette of " + std::to_string(b.color_count);
  return {};
}

const Module* find_module(HINSTANCE module) {
  auto& m = registry().modules;
  auto it = m.find(module);
  return it == m.end() ? nullptr : &it->second;
}

AFX_MODULE_STATE& thread_state() {
  thread_local AFX_MODULE_STATE state{host_module(), host_module()};
  return state;
}

}  // namespace

HINSTANCE register_module(const std::string& name, const ResourceTable* resources) {
  Registry& r = registry();
  r.next += 0x10000;
  HINSTANCE h = reinterpret_cast<HINSTANCE>(r.next);
  r.modules[h] = Module{name, resources};
  return h;
}

void unregister_module(HINSTANCE module) {
  Registry& r = registry();
  if (module == r.host) return;
  std::vector<CDynLinkLibrary*> entries;
  for (CDynLinkLibrary* e : r.chain)
    if (e->m_hModule == module) entries.push_back(e);
  for (CDynLinkLibrary* e : entries) delete e;  // the destructor leaves the chain
  r.modules.erase(module);
  AFX_MODULE_STATE& s = thread_state();
  if (s.m_hCurrentResourceHandle == module) s.m_hCurrentResourceHandle = r.host;
  if (s.m_hCurrentInstanceHandle == module) s.m_hCurrentInstanceHandle = r.host;
}

bool module_exists(HINSTANCE module) { return find_module(module) != nullptr; }

std::string module_name(HINSTANCE module) {
  const Module* m = find_module(module);
  return m ? m->name : std::string();
}

HINSTANCE host_module() { return registry().host; }

const DialogTemplate* find_dialog_template(HINSTANCE module, UINT id) {
  const Module* m = find_module(module);
  if (m == nullptr || m->resources == nullptr || m->resources->dialogs == nullptr) return nullptr;
  for (int i = 0; i < m->resources->dialog_count; ++i)
    if (static_cast<UINT>(m->resources->dialogs[i].id) == id) return &m->resources->dialogs[i];
  return nullptr;
}

const char* find_string(HINSTANCE module, UINT id) {
  const Module* m = find_module(module);
  if (m == nullptr || m->resources == nullptr || m->resources->strings == nullptr) return nullptr;
  for (int i = 0; i < m->resources->string_count; ++i)
    if (static_cast<UINT>(m->resources->strings[i].id) == id) return m->resources->strings[i].text;
  return nullptr;
}

const BitmapResource* find_bitmap(HINSTANCE module, UINT id) {
  const Module* m = find_module(module);
  if (m == nullptr || m->resources == nullptr) return nullptr;
  for (int i = 0; i < bitmap_count(*m->resources); ++i)
    if (static_cast<UINT>(m->resources->bitmaps[i].id) == id) return &m->resources->bitmaps[i];
  return nullptr;
}

int library_entries_of(HINSTANCE module) {
  auto& chain = registry().chain;
  return static_cast<int>(std::count_if(chain.begin(), chain.end(),
                                        [&](CDynLinkLibrary* e) { return e->m_hModule == module; }));
}

std::string check_resources(const ResourceTable& table) {
  if (table.format_version < 1 || table.format_version > kResourceFormatVersion)
    return "resource format " + std::to_string(table.format_version) + ", expected 1 to " +
           std::to_string(kResourceFormatVersion);
  if (table.dialog_count < 0 || (table.dialog_count > 0 && table.dialogs == nullptr))
    return "dialog table missing";
  if (table.string_count < 0 || (table.string_count > 0 && table.strings == nullptr))
    return "string table missing";
  std::set<int32_t> dialogs;
  for (int i = 0; i < table.dialog_count; ++i) {
    const DialogTemplate& d = table.dialogs[i];
    if (!dialogs.insert(d.id).second) return "dialog " + std::to_string(d.id) + " declared twice";
    if (d.control_count < 0 || (d.control_count > 0 && d.controls == nullptr))
      return "dialog " + std::to_string(d.id) + ": control table missing";
    std::set<int32_t> ids;
    for (int c = 0; c < d.control_count; ++c) {
      const ControlTemplate& ct = d.controls[c];
      if (ct.kind < CTL_PUSHBUTTON || ct.kind > CTL_DROPDOWNLIST)
        return "dialog " + std::to_string(d.id) + ": control " + std::to_string(ct.id) + " of unknown class";
      if (!ids.insert(ct.id).second)
        return "dialog " + std::to_string(d.id) + ": control " + std::to_string(ct.id) + " declared twice";
    }
  }
  std::set<int32_t> strings;
  for (int i = 0; i < table.string_count; ++i) {
    if (table.strings[i].text == nullptr) return "string " + std::to_string(table.strings[i].id) + " has no text";
    if (!strings.insert(table.strings[i].id).second)
      return "string " + std::to_string(table.strings[i].id) + " declared twice";
  }
  if (table.format_version >= kResourceFormatFirstWithBitmaps &&
      (table.bitmap_count < 0 || (table.bitmap_count > 0 && table.bitmaps == nullptr)))
    return "bitmap table missing";
  std::set<int32_t> bitmaps;
  for (int i = 0; i < bitmap_count(table); ++i) {
    if (std::string bad = check_bitmap(table.bitmaps[i]); !bad.empty()) return bad;
    if (!bitmaps.insert(table.bitmaps[i].id).second)
      return "bitmap " + std::to_string(table.bitmaps[i].id) + " declared twice";
  }
  return {};
}

}  // namespace orv

// ---- The framework's module calls ----

AFX_MODULE_STATE* AfxGetModuleState() { return &orv::thread_state(); }
AFX_MODULE_STATE* AfxGetStaticModuleState() { return &orv::thread_state(); }

HINSTANCE AfxGetResourceHandle() { return orv::thread_state().m_hCurrentResourceHandle; }
void AfxSetResourceHandle(HINSTANCE module) { orv::thread_state().m_hCurrentResourceHandle = module; }
HINSTANCE AfxGetInstanceHandle() { return orv::host_module(); }

extern "C" int LoadStringA(HINSTANCE module, UINT id, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  buffer[0] = '\0';
  const char* text = orv::find_string(module, id);
  if (text == nullptr) return 0;
  int n = static_cast<int>(std::min<size_t>(std::strlen(text), static_cast<size_t>(size - 1)));
  std::memcpy(buffer, text, static_cast<size_t>(n));
  buffer[n] = '\0';
  return n;
}

int AfxLoadString(UINT id, char* buffer, UINT size) {
  return LoadStringA(AfxGetResourceHandle(), id, buffer, static_cast<int>(size));
}

BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule) {
  if (!orv::module_exists(hModule)) return FALSE;
  // Every extension module starts with its own lists of run-time classes and class factories.
  state.pFirstSharedClass = nullptr;
  state.pFirstSharedFactory = nullptr;
  state.hModule = hModule;
  state.hResource = hModule;
  state.bInitialized = TRUE;
  return TRUE;
}

void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll) {
  (void)bAll;
  if (!state.bInitialized) return;
  auto& chain = orv::registry().chain;
  std::vector<CDynLinkLibrary*> entries;
  for (CDynLinkLibrary* e : chain)
    if (e->m_hModule == state.hModule) entries.push_back(e);
  for (CDynLinkLibrary* e : entries) delete e;
  state.bInitialized = FALSE;
}

CDynLinkLibrary::CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem)
    : m_hModule(state.hModule), m_hResource(state.hResource), m_bSystem(bSystem) {
  auto& chain = orv::registry().chain;
  if (!chain.empty()) chain.back()->m_pNextDLL = this;
  chain.push_back(this);
}

CDynLinkLibrary::~CDynLinkLibrary() {
  auto& chain = orv::registry().chain;
  chain.erase(std::remove(chain.begin(), chain.end(), this), chain.end());
  for (size_t i = 0; i < chain.size(); ++i)
    chain[i]->m_pNextDLL = i + 1 < chain.size() ? chain[i + 1] : nullptr;
}
