// The terminal's modal prompts. Each one is a small box drawn over the backdrop, with its own key
// loop; a resize simply redraws. Paths typed with "\" are taken as the host's file services take
// them.
#include "frontend/terminal_prompts.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include "core/file_services.h"
#include "platform/cell_render.h"
#include "platform/number_text.h"

namespace orv::frontend {

namespace {

std::u32string to_u32(const std::string& s) {
  std::u32string out;
  for (std::size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
    char32_t cp = n == 1 ? c : c & (0x3F >> (n - 1));
    for (int k = 1; k < n && i + k < s.size(); ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    out += cp;
    i += n;
  }
  return out;
}

std::string to_utf8(const std::u32string& s) {
  std::string out;
  for (char32_t cp : s) append_utf8(cp, out);
  return out;
}

// One line of text being typed: the caret, and a whole-text selection that typing replaces.
struct LineEdit {
  std::u32string text;
  int caret = 0;
  bool selected = false;

  explicit LineEdit(const std::string& t) : text(to_u32(t)), caret(static_cast<int>(text.size())), selected(true) {}
  std::string value() const { return to_utf8(text); }
  void set(const std::string& t) {
    text = to_u32(t);
    caret = static_cast<int>(text.size());
    selected = false;
  }
  // True when the key was an editing key.
  bool apply(const Key& k) {
    auto drop_selection = [this] {
      if (selected) {
        text.clear();
        caret = 0;
        selected = false;
      }
    };
    switch (k.type) {
      case Key::Char:
      case Key::Space:
        drop_selection();
        text.insert(text.begin() + caret, static_cast<char32_t>(k.ch));
        ++caret;
        return true;
      case Key::Backspace:
        if (selected) {
          drop_selection();
        } else if (caret > 0) {
          text.erase(text.begin() + --caret);
        }
        return true;
      case Key::Delete:
        if (selected) {
          drop_selection();
        } else if (caret < static_cast<int>(text.size())) {
          text.erase(text.begin() + caret);
        }
        return true;
      case Key::Left: selected = false; caret = std::max(0, caret - 1); return true;
      case Key::Right: selected = false; caret = std::min(static_cast<int>(text.size()), caret + 1); return true;
      case Key::Home: selected = false; caret = 0; return true;
      case Key::End: selected = false; caret = static_cast<int>(text.size()); return true;
      default: return false;
    }
  }
  // Draws the field at (x, y), `w` cells, scrolled to keep the caret in view.
  void draw(TerminalScreen& s, int x, int y, int w, bool focused) const {
    int attr = s.role(focused ? Role::FieldFocus : Role::Field);
    s.fill(x, y, w, 1, attr);
    int first = std::max(0, caret - (w - 1));
    std::u32string shown = text.substr(first, w);
    s.put(x, y, to_utf8(shown), focused && selected ? s.role(Role::Selected) : attr, w);
    if (focused) s.caret(x + caret - first, y);
  }
};

// A box with a caption bar and a close mark, centred on the screen, at most w x h; `hint` goes on
// the status line at the foot of the screen.
struct Box {
  int x, y, w, h;
};
Box draw_box(TerminalScreen& s, const std::string& title, int w, int h, const std::string& hint) {
  w = std::min(w, s.cols());
  h = std::min(h, s.rows() - 2);
  Box b{(s.cols() - w) / 2, std::max(1, 1 + (s.rows() - 2 - h) / 2), w, h};
  s.fill(b.x, b.y, b.w, b.h, s.role(Role::Normal));
  s.frame(b.x, b.y, b.w, b.h, s.role(Role::Frame));
  int cap = s.role(Role::CaptionActive);
  s.fill(b.x, b.y, b.w, 1, cap);
  s.put(b.x + 1, b.y, " " + title, cap, b.w - 5);
  s.put(b.x + b.w - 4, b.y, " \u00d7 ", cap);
  int bar = s.role(Role::Status);
  s.fill(0, s.rows() - 1, s.cols(), 1, bar);
  s.put(1, s.rows() - 1, hint, bar);
  return b;
}

void draw_button(TerminalScreen& s, int x, int y, const std::string& label, bool focused) {
  int attr = s.role(focused ? Role::ButtonFocus : Role::Button);
  std::string text = std::string(focused ? "\u25b8 " : "[ ") + label + (focused ? " \u25c2" : " ]");
  s.put(x, y, text, attr);
}

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

bool parse_point(const std::string& text, std::array<double, 3>& point) {
  std::string t = text;
  for (char& c : t) {
    if (c == ',' || c == ';' || c == '\t') c = ' ';
  }
  std::array<double, 3> v{};
  int count = 0;
  for (std::size_t at = t.find_first_not_of(' '); at != std::string::npos; at = t.find_first_not_of(' ', at)) {
    std::size_t end = std::min(t.find(' ', at), t.size());
    if (count == 3 || !parse_real(t.substr(at, end - at), v[count])) return false;
    ++count;
    at = end;
  }
  if (count != 3) return false;
  point = v;
  return true;
}

std::string format_point(const std::array<double, 3>& point) {
  constexpr int kDigits = 10;  // as "%.10g", but with a "." whatever the locale
  std::string out;
  for (int i = 0; i < 3; ++i) {
    char buf[40];
    auto r = std::to_chars(buf, buf + sizeof buf, point[i], std::chars_format::general, kDigits);
    if (i) out += ", ";
    out.append(buf, r.ec == std::errc() ? r.ptr : buf);
  }
  return out;
}

std::string editor_command() {
  for (const char* name : {"VISUAL", "EDITOR"}) {
    const char* v = std::getenv(name);
    if (v && *v) return v;
  }
  return "vi";
}

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
      int attr = on ? s.role(Role::Selected) : (e.folder ? s.role(Role::Accent) : normal);
      s.fill(lx + 1, ly + i, lw - 2, 1, on ? attr : normal);
      s.put(lx + 2, ly + i, e.name, attr, lw - 4);
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
            if (choose(e.name == "../" ? parent_folder(folder) : folder + e.name, done)) return true;
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
          } else if (choose(folder + e.name, done)) {
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

bool point_prompt(PromptContext& ctx, const std::string& prompt, std::array<double, 3>& point) {
  TerminalScreen& s = ctx.screen;
  LineEdit field(format_point(point));
  std::string note;
  for (;;) {
    ctx.backdrop();
    Box b = draw_box(s, prompt.empty() ? "Pick a point" : prompt, 48, 8,
                     "type x, y, z \u00b7 Enter picks \u00b7 Esc abandons");
    int normal = s.role(Role::Normal), dim = s.role(Role::Dim);
    s.put(b.x + 2, b.y + 2, "Point  x, y, z", normal);
    field.draw(s, b.x + 2, b.y + 3, b.w - 4, true);
    if (!note.empty()) s.put(b.x + 2, b.y + 4, note, s.role(Role::Accent), b.w - 4);
    s.put(b.x + 2, b.y + b.h - 2, "Enter picks \u00b7 Esc abandons", dim, b.w - 4);
    s.flush();
    Key k = s.read_key();
    switch (k.type) {
      case Key::Eof:
      case Key::Quit:
      case Key::Esc: return false;
      case Key::Click:
        if (k.y == b.y && k.x >= b.x + b.w - 4) return false;
        break;
      case Key::Enter: {
        std::array<double, 3> p;
        if (parse_point(field.value(), p)) {
          point = p;
          return true;
        }
        note = "Three numbers, as in 1, 2.5, -3";
        break;
      }
      default:
        if (field.apply(k)) note.clear();
        break;
    }
  }
}

int run_editor(TerminalScreen& screen, const std::string& path) {
  // The command goes through the shell so that "$EDITOR" may carry options; the path is passed as
  // an argument, never pasted into the command text.
  const std::string command = editor_command() + " \"$1\"";
  const std::string file = normalize_path(path);
  int status = 127;
  screen.handed_over([&] {
    pid_t pid = ::fork();
    if (pid == 0) {
      ::execl("/bin/sh", "sh", "-c", command.c_str(), "sh", file.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    if (pid > 0) {
      int st = 0;
      while (::waitpid(pid, &st, 0) < 0 && errno == EINTR) {
      }
      status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + (WIFSIGNALED(st) ? WTERMSIG(st) : 0);
    }
  });
  return status;
}

}  // namespace orv::frontend
