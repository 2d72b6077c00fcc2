// The host's prompts: their templates, what their controls' notifications do, and the modal run of
// each. A prompt's state lives on the stack of its run; its window procedure reaches it by pointer
// and the window is destroyed before the run returns.
#include "core/host_prompts.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <utility>

#include "core/file_services.h"
#include "core/frontend.h"
#include "core/recent_files.h"
#include "platform/event_loop.h"
#include "platform/number_text.h"
#include "platform/platform_state.h"
#include "platform/window_system.h"

namespace orv {
namespace {

// The prompts run in the window system the installed host holds, as the message box does.
WindowSystem& ws() { return platform_state().windows; }

constexpr uint32_t kPromptStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr uint32_t kShown = WS_VISIBLE;
constexpr uint32_t kStop = WS_VISIBLE | WS_TABSTOP;
constexpr uint32_t kField = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;

// Results a prompt's run ends with.
constexpr intptr_t kAnswered = IDOK;
constexpr intptr_t kCancelled = IDCANCEL;

const ControlTemplate kFileControls[] = {
    {1100, CTL_STATIC, "File &name", 8, 6, 44, 8, kShown},
    {kFilePathId, CTL_EDIT, "", 56, 4, 216, 12, kField},
    {kFileFolderId, CTL_STATIC, "", 8, 20, 264, 8, kShown},
    {kFileListId, CTL_LISTBOX, "", 8, 32, 264, 104, kStop | WS_VSCROLL | WS_BORDER},
    {kFileNoteId, CTL_STATIC, "", 8, 140, 264, 8, kShown},
    {IDOK, CTL_PUSHBUTTON, "&Open", 164, 154, 52, 14, kStop},
    {IDCANCEL, CTL_PUSHBUTTON, "Cancel", 220, 154, 52, 14, kStop},
};
const DialogTemplate kFilePrompt = {0, "Open", 280, 172, 8, "MS Sans Serif", kPromptStyle, kFileControls,
                                    static_cast<int32_t>(std::size(kFileControls))};

const ControlTemplate kPointControls[] = {
    {kPointTextId, CTL_STATIC, "Type x, y and z, or all three in X as \"x, y, z\".", 8, 4, 200, 8, kShown},
    {1205, CTL_STATIC, "&X", 8, 20, 10, 8, kShown},
    {kPointXId, CTL_EDIT, "", 20, 18, 52, 12, kField},
    {1206, CTL_STATIC, "&Y", 78, 20, 10, 8, kShown},
    {kPointYId, CTL_EDIT, "", 90, 18, 52, 12, kField},
    {1207, CTL_STATIC, "&Z", 148, 20, 10, 8, kShown},
    {kPointZId, CTL_EDIT, "", 160, 18, 48, 12, kField},
    {kPointNoteId, CTL_STATIC, "", 8, 34, 200, 16, kShown},
    {IDOK, CTL_PUSHBUTTON, "OK", 100, 52, 52, 14, kStop},
    {IDCANCEL, CTL_PUSHBUTTON, "Cancel", 156, 52, 52, 14, kStop},
};
const DialogTemplate kPointPrompt = {0, "Pick a point", 216, 70, 8, "MS Sans Serif", kPromptStyle, kPointControls,
                                     static_cast<int32_t>(std::size(kPointControls))};

const ControlTemplate kExportControls[] = {
    {kExportFormatsId, CTL_STATIC, "", 8, 4, 240, 24, kShown},
    {kExportPathId, CTL_EDIT, "", 8, 30, 240, 12, kField},
    {kExportNoteId, CTL_STATIC, "", 8, 46, 240, 24, kShown},
    {IDOK, CTL_PUSHBUTTON, "&Write", 140, 72, 52, 14, kStop},
    {IDCANCEL, CTL_PUSHBUTTON, "Cancel", 196, 72, 52, 14, kStop},
};
const DialogTemplate kExportPrompt = {0, "Export", 256, 90, 8, "MS Sans Serif", kPromptStyle, kExportControls,
                                      static_cast<int32_t>(std::size(kExportControls))};

const ControlTemplate kLeaveControls[] = {
    {kLeaveTextId, CTL_STATIC, "The geometry made in this session is not saved.", 8, 6, 232, 8, kShown},
    {kLeaveSaveId, CTL_PUSHBUTTON, "&Save (export)...", 8, 24, 80, 14, kStop},
    {kLeaveDiscardId, CTL_PUSHBUTTON, "&Discard and leave", 92, 24, 84, 14, kStop},
    {IDCANCEL, CTL_PUSHBUTTON, "&Back", 180, 24, 60, 14, kStop},
};
const DialogTemplate kLeaveQuestion = {0, "Leave the host?", 248, 44, 8, "MS Sans Serif", kPromptStyle, kLeaveControls,
                                       static_cast<int32_t>(std::size(kLeaveControls))};

HWND child(HWND dialog, int id) {
  Window* d = ws().find(dialog);
  if (d == nullptr) return nullptr;
  for (HWND c : d->children)
    if (Window* w = ws().find(c); w && w->id == id) return c;
  return nullptr;
}

std::string text_of(HWND dialog, int id) {
  Window* w = ws().find(child(dialog, id));
  return w ? w->text : std::string();
}

// Sets a control's text without telling its dialog: what the prompt sets is not what was typed.
void set_text(HWND dialog, int id, const std::string& text) {
  if (Window* w = ws().find(child(dialog, id))) {
    w->text = text;
    w->sel_start = w->sel_end = static_cast<int>(text.size());
  }
}

// Breaks `text` at blanks into lines of at most `width` bytes, joined by line feeds; the prompts'
// static texts are drawn a line each.
std::string wrap_lines(const std::string& text, std::size_t width) {
  std::string out, line;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = std::min(text.find(' ', at), text.size());
    const std::string word = text.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    if (!line.empty() && line.size() + 1 + word.size() > width) {
      out += line;
      out += '\n';
      line.clear();
    }
    if (!line.empty()) line += ' ';
    line += word;
  }
  out += line;
  return out;
}

// Makes a prompt from its template with its caption and procedure; hidden until it runs.
HWND make_prompt(const DialogTemplate& tmpl, HWND owner, const std::string& caption,
                 std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> proc) {
  if (ws().find(owner) == nullptr) owner = ws().main_frame();
  HWND h = ws().create_dialog(tmpl, owner, nullptr);
  Window* w = ws().find(h);
  w->kind = WindowKind::Prompt;
  w->text = caption;
  w->proc = std::move(proc);
  return h;
}

// Shows the prompt with the focus on control `focus` and runs it until it ends.
PromptEnd run(HWND h, int focus) {
  ws().set_focus(child(h, focus));
  ws().show(h, true);
  const bool ended = run_modal(h);
  const Window* w = ws().find(h);
  const intptr_t result = w != nullptr ? w->result : kCancelled;
  ws().destroy(h);
  if (!ended) return PromptEnd::InputEnded;
  return result == kAnswered ? PromptEnd::Answered : PromptEnd::Cancelled;
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
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "./" : path.substr(0, slash + 1);
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// ---- The file prompt ----
struct FilePrompt {
  HWND h = nullptr;
  std::string filter;
  std::string folder;  // the folder listed, ending in "/"
  std::vector<FolderEntry> entries;
  std::string chosen;

  void note(const std::string& text) { set_text(h, kFileNoteId, text); }

  void list(const std::string& f) {
    folder = f;
    const bool readable = list_folder(folder, filter, entries);
    // The recent files follow the folder's own entries, by their whole paths.
    for (const std::string& r : recent_files()) entries.push_back({r, false, true});
    if (Window* l = ws().find(child(h, kFileListId))) {
      l->items.clear();
      for (const FolderEntry& e : entries) l->items.push_back(e.recent ? "recent  " + e.name : e.name);
      l->cur_sel = -1;  // nothing is chosen for the person
      l->top_line = 0;
    }
    set_text(h, kFileFolderId, "Look in: " + folder);
    note(readable ? recent_files_note() : "This folder cannot be read.");
  }

  // Lists a folder and names it in the path field.
  void enter(const std::string& f) {
    list(f);
    set_text(h, kFilePathId, f);
  }

  void open(const std::string& typed) {
    std::string full = normalize_path(typed);
    if (full.empty()) {
      note("Type a path, or choose a file.");
    } else if (is_directory(full)) {
      if (full.back() != '/') full += '/';
      enter(full);
    } else if (is_file(full)) {
      chosen = full;
      end_modal(h, kAnswered);
    } else {
      note("No such file: " + full);
    }
  }

  std::string entry_path(int i) const {
    const FolderEntry& e = entries[static_cast<std::size_t>(i)];
    if (e.recent) return e.name;
    return e.name == "../" ? parent_folder(folder) : folder + e.name;
  }

  int selected() const {
    const Window* l = ws().find(child(h, kFileListId));
    const int i = l ? l->cur_sel : -1;
    return i >= 0 && i < static_cast<int>(entries.size()) ? i : -1;
  }

  LRESULT proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message != WM_COMMAND) return ws().default_proc(window, message, wp, lp);
    const int id = LOWORD(wp), code = HIWORD(wp);
    if (id == IDCANCEL && code == BN_CLICKED) {
      end_modal(h, kCancelled);
    } else if (id == IDOK && code == BN_CLICKED) {
      open(text_of(h, kFilePathId));
    } else if (id == kFileListId && code == LBN_SELCHANGE) {
      if (const int i = selected(); i >= 0) {
        set_text(h, kFilePathId, entry_path(i));  // the path field follows the selection
        note("");
      }
    } else if (id == kFileListId && code == LBN_DBLCLK) {
      if (const int i = selected(); i >= 0) {
        if (entries[static_cast<std::size_t>(i)].folder) enter(entry_path(i));
        else open(entry_path(i));
      }
    } else if (id == kFilePathId && code == EN_CHANGE) {
      // A path typed into another folder lists that folder; the field keeps what was typed.
      const std::string f = folder_of(normalize_path(text_of(h, kFilePathId)));
      if (f != folder && is_directory(f)) {
        const std::string keep = text_of(h, kFilePathId);
        list(f);
        if (Window* e = ws().find(child(h, kFilePathId))) {
          e->text = keep;  // list() leaves the field alone; the caret stays where it was
        }
      } else {
        note("");
      }
    }
    return 0;
  }
};

