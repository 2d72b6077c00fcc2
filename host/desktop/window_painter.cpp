// Drawing of dialogs, message boxes and the viewer in pixels.
#include "desktop/window_painter.h"
#include "interaction/window_click.h"

#include <imgui.h>

#include <algorithm>
#include <string>

#include "platform/window_system.h"

namespace orv::desktop {

namespace {

// The window colours: a light dialog face on the dark desktop, as CAD dialogs look.
const ImU32 kFace = IM_COL32(236, 236, 236, 255);
const ImU32 kFrame = IM_COL32(96, 96, 104, 255);
const ImU32 kCaptionActive = IM_COL32(44, 92, 168, 255);
const ImU32 kCaptionIdle = IM_COL32(128, 136, 150, 255);
const ImU32 kCaptionText = IM_COL32(255, 255, 255, 255);
const ImU32 kText = IM_COL32(20, 20, 20, 255);
const ImU32 kDisabledText = IM_COL32(150, 150, 150, 255);
const ImU32 kField = IM_COL32(255, 255, 255, 255);
const ImU32 kButton = IM_COL32(222, 224, 228, 255);
const ImU32 kButtonEdge = IM_COL32(120, 124, 132, 255);
const ImU32 kFocus = IM_COL32(30, 110, 220, 255);
const ImU32 kSelection = IM_COL32(51, 120, 215, 255);
const ImU32 kSelectedText = IM_COL32(255, 255, 255, 255);
const ImU32 kGroup = IM_COL32(170, 170, 176, 255);

/// Draws `text` with its "&" accelerator underlined; returns its width.
float accel_text(ImDrawList* dl, ImVec2 at, const std::string& text, ImU32 color, bool underline = true) {
  const std::string shown = strip_accelerator(text);
  dl->AddText(at, color, shown.c_str());
  // The accelerator is the character after the first lone "&".
  std::size_t pos = std::string::npos, shown_at = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      if (text[i + 1] == '&') {
        ++i;
        ++shown_at;
        continue;
      }
      pos = shown_at;
      break;
    }
    ++shown_at;
  }
  if (underline && pos != std::string::npos && pos < shown.size()) {
    ImFont* f = ImGui::GetFont();
    const float x0 = f->CalcTextSizeA(f->FontSize, 1e9f, 0, shown.c_str(), shown.c_str() + pos).x;
    const float x1 = f->CalcTextSizeA(f->FontSize, 1e9f, 0, shown.c_str(), shown.c_str() + pos + 1).x;
    const float y = at.y + f->FontSize;
    dl->AddLine(ImVec2(at.x + x0, y), ImVec2(at.x + x1, y), color);
  }
  return ImGui::CalcTextSize(shown.c_str()).x;
}

float text_width(const std::string& s, std::size_t n) {
  ImFont* f = ImGui::GetFont();
  n = std::min(n, s.size());
  return f->CalcTextSizeA(f->FontSize, 1e9f, 0, s.c_str(), s.c_str() + n).x;
}

ImVec2 v(float x, float y) { return ImVec2(x, y); }

void focus_outline(ImDrawList* dl, const PixelRect& r) {
  dl->AddRect(v(r.x - 2, r.y - 2), v(r.right() + 2, r.bottom() + 2), kFocus, 2.0f, 0, 2.0f);
}

