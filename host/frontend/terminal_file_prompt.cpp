// The file prompt's key loop and the folder listing under it; a resize simply redraws.
#include "frontend/terminal_file_prompt.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include "core/file_services.h"
#include "core/recent_files.h"
#include "frontend/terminal_line_edit.h"

namespace orv::frontend {

namespace {

bool is_directory(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
bool is_file(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string folder_of(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

// The parent of a folder path that ends in "/".
std::string parent_folder(const std::string& folder) {
  if (folder == "/" || folder.empty()) return "/";
  std::string f = folder.substr(0, folder.size() - 1);
  std::size_t slash = f.find_last_of('/');
  if (slash == std::string::npos) return "../";
  if (f.substr(slash + 1) == ".." || f == ".") return folder + "../";
  return f.substr(0, slash + 1);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

bool list_folder(const std::string& folder, const std::string& filter, std::vector<FolderEntry>& out) {
  out.clear();
  DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!d) return false;
  std::vector<FolderEntry> folders, files;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name.empty() || name[0] == '.') continue;
    std::string full = folder + name;
    if (is_directory(full)) {
      folders.push_back({name + "/", true});
    } else if (path_matches_filter(name, filter)) {
      files.push_back({name, false});
    }
  }
  ::closedir(d);
  auto by_name = [](const FolderEntry& a, const FolderEntry& b) { return lower(a.name) < lower(b.name); };
  std::sort(folders.begin(), folders.end(), by_name);
  std::sort(files.begin(), files.end(), by_name);
  if (folder != "/") out.push_back({"../", true});
  out.insert(out.end(), folders.begin(), folders.end());
  out.insert(out.end(), files.begin(), files.end());
  return true;
}

bool file_prompt(PromptContext& ctx, std::string& path, const std::string& filter) {
  TerminalScreen& s = ctx.screen;
  LineEdit field(normalize_path(path));
  enum Focus { Field, List, OpenButton, CancelButton } focus = Field;
  int sel = 0, top = 0;
  std::string note;
  std::vector<FolderEntry> entries;
  std::string listed = "\x01";  // the folder last listed
  bool readable = false;

  auto choose = [&](const std::string& p, bool& done) {
    std::string full = normalize_path(p);
    if (is_directory(full)) {
      if (full.back() != '/') full += '/';
      field.set(full);
      note.clear();
      return false;
    }
    if (!is_file(full)) {
      note = "No such file: " + full;
      return false;
    }
    path = full;
    done = true;
    return true;
  };

  for (;;) {
    std::string folder = folder_of(field.value());
    if (folder != listed) {
      readable = list_folder(folder, filter, entries);
      for (const std::string& r : recent_files()) entries.push_back({r, false, true});
      if (note.empty()) note = recent_files_note();
      listed = folder;
      sel = 0;
      top = 0;
    }
    ctx.backdrop();
    const bool any = filter.empty() || filter == "*" || filter == "*.*";
    Box b = draw_box(s, any ? "Open" : "Open  \u00b7  " + filter + " files", 72, std::max(14, std::min(s.rows() - 4, 24)),
                     "Tab moves \u00b7 \u2191\u2193 choose \u00b7 Enter opens a folder or the file \u00b7 Esc cancels");
    int normal = s.role(Role::Normal), dim = s.role(Role::Dim);
    s.put(b.x + 2, b.y + 2, "File name", normal);
    field.draw(s, b.x + 13, b.y + 2, b.w - 16, focus == Field);
    s.put(b.x + 2, b.y + 3, "Look in", dim);
    s.put(b.x + 13, b.y + 3, folder, dim, b.w - 16);
    int lx = b.x + 2, ly = b.y + 5, lw = b.w - 4, lh = b.h - 9;
    s.frame(lx, ly - 1, lw, lh + 2, s.role(Role::Frame));
    if (!readable) {
      s.put(lx + 2, ly, "(this folder cannot be read)", dim, lw - 4);
    }
    int n = static_cast<int>(entries.size());
    sel = std::clamp(sel, 0, std::max(0, n - 1));
    if (sel < top) top = sel;
    if (sel >= top + lh) top = sel - lh + 1;
    for (int i = 0; i < lh && top + i < n; ++i) {
      const FolderEntry& e = entries[top + i];
      bool on = focus == List && top + i == sel;
      int attr = on ? s.role(Role::Selected) : (e.folder ? s.role(Role::Accent) : e.recent ? dim : normal);
      s.fill(lx + 1, ly + i, lw - 2, 1, on ? attr : normal);
      s.put(lx + 2, ly + i, e.recent ? "recent  " + e.name : e.name, attr, lw - 4);
    }
    int by = b.y + b.h - 2;
    if (!note.empty()) s.put(b.x + 2, by - 1, note, s.role(Role::Accent), b.w - 4);
    draw_button(s, b.x + b.w - 26, by, "Open", focus == OpenButton);
    draw_button(s, b.x + b.w - 14, by, "Cancel", focus == CancelButton);
    s.flush();

    Key k = s.read_key();
    bool done = false;
    switch (k.type) {
      case Key::Eof:
      case Key::Quit:
      case Key::Esc: return false;
      case Key::Tab: focus = static_cast<Focus>((focus + 1) % 4); break;
      case Key::BackTab: focus = static_cast<Focus>((focus + 3) % 4); break;
      case Key::Click: {
        if (k.y == b.y && k.x >= b.x + b.w - 4) return false;
        if (k.y == by && k.x >= b.x + b.w - 26 && k.x < b.x + b.w - 16) {
          if (choose(field.value(), done)) return true;
        } else if (k.y == by && k.x >= b.x + b.w - 14) {
          return false;
        } else if (k.y == b.y + 2) {
          focus = Field;
        } else if (k.y >= ly && k.y < ly + lh && top + (k.y - ly) < n) {
          int hit = top + (k.y - ly);
          if (focus == List && hit == sel) {
            const FolderEntry& e = entries[sel];
            if (choose(e.recent ? e.name : e.name == "../" ? parent_folder(folder) : folder + e.name, done)) return true;
          }
          focus = List;
          sel = hit;
        }
        break;
      }
      case Key::Enter:
        if (focus == CancelButton) return false;
        if (focus == List && sel < n) {
          const FolderEntry& e = entries[sel];
          if (e.folder) {
            field.set(e.name == "../" ? parent_folder(folder) : folder + e.name);
          } else if (choose(e.recent ? e.name : folder + e.name, done)) {
            return true;
          }
        } else if (choose(field.value(), done)) {
          return true;
        }
        break;
      case Key::Up:
        if (focus == List) --sel;
        break;
      case Key::Down:
        if (focus == List) {
          ++sel;
        } else if (focus == Field) {
          focus = List;
        }
        break;
      case Key::PageUp: if (focus == List) sel -= lh; break;
      case Key::PageDown: if (focus == List) sel += lh; break;
      default:
        if (focus == List && k.type == Key::Char) {
          // Typing in the list jumps to the next entry that starts with the letter.
          for (int i = 1; i <= n; ++i) {
            int j = (sel + i) % n;
            if (!entries[j].name.empty() && std::tolower(entries[j].name[0]) == std::tolower(k.ch)) {
              sel = j;
              break;
            }
          }
        } else if (focus == Field && field.apply(k)) {
          note.clear();
        }
        break;
    }
    if (done) return true;
  }
}

}  // namespace orv::frontend
