// Header texts of the exchange files (see file_header.h). The version comes from the build.
#include "exchange/file_header.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace orv::exchange::detail {

std::string system_name() { return std::string("Orvantis ") + ORV_VERSION; }

namespace {

std::tm writing_time() {
  std::time_t now = std::time(nullptr);
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr && *epoch != '\0') {
    char* end = nullptr;
    errno = 0;
    const long long seconds = std::strtoll(epoch, &end, 10);
    if (errno == 0 && *end == '\0' && seconds >= 0) now = static_cast<std::time_t>(seconds);
  }
  std::tm utc{};
  gmtime_r(&now, &utc);
  return utc;
}

std::string formatted(const char* format) {
  const std::tm t = writing_time();
  char text[32];
  std::snprintf(text, sizeof text, format, t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
  return text;
}

}  // namespace

std::string file_time() { return formatted("%04d-%02d-%02dT%02d:%02d:%02d"); }
std::string iges_file_time() { return formatted("%04d%02d%02d.%02d%02d%02d"); }

std::string header_file_name(const std::string& path) {
  const std::string::size_type slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  for (char& c : name)
    if (c < 0x20 || c > 0x7e || c == '\'' || c == '\\') c = '_';
  return name;
}

}  // namespace orv::exchange::detail