std::string g_last_file;     // the file the last file prompt chose
bool g_resume = false;       // the next file prompt answers with it

// ---- The point prompt ----
HWND g_point_prompt = nullptr;

struct PointPrompt {
  HWND h = nullptr;
  std::array<double, 3> point{};

  void fill(const std::array<double, 3>& p) {
    set_text(h, kPointXId, format_real(p[0]));
    set_text(h, kPointYId, format_real(p[1]));
    set_text(h, kPointZId, format_real(p[2]));
    set_text(h, kPointNoteId, "");
  }

  void take() {
    static const int kIds[3] = {kPointXId, kPointYId, kPointZId};
    static const char* const kNames[3] = {"X", "Y", "Z"};
    std::array<double, 3> p{};
    if (parse_point(text_of(h, kPointXId), p)) {
      point = p;  // three numbers in X, typed or pasted
      end_modal(h, kAnswered);
      return;
    }
    for (int i = 0; i < 3; ++i) {
      std::string t = text_of(h, kIds[i]);
      t.erase(0, t.find_first_not_of(" \t"));
      t.erase(t.find_last_not_of(" \t") + 1);
      if (!parse_real(t, p[static_cast<std::size_t>(i)])) {
        std::string why = kNames[i];
        why += " \"" + text_of(h, kIds[i]) + "\" is not a number.";
        set_text(h, kPointNoteId, wrap_lines(why, 50) + "\nThree numbers, as in 1, 2.5, -3, or one a field.");
        ws().set_focus(child(h, kIds[i]));  // the keys stay in the prompt, on the field to correct
        return;
      }
    }
    point = p;
    end_modal(h, kAnswered);
  }

