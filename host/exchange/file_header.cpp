// Header texts of the exchange files (see file_header.h). The version comes from the build.
#include "exchange/file_header.h"

#include <cinttypes>

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

namespace {

constexpr std::size_t kMaxProductNameBytes = 255;
// Room kept for the line that says what was left out.
constexpr std::size_t kNoteRoom = 128;

std::string hex(uint32_t value, int digits) {
  char text[12];
  std::snprintf(text, sizeof text, "%0*" PRIX32, digits, value);
  return text;
}

std::string plural(std::size_t n, const char* one, const char* many) {
  std::string out = std::to_string(n);
  out += ' ';
  out += n == 1 ? one : many;
  return out;
}

}  // namespace

std::string step_escaped(const std::string& line) {
  std::string out;
  for (const uint32_t c : source_code_points(line)) {
    if (c == '\'') {
      out += "''";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else if (c <= 0xff) {
      out += "\\X\\";
      out += hex(c, 2);
    } else if (c <= 0xffff) {
      out += "\\X2\\";
      out += hex(c, 4);
      out += "\\X0\\";
    } else {
      out += "\\X4\\";
      out += hex(c, 8);
      out += "\\X0\\";
    }
  }
  return out;
}

std::string iges_escaped(const std::string& line) {
  std::string out;
  for (const uint32_t c : source_code_points(line)) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else if (c <= 0xff) {
      out += "\\x";
      out += hex(c, 2);
    } else if (c <= 0xffff) {
      out += "\\u";
      out += hex(c, 4);
    } else {
      out += "\\U";
      out += hex(c, 8);
    }
  }
  return out;
}

std::vector<std::string> source_header_lines(const std::vector<PlotSource>& plots, const HeaderEscape& escape) {
  std::vector<std::string> out;
  std::size_t used = 0;
  const std::size_t room = kMaxHeaderSourceBytes - kNoteRoom;
  std::size_t lines_left = 0, plots_left = 0;
  bool full = false;
  auto add = [&](const std::string& raw) {
    if (full) return false;
    std::string line = escape(raw);
    if (used + line.size() > room) {
      full = true;
      return false;
    }
    used += line.size();
    out.push_back(std::move(line));
    return true;
  };
  for (std::size_t i = 0; i < plots.size(); ++i) {
    const PlotSource& p = plots[i];
    std::vector<std::string> text;
    for (std::size_t at = 0; at < p.text.size();) {
      std::size_t end = p.text.find('\n', at);
      if (end == std::string::npos) end = p.text.size();
      text.push_back(p.text.substr(at, end - at));
      at = end + 1;
    }
    if (full) {
      ++plots_left;
      continue;
    }
    std::string head = "plot ";
    head += std::to_string(i + 1);
    head += " of ";
    head += std::to_string(plots.size());
    head += ": ";
    head += p.file.empty() ? std::string("(no equation file)") : p.file;
    if (p.first_id == p.last_id) {
      head += ", entity ";
    } else {
      head += ", entities ";
      head += std::to_string(p.first_id);
      head += " to ";
    }
    head += std::to_string(p.last_id);
    std::string settings = "settings: ";
    const std::vector<std::string> lines = source_settings_lines(p);
    for (std::size_t k = 0; k < lines.size(); ++k) {
      if (k > 0) settings += "; ";
      settings += lines[k];
    }
    std::string count = p.cut ? "text: its first " : "text: ";
    count += plural(text.size(), "line", "lines");
    if (p.cut) count += ", cut there";
    // A plot is listed with its settings or not at all.
    const std::size_t before = out.size(), used_before = used;
    if (!add(head) || !add(settings) || !add(count)) {
      out.resize(before);
      used = used_before;
      ++plots_left;
      continue;
    }
    for (std::size_t k = 0; k < text.size(); ++k) {
      std::string line = "| ";
      line += text[k];
      if (!add(line)) {
        lines_left += text.size() - k;
        break;
      }
    }
  }
  if (full) {
    std::string note = "not listed, for want of room:";
    if (lines_left > 0) {
      note += ' ';
      note += plural(lines_left, "more line", "more lines");
      note += " of text";
    }
    if (lines_left > 0 && plots_left > 0) note += " and";
    if (plots_left > 0) {
      note += ' ';
      note += plural(plots_left, "more plot", "more plots");
    }
    out.push_back(escape(note));
  }
  return out;
}

std::string product_name(const std::vector<PlotSource>& plots) {
  std::vector<std::string> files;
  for (const PlotSource& p : plots) {
    if (p.file.empty()) continue;
    bool seen = false;
    for (const std::string& f : files) seen = seen || f == p.file;
    if (!seen) files.push_back(p.file);
  }
  std::string name;
  for (const std::string& f : files) {
    if (!name.empty()) name += ", ";
    name += header_file_name(f);
  }
  if (name.size() > kMaxProductNameBytes) name.resize(kMaxProductNameBytes);
  return name.empty() ? std::string("geometry") : name;
}

}  // namespace orv::exchange::detail
