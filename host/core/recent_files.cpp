// The chosen and recent equation files; see recent_files.h.
#include "core/recent_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/file_services.h"

namespace orv {
namespace {

struct Chosen {
  std::string current;
  bool keep = false;
  bool loaded = false;
  std::vector<std::string> recent;
  std::string note;
};

Chosen& chosen() {
  static Chosen c;
  return c;
}

std::string absolute(const std::string& path) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

void load_once() {
  Chosen& c = chosen();
  if (c.loaded || !c.keep) return;
  c.loaded = true;
  const std::string list = recent_list_path();
  if (!list.empty()) c.recent = read_recent_list(list, c.note);
}

}  // namespace

std::string recent_list_path() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/orvantis/recent";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config/orvantis/recent";
  return {};
}

std::vector<std::string> read_recent_list(const std::string& list_path, std::string& note) {
  note.clear();
  std::vector<std::string> out;
  struct stat st {};
  if (::stat(list_path.c_str(), &st) != 0) {
    if (errno != ENOENT) note = list_path + ": cannot be read (" + std::strerror(errno) + "); the recent files are not offered";
    return out;
  }
  auto ignored = [&](const std::string& why) {
    note = list_path + ": " + why + "; ignored, and written anew at the next file chosen";
    out.clear();
    return out;
  };
  if (!S_ISREG(st.st_mode)) return ignored("not a regular file");
  if (static_cast<std::size_t>(st.st_size) > kMaxRecentListBytes)
    return ignored("larger than a list of recent files (" + std::to_string(kMaxRecentListBytes) + " bytes)");
  std::ifstream in(list_path, std::ios::binary);
  if (!in) {
    note = list_path + ": cannot be read; the recent files are not offered";
    return out;
  }
  std::ostringstream text;
  text << in.rdbuf();
  const std::string all = text.str();
  if (all.find('\0') != std::string::npos) return ignored("holds a NUL byte");
  std::istringstream lines(all);
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (line.empty()) continue;
    if (line[0] != '/') return ignored("line " + std::to_string(number) + " is not an absolute path");
    if (out.size() < kMaxRecentFiles && std::find(out.begin(), out.end(), line) == out.end()) out.push_back(line);
  }
  return out;
}

std::vector<std::string> with_recent(std::vector<std::string> list, const std::string& file) {
  list.erase(std::remove(list.begin(), list.end(), file), list.end());
  list.insert(list.begin(), file);
  if (list.size() > kMaxRecentFiles) list.resize(kMaxRecentFiles);
  return list;
}

bool write_recent_list(const std::string& list_path, const std::vector<std::string>& list, std::string& err) {
  std::error_code ec;
  const std::filesystem::path dir = std::filesystem::path(list_path).parent_path();
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    err = dir.string() + ": cannot be made: " + ec.message();
    return false;
  }
  std::string text;
  for (const std::string& f : list) {
    if (f.find('\n') != std::string::npos) continue;  // a name with a line break cannot stand on a line
    text += f;
    text += '\n';
  }
  return write_text_whole(list_path, text, err);
}

void keep_recent_files(bool on) {
  chosen().keep = on;
  if (!on) chosen().loaded = false;
}

std::vector<std::string> recent_files() {
  load_once();
  return chosen().keep ? chosen().recent : std::vector<std::string>{};
}

const std::string& recent_files_note() {
  load_once();
  return chosen().note;
}

void note_file_chosen(const std::string& path) {
  Chosen& c = chosen();
  c.current = path;
  if (!c.keep) return;
  load_once();
  const std::string list = recent_list_path();
  if (list.empty()) return;
  c.recent = with_recent(c.recent, absolute(path));
  std::string err;
  if (write_recent_list(list, c.recent, err))
    c.note.clear();
  else
    c.note = "the recent files were not kept: " + err;
}

const std::string& current_file() { return chosen().current; }

std::string window_title(const std::string& program) {
  const std::string& file = chosen().current;
  if (file.empty()) return program;
  const std::size_t slash = file.find_last_of('/');
  std::string title = slash == std::string::npos ? file : file.substr(slash + 1);
  title += " \u2014 ";
  title += program;
  return title;
}

}  // namespace orv