  LRESULT proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message != WM_COMMAND) return ws().default_proc(window, message, wp, lp);
    const int id = LOWORD(wp), code = HIWORD(wp);
    if (id == IDCANCEL && code == BN_CLICKED) end_modal(h, kCancelled);
    else if (id == IDOK && code == BN_CLICKED) take();
    else if (code == EN_CHANGE) set_text(h, kPointNoteId, "");
    return 0;
  }
};

// ---- The export prompt ----
struct ExportPrompt {
  HWND h = nullptr;
  const ExportWrite* write = nullptr;
  std::string written, told;

  LRESULT proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message != WM_COMMAND) return ws().default_proc(window, message, wp, lp);
    const int id = LOWORD(wp), code = HIWORD(wp);
    if (id == IDCANCEL && code == BN_CLICKED) {
      end_modal(h, kCancelled);
    } else if (id == IDOK && code == BN_CLICKED) {
      const std::string path = text_of(h, kExportPathId);
      if (path.empty()) {
        set_text(h, kExportNoteId, "Type the path to export to.");
        return 0;
      }
      std::string why;
      const bool ok = (*write)(path, why);
      told = why;
      if (ok) {
        written = path;
        end_modal(h, kAnswered);
        return 0;
      }
      // Not written: the reason stands under the field, which keeps the keys for correcting.
      set_text(h, kExportNoteId, wrap_lines(why, 58));
      ws().set_focus(child(h, kExportPathId));
    } else if (id == kExportPathId && code == EN_CHANGE) {
      set_text(h, kExportNoteId, "");
    }
    return 0;
  }
};

}  // namespace

