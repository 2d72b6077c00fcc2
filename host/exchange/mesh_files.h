// The mesh formats that hold one object per surface, with its name and colour: 3MF for printers
// and GLB for viewers. Private to the exchange folder; write_mesh (mesh.h) makes the meshes.
#pragma once
#include <string>
#include <vector>

#include "core/entity.h"
#include "exchange/mesh.h"

namespace orv::exchange::detail {

/// Writes `meshes[k]` as the object of `surfaces[k]` in a 3MF package (millimetres), whole or not at
/// all. False with "path: reason".
bool write_3mf(const std::string& path, const std::vector<const Entity*>& surfaces, const std::vector<Mesh>& meshes,
               std::string& err);

/// The same as a binary glTF file (metres and Y up, as glTF has them) through OpenCASCADE's writer.
bool write_glb(const std::string& path, const std::vector<const Entity*>& surfaces, const std::vector<Mesh>& meshes,
               std::string& err);

}  // namespace orv::exchange::detail