void paint_edit(ImDrawList* dl, const Window& c, const PixelRect& r, bool focused, float line_h) {
  dl->AddRectFilled(v(r.x, r.y), v(r.right(), r.bottom()), c.enabled ? kField : kFace);
  dl->AddRect(v(r.x, r.y), v(r.right(), r.bottom()), kButtonEdge);
  const float tx = r.x + 3, ty = r.y + (r.h - line_h) / 2;
  dl->PushClipRect(v(r.x + 1, r.y + 1), v(r.right() - 1, r.bottom() - 1), true);
  const int n = static_cast<int>(c.text.size());
  const int s0 = std::clamp(std::min(c.sel_start, c.sel_end), 0, n);
  const int s1 = std::clamp(std::max(c.sel_start, c.sel_end), 0, n);
  if (focused && s1 > s0) {
    dl->AddRectFilled(v(tx + text_width(c.text, s0), ty), v(tx + text_width(c.text, s1), ty + line_h), kSelection);
  }
  dl->AddText(v(tx, ty), c.enabled ? kText : kDisabledText, c.text.c_str());
  if (focused && s1 > s0) {
    const std::string sel = c.text.substr(s0, s1 - s0);
    dl->AddText(v(tx + text_width(c.text, s0), ty), kSelectedText, sel.c_str());
  }
  if (focused) {
    // The caret stands at the selection's end.
    const float cx = tx + text_width(c.text, static_cast<std::size_t>(std::clamp(c.sel_end, 0, n)));
    dl->AddLine(v(cx, ty), v(cx, ty + line_h), kText, 1.5f);
  }
  dl->PopClipRect();
}

void paint_list_field(ImDrawList* dl, const Window& c, const PixelRect& r, bool focused, float line_h) {
  dl->AddRectFilled(v(r.x, r.y), v(r.right(), r.bottom()), kField);
  dl->AddRect(v(r.x, r.y), v(r.right(), r.bottom()), kButtonEdge);
  const float arrow_w = r.h;
  dl->AddRectFilled(v(r.right() - arrow_w, r.y + 1), v(r.right() - 1, r.bottom() - 1), kButton);
  const float ax = r.right() - arrow_w / 2, ay = r.y + r.h / 2;
  dl->AddTriangleFilled(v(ax - 4, ay - 2), v(ax + 4, ay - 2), v(ax, ay + 3), kText);
  const std::string item =
      c.cur_sel >= 0 && c.cur_sel < static_cast<int>(c.items.size()) ? c.items[c.cur_sel] : std::string();
  const float ty = r.y + (r.h - line_h) / 2;
  dl->PushClipRect(v(r.x + 1, r.y + 1), v(r.right() - arrow_w, r.bottom() - 1), true);
  if (focused && !c.dropped) {
    dl->AddRectFilled(v(r.x + 2, r.y + 2), v(r.right() - arrow_w - 1, r.bottom() - 2), kSelection);
    dl->AddText(v(r.x + 4, ty), kSelectedText, item.c_str());
  } else {
    dl->AddText(v(r.x + 4, ty), c.enabled ? kText : kDisabledText, item.c_str());
  }
  dl->PopClipRect();
}

void paint_open_list(ImDrawList* dl, const Window& c, const Placement& p, float bottom) {
  ListPopup l = list_popup(c, p, bottom);
  dl->AddRectFilled(v(l.rect.x, l.rect.y), v(l.rect.right(), l.rect.bottom()), kField);
  dl->AddRect(v(l.rect.x, l.rect.y), v(l.rect.right(), l.rect.bottom()), kFrame);
  for (int i = 0; i < l.rows; ++i) {
    const int item = l.first + i;
    const float y = l.rect.y + 1 + i * l.row_h;
    const bool hot = item == c.hot;
    if (hot) dl->AddRectFilled(v(l.rect.x + 1, y), v(l.rect.right() - 1, y + l.row_h), kSelection);
    dl->AddText(v(l.rect.x + 4, y + (l.row_h - p.font.line_h) / 2), hot ? kSelectedText : kText,
                c.items[item].c_str());
  }
}