bool list_folder(const std::string& folder, const std::string& filter, std::vector<FolderEntry>& out) {
  out.clear();
  DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!d) return false;
  std::vector<FolderEntry> folders, files;
  while (dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name.empty() || name[0] == '.') continue;
    if (is_directory(folder + name)) {
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

std::string parent_folder(const std::string& folder) {
  if (folder.empty() || folder == "./") return "../";
  if (folder == "/") return "/";
  std::string f = folder.back() == '/' ? folder.substr(0, folder.size() - 1) : folder;
  const std::size_t slash = f.find_last_of('/');
  const std::string last = slash == std::string::npos ? f : f.substr(slash + 1);
  if (last == "..") return f + "/../";
  if (last == ".") return (slash == std::string::npos ? std::string() : f.substr(0, slash + 1)) + "../";
  return slash == std::string::npos ? "./" : f.substr(0, slash + 1);
}

void resume_last_file() { g_resume = !g_last_file.empty(); }

PromptEnd run_file_prompt(std::string& path, const std::string& filter, HWND owner) {
  if (std::exchange(g_resume, false) && is_file(g_last_file)) {
    path = g_last_file;
    return PromptEnd::Answered;
  }
  FilePrompt p;
  p.filter = filter;
  const bool any = filter.empty() || filter == "*" || filter == "*.*";
  p.h = make_prompt(kFilePrompt, owner, any ? "Open" : "Open \u00b7 " + filter + " files",
                    [&p](HWND w, UINT m, WPARAM wp, LPARAM lp) { return p.proc(w, m, wp, lp); });
  const std::string start = normalize_path(path);
  p.list(folder_of(start));
  set_text(p.h, kFilePathId, start);
  const PromptEnd end = run(p.h, kFilePathId);
  if (end == PromptEnd::Answered) path = g_last_file = p.chosen;
  return end;
}

PromptEnd run_point_prompt(const std::string& title, std::array<double, 3>& point) {
  PointPrompt p;
  p.point = point;
  p.h = make_prompt(kPointPrompt, nullptr, title.empty() ? "Pick a point" : title,
                    [&p](HWND w, UINT m, WPARAM wp, LPARAM lp) { return p.proc(w, m, wp, lp); });
  p.fill(point);
  const HWND outer = g_point_prompt;
  g_point_prompt = p.h;
  const PromptEnd end = run(p.h, kPointXId);
  g_point_prompt = outer;
  if (end == PromptEnd::Answered) point = p.point;
  return end;
}

HWND point_prompt_window() { return point_prompt_open() ? g_point_prompt : nullptr; }

bool point_prompt_open() {
  const Window* w = ws().find(g_point_prompt);
  return w != nullptr && w->visible;
}

bool fill_point_prompt(const std::array<double, 3>& point) {
  Window* w = ws().find(g_point_prompt);
  if (w == nullptr || !w->visible) return false;
  for (int i = 0; i < 3; ++i)
    set_text(g_point_prompt, kPointXId + i, format_real(point[static_cast<std::size_t>(i)]));
  set_text(g_point_prompt, kPointNoteId, "");
  ws().set_focus(child(g_point_prompt, kPointXId));  // the keys go back to the fields: Enter takes it
  return true;
}

PromptEnd run_export_prompt(std::string& path, const std::string& formats, const ExportWrite& write,
                            std::string& told) {
  ExportPrompt p;
  p.write = &write;
  p.h = make_prompt(kExportPrompt, nullptr, "Export",
                    [&p](HWND w, UINT m, WPARAM wp, LPARAM lp) { return p.proc(w, m, wp, lp); });
  set_text(p.h, kExportFormatsId, wrap_lines("Export to (the format by the extension: " + formats + "):", 58));
  set_text(p.h, kExportPathId, path);
  const PromptEnd end = run(p.h, kExportPathId);
  told = end == PromptEnd::Answered ? p.told : "Export cancelled";
  if (end == PromptEnd::Answered) path = p.written;
  return end;
}

bool export_by_prompt(const std::function<bool(const std::string&, std::string&)>& exporter, std::string& path,
                      const std::string& formats, std::string& status) {
  const ExportWrite write = [&exporter](const std::string& p, std::string& why) {
    return export_for_person(exporter, p, why);
  };
  return run_export_prompt(path, formats, write, status) == PromptEnd::Answered;
}

LeaveAnswer run_leave_question() {
  intptr_t chosen = IDCANCEL;
  HWND h = nullptr;
  h = make_prompt(kLeaveQuestion, nullptr, "Leave the host?", [&](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    if (m != WM_COMMAND) return ws().default_proc(w, m, wp, lp);
    const int id = LOWORD(wp);
    if (HIWORD(wp) == BN_CLICKED && (id == kLeaveSaveId || id == kLeaveDiscardId || id == IDCANCEL)) {
      chosen = id;
      end_modal(h, kAnswered);
    }
    return 0;
  });
  if (run(h, IDCANCEL) == PromptEnd::InputEnded) return LeaveAnswer::InputEnded;
  if (chosen == kLeaveSaveId) return LeaveAnswer::Save;
  if (chosen == kLeaveDiscardId) return LeaveAnswer::Discard;
  return LeaveAnswer::Back;
}

bool parse_point(const std::string& text, std::array<double, 3>& point) {
  std::string t = text;
  for (char& c : t) {
    if (c == ',' || c == ';' || c == '\t') c = ' ';
  }
  std::array<double, 3> v{};
  int count = 0;
  for (std::size_t at = t.find_first_not_of(' '); at != std::string::npos; at = t.find_first_not_of(' ', at)) {
    std::size_t end = std::min(t.find(' ', at), t.size());
    if (count == 3 || !parse_real(t.substr(at, end - at), v[static_cast<std::size_t>(count)])) return false;
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
    auto r = std::to_chars(buf, buf + sizeof buf, point[static_cast<std::size_t>(i)], std::chars_format::general,
                           kDigits);
    if (i) out += ", ";
    out.append(buf, r.ec == std::errc() ? r.ptr : buf);
  }
  return out;
}

}  // namespace orv
