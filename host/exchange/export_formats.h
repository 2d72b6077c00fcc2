// The file formats the host exports, by extension, in one list: the command line's refusal and help,
// and the terminal's and desktop's export prompts all show it, so that a new format appears in each.
#pragma once
#include <string>

namespace orv::exchange {

/// The extensions the export chooses a format by, in the order they are shown.
inline constexpr const char* kExportExtensions[] = {".step", ".stp", ".igs", ".iges", ".json", ".svg", ".png",
                                                    ".stl", ".stla", ".obj", ".3mf", ".glb", ".dxf", ".r12.dxf"};

/// The extensions joined by `separator` (the prompts' " ", the refusal's ", ").
inline std::string export_extensions(const char* separator) {
  std::string out;
  for (const char* ext : kExportExtensions) {
    if (!out.empty()) out.append(separator);
    out.append(ext);
  }
  return out;
}

}  // namespace orv::exchange
