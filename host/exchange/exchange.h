// Writing the host's geometry database out as STEP (AP214) and IGES files through OpenCASCADE:
// points, lines, curves and surfaces, with their colours (and levels as IGES levels or STEP layers).
// The whole file is written or nothing: a failure leaves no partial file under `path`.
#pragma once
#include <string>
#include <vector>
#include "core/entity.h"

namespace orv::exchange {

/// Writes the entities as a STEP AP214 file. False with a message (naming the path) on failure.
bool write_step(const std::string& path, const std::vector<const Entity*>& entities, std::string& err);
/// Writes the entities as an IGES 5.3 file. False with a message on failure.
bool write_iges(const std::string& path, const std::vector<const Entity*>& entities, std::string& err);

}  // namespace orv::exchange
