// Header texts of the exchange files (see file_header.h). The version comes from the build.
#include "exchange/file_header.h"

namespace orv::exchange::detail {

std::string system_name() { return std::string("Orvantis ") + ORV_VERSION; }

std::string header_file_name(const std::string& path) {
  const std::string::size_type slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  for (char& c : name)
    if (c < 0x20 || c > 0x7e || c == '\'' || c == '\\') c = '_';
  return name;
}

}  // namespace orv::exchange::detail