// A list box: its items a line each from its first shown, the selected one lit.
void paint_list_box(ImDrawList* dl, const Window& c, const PixelRect& r, bool focused, float line_h) {
  dl->AddRectFilled(v(r.x, r.y), v(r.right(), r.bottom()), kField);
  dl->AddRect(v(r.x, r.y), v(r.right(), r.bottom()), kButtonEdge);
  dl->PushClipRect(v(r.x + 1, r.y + 1), v(r.right() - 1, r.bottom() - 1), true);
  const int n = static_cast<int>(c.items.size());
  const int first = list_box_first(c), rows = list_box_rows(c);
  for (int i = 0; i < rows && first + i < n; ++i) {
    const int k = first + i;
    const float y = r.y + i * line_h;
    const bool on = k == c.cur_sel;
    if (on) dl->AddRectFilled(v(r.x + 1, y), v(r.right() - 1, y + line_h), focused ? kSelection : kGroup);
    const std::string& item = c.items[static_cast<std::size_t>(k)];
    const bool folder = !item.empty() && item.back() == '/';
    dl->AddText(v(r.x + 4, y), on ? kSelectedText : folder ? kCaptionActive : kText, item.c_str());
  }
  dl->PopClipRect();
}

void paint_control(ImDrawList* dl, const Window& c, const Placement& p, bool focused) {
  const PixelRect r = control_rect(c, p);
  const float line_h = p.font.line_h;
  const ImU32 text = c.enabled ? kText : kDisabledText;
  switch (c.control) {
    case CTL_PUSHBUTTON:
    case CTL_OWNERDRAW_BUTTON: {
      const bool is_default = c.id == IDOK;  // the dialog's default command
      dl->AddRectFilled(v(r.x, r.y), v(r.right(), r.bottom()), kButton, 3.0f);
      dl->AddRect(v(r.x, r.y), v(r.right(), r.bottom()), is_default ? kFrame : kButtonEdge, 3.0f, 0,
                  is_default ? 2.0f : 1.0f);
      const float w = ImGui::CalcTextSize(strip_accelerator(c.text).c_str()).x;
      dl->PushClipRect(v(r.x, r.y), v(r.right(), r.bottom()), true);
      accel_text(dl, v(r.x + (r.w - w) / 2, r.y + (r.h - line_h) / 2), c.text, text);
      dl->PopClipRect();
      if (focused) focus_outline(dl, r);
      break;
    }
    case CTL_AUTOCHECKBOX: {
      const float box = std::min(r.h, line_h) - 2;
      const float by = r.y + (r.h - box) / 2;
      dl->AddRectFilled(v(r.x, by), v(r.x + box, by + box), kField);
      dl->AddRect(v(r.x, by), v(r.x + box, by + box), kButtonEdge);
      if (c.check) {
        dl->AddLine(v(r.x + 2, by + box / 2), v(r.x + box * 0.42f, by + box - 3), kText, 2.0f);
        dl->AddLine(v(r.x + box * 0.42f, by + box - 3), v(r.x + box - 2, by + 2), kText, 2.0f);
      }
      const float w = accel_text(dl, v(r.x + box + 5, r.y + (r.h - line_h) / 2), c.text, text);
      if (focused) focus_outline(dl, {r.x + box + 3, r.y + (r.h - line_h) / 2, w + 4, line_h});
      break;
    }
    case CTL_EDIT:
      paint_edit(dl, c, r, focused, line_h);
      if (focused) focus_outline(dl, r);
      break;
    case CTL_DROPDOWNLIST:
      paint_list_field(dl, c, r, focused, line_h);
      if (focused) focus_outline(dl, r);
      break;
    case CTL_LISTBOX:
      paint_list_box(dl, c, r, focused, line_h);
      if (focused) focus_outline(dl, r);
      break;
    case CTL_GROUPBOX: {
      const float ty = r.y + line_h / 2;
      dl->AddRect(v(r.x, ty), v(r.right(), r.bottom()), kGroup, 3.0f);
      const std::string shown = strip_accelerator(c.text);
      if (!shown.empty()) {
        const float w = ImGui::CalcTextSize(shown.c_str()).x;
        dl->AddRectFilled(v(r.x + 6, r.y), v(r.x + 12 + w, r.y + line_h), kFace);
        accel_text(dl, v(r.x + 9, r.y), c.text, text);
      }
      break;
    }
    case CTL_STATIC:
    default: {
      // Static text wraps within its rectangle, line breaks kept.
      dl->PushClipRect(v(r.x, r.y), v(r.right() + 1, r.bottom() + line_h), true);
      const std::string shown = strip_accelerator(c.text);
      dl->AddText(ImGui::GetFont(), ImGui::GetFontSize(), v(r.x, r.y), text, shown.c_str(), nullptr,
                  std::max(r.w, 8.0f));
      dl->PopClipRect();
      break;
    }
  }
}

