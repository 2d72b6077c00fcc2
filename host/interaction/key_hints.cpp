// The key hints of each place, and fitting them to the status line.
#include "interaction/key_hints.h"
#include "platform/window_system.h"

#include <algorithm>

#include "platform/window_system.h"

namespace orv::interaction {

namespace {

const char* const kSeparator = " \u00b7 ";
constexpr int kSeparatorCells = 3;

// The cells a hint takes: one a code point.
int text_cells(const std::string& text) {
  int n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace

HintPlace hint_place(WindowSystem& ws, bool view_keys) {
  if (view_keys) return HintPlace::Graphics;
  const Window* a = ws.find(ws.active());
  if (!a || a->kind == WindowKind::Frame) return HintPlace::Frame;
  if (a->kind == WindowKind::Viewer) return HintPlace::Viewer;
  if (a->kind == WindowKind::MessageBox) return HintPlace::MessageBox;
  const Window* f = ws.find(a->focus);
  if (!f) return HintPlace::OtherControl;
  switch (f->control) {
    case CTL_EDIT: return HintPlace::Edit;
    case CTL_AUTOCHECKBOX: return HintPlace::CheckBox;
    case CTL_DROPDOWNLIST: return f->dropped ? HintPlace::OpenList : HintPlace::List;
    case CTL_PUSHBUTTON:
    case CTL_OWNERDRAW_BUTTON: return HintPlace::Button;
    default: return HintPlace::OtherControl;
  }
}

std::vector<Hint> key_hints(HintPlace place, bool can_export) {
  // Enter outside a button is the dialog's OK command, which each dialog takes its own way (Kuvra
  // only reads its check boxes): the hints promise only what the keys do everywhere.
  std::vector<Hint> out;
  auto front_end = [&] {
    out.push_back({"F2 view", 2});
    if (can_export) out.push_back({"F3 export", 0});  // the way to keep one's work, always shown
    out.push_back({"Ctrl+Z undo", 3});
    out.push_back({"F4 clear", 4});
  };
  auto dialog = [&](std::vector<Hint> own) {
    front_end();
    out.insert(out.end(), own.begin(), own.end());
    out.push_back({"Tab next", 1});
    out.push_back({"Alt+letter", 3});
    out.push_back({"Esc cancel", 1});
  };
  switch (place) {
    case HintPlace::Graphics:
      return {{"t b f k l r i views", 1}, {"\u2190\u2192\u2191\u2193 turn", 1}, {"drag turns", 4},
              {"+ - zoom", 2},           {"w a s d pan", 3},                     {"0 fit", 2},
              {"Esc back", 0}};
    case HintPlace::Frame:
      front_end();
      out.push_back({"Ctrl+C leaves the host", 0});
      return out;
    case HintPlace::MessageBox: return {{"Enter closes", 0}};
    case HintPlace::Viewer:
      return {{"\u2191\u2193 line", 1}, {"PgUp PgDn page", 1}, {"Home End", 2},
              {"/ find", 3},           {"n next", 4},          {"Esc, Enter or q closes", 0}};
    case HintPlace::OpenList: return {{"\u2191\u2193 highlight", 0}, {"Enter chooses", 0}, {"Esc closes", 0}};
    case HintPlace::Edit: dialog({{"type to replace", 0}, {"\u2190\u2192 Home End", 4}}); break;
    case HintPlace::CheckBox: dialog({{"Space toggles", 0}}); break;
    case HintPlace::List: dialog({{"\u2191\u2193 choose", 0}, {"Enter or Alt+\u2193 opens", 2}}); break;
    case HintPlace::Button: dialog({{"Enter or Space presses", 0}}); break;
    case HintPlace::OtherControl: dialog({}); break;
  }
  return out;
}

std::string fit_hints(const std::vector<Hint>& hints, int width) {
  std::vector<bool> kept(hints.size(), false);
  int used = 0;
  int top_rank = 0;
  for (const Hint& h : hints) top_rank = std::max(top_rank, h.rank);
  // By rank, the most important first; within a rank, in the order shown. Once a hint of a rank
  // is left out, no hint of a lower importance takes its room.
  for (int rank = 0; rank <= top_rank; ++rank) {
    bool all_fit = true;
    for (std::size_t i = 0; i < hints.size(); ++i) {
      if (hints[i].rank != rank) continue;
      const int cells = text_cells(hints[i].text) + (used > 0 ? kSeparatorCells : 0);
      if (used + cells <= width) {
        kept[i] = true;
        used += cells;
      } else {
        all_fit = false;
      }
    }
    if (!all_fit) break;
  }
  std::string line;
  for (std::size_t i = 0; i < hints.size(); ++i) {
    if (!kept[i]) continue;
    if (!line.empty()) line += kSeparator;
    line += hints[i].text;
  }
  return line;
}

}  // namespace orv::interaction
