// The exchange writers that run OpenCASCADE (STEP, IGES, GLB), built as a module of their own that
// the host loads at the first export needing it: a plot, a picture or any other export starts and
// runs without OpenCASCADE's libraries. The module's one entry gives the writers' table; the host
// side (write_step, write_iges, write_mesh's GLB) calls through it. Private to the exchange folder.
#pragma once
#include <string>
#include <vector>

#include "core/entity.h"
#include "core/plot_source.h"
#include "exchange/mesh.h"

namespace orv::exchange::occt {

bool write_step(const std::string& path, const std::vector<const Entity*>& entities,
                const std::vector<PlotSource>& plots, std::string& err);
bool write_iges(const std::string& path, const std::vector<const Entity*>& entities,
                const std::vector<PlotSource>& plots, std::string& err);
bool write_glb(const std::string& path, const std::vector<const Entity*>& surfaces, const std::vector<Mesh>& meshes,
               std::string& err);

/// The table the module's entry returns. `version` is kTableVersion of the build that made it: a
/// module of another build is not used.
struct Table {
  int version;
  decltype(&write_step) step;
  decltype(&write_iges) iges;
  decltype(&write_glb) glb;
};
constexpr int kTableVersion = 2;

/// The module's file, beside the host's library.
constexpr const char* kModuleFile = "libqxocct.so";
/// The entry's name: extern "C" const Table* orv_occt_exchange_table().
constexpr const char* kEntryName = "orv_occt_exchange_table";

/// The table of the loaded module; null with why when the module cannot be loaded or is not this
/// build's ("/usr/lib/libqxocct.so cannot be loaded (reason)"). Loaded once; a failure is tried again at the next call.
const Table* table(std::string& why);

}  // namespace orv::exchange::occt