void paint_frame(ImDrawList* dl, const Placement& p, const Window& w, bool active) {
  const PixelRect& f = p.frame;
  dl->AddRectFilled(v(f.x + 4, f.y + 4), v(f.right() + 4, f.bottom() + 4), IM_COL32(0, 0, 0, 90));  // shadow
  dl->AddRectFilled(v(f.x, f.y), v(f.right(), f.bottom()), kFace);
  const float cap = caption_height(p.font);
  dl->AddRectFilled(v(f.x + kBorder, f.y + kBorder), v(f.right() - kBorder, f.y + kBorder + cap),
                    active ? kCaptionActive : kCaptionIdle);
  std::string caption = strip_accelerator(w.text);
  if (w.kind == WindowKind::Viewer) caption = "Viewer \u00b7 " + w.path;
  dl->PushClipRect(v(f.x, f.y), v(f.right() - cap, f.y + cap + kBorder), true);
  dl->AddText(v(f.x + kBorder + 6, f.y + kBorder + (cap - p.font.line_h) / 2), kCaptionText, caption.c_str());
  dl->PopClipRect();
  const PixelRect x = close_box(p);
  const float m = x.w * 0.32f;
  dl->AddLine(v(x.x + m, x.y + m), v(x.right() - m, x.bottom() - m), kCaptionText, 2.0f);
  dl->AddLine(v(x.right() - m, x.y + m), v(x.x + m, x.bottom() - m), kCaptionText, 2.0f);
  dl->AddRect(v(f.x, f.y), v(f.right(), f.bottom()), kFrame, 0, 0, kBorder);
}

void paint_viewer(ImDrawList* dl, const Placement& p, const Window& w) {
  const PixelRect& c = p.client;
  dl->AddRectFilled(v(c.x, c.y), v(c.right(), c.bottom()), kField);
  dl->PushClipRect(v(c.x, c.y), v(c.right(), c.bottom()), true);
  const int n = static_cast<int>(w.lines.size());
  for (int i = 0; i < w.cy && w.top_line + i < n; ++i) {
    dl->AddText(v(c.x + p.font.char_w, c.y + 2 + i * p.font.line_h), kText, w.lines[w.top_line + i].c_str());
  }
  const std::string foot = "lines " + std::to_string(n == 0 ? 0 : w.top_line + 1) + "-" +
                           std::to_string(std::min(n, w.top_line + w.cy)) + " of " + std::to_string(n) +
                           " \u00b7 \u2191\u2193 PageUp PageDown \u00b7 q or Esc closes";
  dl->AddText(v(c.x + p.font.char_w, c.bottom() - p.font.line_h - 2), kDisabledText, foot.c_str());
  dl->PopClipRect();
}

}  // namespace

void paint_window(ImDrawList* dl, const Placement& p, bool active, float bottom) {
  WindowSystem& ws = *p.windows;
  const Window* w = ws.find(p.window);
  if (!w) return;
  paint_frame(dl, p, *w, active);
  if (w->kind == WindowKind::Viewer) {
    paint_viewer(dl, p, *w);
    return;
  }
  for (HWND h : w->children) {
    const Window* c = ws.find(h);
    if (c && c->visible) paint_control(dl, *c, p, active && w->focus == h);
  }
  if (const Window* open = interaction::open_list(ws, *w)) paint_open_list(dl, *open, p, bottom);
}

}  // namespace orv::desktop
