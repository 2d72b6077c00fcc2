// The desktop front end's frame, input and view. Its requests (prompts, the editor) are in
// desktop_prompt.cpp.
#include "desktop/desktop_front_end.h"

#include <GLFW/glfw3.h>
#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <future>
#include <utility>

#include "core/geometry_services.h"
#include "core/host_prompts.h"
#include "core/host.h"
#include "core/live_edit.h"
#include "core/plot_history.h"
#include "core/plot_report.h"
#include "core/recent_files.h"
#include "core/stop_request.h"
#include "desktop/desktop_prompt.h"
#include "desktop/mark_budget.h"
#include "desktop/window_painter.h"
#include "exchange/export_formats.h"
#include "view/entity_pick.h"
#include "interaction/window_click.h"
#include "view/legend.h"
#include "view/measure.h"
#include "view/palette.h"
#include "view/picture.h"
#include "frontend/script_front_end.h"
#include "interaction/frame_text.h"
#include "interaction/key_hints.h"
#include "platform/cell_render.h"
#include "platform/number_text.h"
#include "platform/window_system.h"

namespace orv::desktop {

namespace {

// Seconds a frame waits for input when nothing changed.
constexpr double kIdleWait = 0.1;
// Pixels: the toolbar's and status bar's heights in line heights, the gap round the docked dialog.
constexpr float kBarLines = 2.0f;
constexpr float kGap = 8;
/// The status line is wide enough for every view key hint; none is left out.
constexpr int kAllHints = 1000;
// Seconds within which a second click is a double-click.
constexpr double kDoubleClickSeconds = 0.5;
// The axis marker's arm, in pixels.
constexpr float kAxisArm = 30;

const ImU32 kStatusText = IM_COL32(220, 220, 220, 255);
const ImU32 kFrameText = IM_COL32(200, 204, 210, 255);
const ImU32 kWarning = IM_COL32(255, 220, 60, 255);
// The measure readout and the snap marker: a cyan no palette colour has.
const ImU32 kMeasure = IM_COL32(110, 230, 250, 255);
// A press and release of the left button this close together on the view is a click (a pick), not
// a drag.
constexpr double kClickSlop = 3;
// The marker at the last point a plot kept: orange, a shape no mark or point has.
const ImU32 kKeptMarker = IM_COL32(255, 128, 0, 255);
const ImU32 kKeptMarkerEdge = IM_COL32(255, 255, 255, 255);

// A diamond of half-diagonal `r` centred on `at`.
void draw_diamond(ImDrawList* dl, ImVec2 at, float r) {
  const ImVec2 corners[4] = {ImVec2(at.x, at.y - r), ImVec2(at.x + r, at.y), ImVec2(at.x, at.y + r),
                             ImVec2(at.x - r, at.y)};
  dl->AddConvexPolyFilled(corners, 4, kKeptMarker);
  dl->AddPolyline(corners, 4, kKeptMarkerEdge, ImDrawFlags_Closed, 1.5f);
}

ImU32 palette(uint8_t n) {
  view::Rgb c = view::color_rgb(n);
  return IM_COL32(static_cast<int>(c.r * 255 + 0.5), static_cast<int>(c.g * 255 + 0.5),
                  static_cast<int>(c.b * 255 + 0.5), 255);
}

// A second click on the same item of a list, soon after the first and near it, is a double-click.
bool second_click(const UiEvent& e, double x, double y) {
  static double last_time = -1, last_x = 0, last_y = 0;
  static int last_id = 0, last_index = -1;
  const double now = glfwGetTime();
  const bool second = e.id == last_id && e.index == last_index && now - last_time <= kDoubleClickSeconds &&
                      std::abs(x - last_x) <= 4 && std::abs(y - last_y) <= 4;
  last_time = second ? -1 : now;
  last_x = x;
  last_y = y;
  last_id = e.id;
  last_index = second ? -1 : e.index;
  return second;
}

}  // namespace

std::string key_name(int key, int mods) {
  const bool shift = mods & GLFW_MOD_SHIFT, alt = mods & GLFW_MOD_ALT;
  if (alt && key >= GLFW_KEY_A && key <= GLFW_KEY_Z) return std::string("Alt+") + static_cast<char>('A' + key - GLFW_KEY_A);
  if (alt && key >= GLFW_KEY_0 && key <= GLFW_KEY_9) return std::string("Alt+") + static_cast<char>('0' + key - GLFW_KEY_0);
  switch (key) {
    case GLFW_KEY_TAB: return shift ? "Shift+Tab" : "Tab";
    case GLFW_KEY_ENTER:
    case GLFW_KEY_KP_ENTER: return "Enter";
    case GLFW_KEY_ESCAPE: return "Esc";
    case GLFW_KEY_UP: return "Up";
    case GLFW_KEY_DOWN: return alt ? "Alt+Down" : "Down";
    case GLFW_KEY_LEFT: return shift ? "Shift+Left" : "Left";
    case GLFW_KEY_RIGHT: return shift ? "Shift+Right" : "Right";
    case GLFW_KEY_HOME: return shift ? "Shift+Home" : "Home";
    case GLFW_KEY_END: return shift ? "Shift+End" : "End";
    case GLFW_KEY_A: return (mods & GLFW_MOD_CONTROL) ? "Ctrl+A" : "";
    case GLFW_KEY_PAGE_UP: return "PageUp";
    case GLFW_KEY_PAGE_DOWN: return "PageDown";
    case GLFW_KEY_BACKSPACE: return "Backspace";
    case GLFW_KEY_DELETE: return "Delete";
    default: return {};
  }
}

DesktopFrontEnd::DesktopFrontEnd(DesktopWindow& window, const GeometryDatabase& db, WindowSystem& windows)
    : window_(window), db_(db), windows_(windows), saving_(db) {
  gl_ok_ = gl_.init();
}

DesktopFrontEnd::~DesktopFrontEnd() = default;

void DesktopFrontEnd::set_script(frontend::ScriptFrontEnd* script) {
  script_ = script;
  if (script_) {
    script_->set_screenshot([this](const std::string& path, std::string& err) { return screenshot(path, err); });
  }
}

bool DesktopFrontEnd::history_key(int key, int mods) {
  std::string name;
  if (key == GLFW_KEY_Z && (mods & GLFW_MOD_CONTROL)) name = "Ctrl+Z";
  else if (key == GLFW_KEY_F4) name = "F4";
  else if (key == GLFW_KEY_DELETE && picked_.id != 0) name = "Delete";
  if (name.empty()) return false;
  WindowSystem& ws = windows_;
  if (ws.active() != nullptr && ws.active() != ws.docked_dialog()) {
    status_ = "Close this window first: " + name + " works on the plots";
    return true;
  }
  if (name == "Delete") name += " " + std::to_string(picked_.id);
  orv::history_key(name, status_);
  picked_ = Picked{};
  return true;
}

void DesktopFrontEnd::pick_at(double x, double y) {
  // Screen marks are not entities: a click on one picks the curve through it.
  const int64_t id = view::entity_at(scene_, graphics_viewport(), view::P2{x, y}, kSnapPixels, false);
  if (id == picked_.id) return;
  const bool had = picked_.id != 0;
  picked_ = Picked{};
  picked_.id = id;
  measured_ = view::Measures{};
  if (id == 0) {
    if (had) status_.clear();
    return;
  }
  db_.for_each_entity([&](const Entity& e) {
    if (e.id() != id) return;
    picked_.outline = view::entity_outline(e);
    status_ = "Picked " + entity_words(e.kind(), id) + " \u00b7 Delete removes it \u00b7 a click elsewhere lets go";
  });
  picked_.at = db_.revision();
}

void DesktopFrontEnd::draw_picked(ImDrawList* dl) {
  if (picked_.id == 0) return;
  if (!(picked_.at == db_.revision())) {  // the database changed: the entity may be gone
    bool there = false;
    db_.for_each_entity([&](const Entity& e) { there = there || e.id() == picked_.id; });
    if (!there) {
      picked_ = Picked{};
      return;
    }
    picked_.at = db_.revision();
  }
  const view::Viewport vp = graphics_viewport();
  const ImU32 glow = IM_COL32(255, 255, 255, 200), core = IM_COL32(0, 200, 255, 255);
  for (const std::vector<std::array<double, 3>>& stroke : picked_.outline) {
    std::vector<ImVec2> pts;
    for (const auto& p : stroke) {
      const view::P2 d = vp.to_device(p);
      pts.emplace_back(static_cast<float>(d.x), static_cast<float>(d.y));
    }
    if (pts.size() == 1) {
      dl->AddCircle(pts[0], 7.0f, glow, 0, 3.0f);
      dl->AddCircle(pts[0], 7.0f, core, 0, 1.5f);
      continue;
    }
    dl->AddPolyline(pts.data(), static_cast<int>(pts.size()), glow, ImDrawFlags_None, 4.0f);
    dl->AddPolyline(pts.data(), static_cast<int>(pts.size()), core, ImDrawFlags_None, 2.0f);
  }
}

void DesktopFrontEnd::plot_told(const std::vector<std::string>& lines) {
  if (script_) script_->plot_told(lines);  // a scripted window tells them as headless runs do
}

void DesktopFrontEnd::refused(const std::string& service, const std::string& why, int64_t repeats) {
  refusal_.refused(why, repeats);
  if (script_) script_->refused(service, why, repeats);
}

void DesktopFrontEnd::event_failed(const UiEvent& event, const std::string& why) {
  if (script_) {
    script_->event_failed(event, why);
    return;
  }
  status_ = why;
}

void DesktopFrontEnd::refresh_scene() {
  const Revision key = db_.revision();
  if (key == scene_key_ || !progress_.empty()) return;  // a plot under way is drawn when it has ended
  view::Detail detail;
  detail.facets = true;
  scene_ = view::make_scene(db_, detail);
  scene_key_ = key;
  // A view the person has not turned or chosen follows the content: a flat part square to its
  // plane, anything else in the trimetric view. Once chosen it stays, until the scene is empty.
  if (scene_.empty()) {
    view_chosen_ = false;
  } else {
    const view::Camera& c = view_.camera;
    if (c.name != applied_camera_.name || c.toward != applied_camera_.toward || c.up != applied_camera_.up)
      view_chosen_ = true;
    if (!view_chosen_) {
      view_.camera = view::default_camera(scene_);
      applied_camera_ = view_.camera;
    }
  }
  // Shaded from the scene's facets at once; within the chord deviation once the fine triangles,
  // made in the background so that a large surface never stalls the window, are there. A job for
  // an older scene is left to finish and its result dropped.
  if (gl_ok_) gl_.upload(scene_, FineMesh{});
  set_grid(show_grid_);
  std::vector<ent> surfaces;
  for (const Entity* e : db_.entities())
    if (e->kind() == ENT_SURFACE || e->kind() == ENT_NURBS_SURFACE) surfaces.push_back(e->record());
  if (surfaces.empty()) {
    fine_job_ = {};
    return;
  }
  fine_job_ = std::async(std::launch::async, [surfaces = std::move(surfaces), chord = surf_step_chord_dev] {
    std::vector<const ent*> ptrs;
    for (const ent& e : surfaces) ptrs.push_back(&e);
    FineMesh mesh;
    fine_triangles(ptrs, chord, mesh);
    // No call into the window system from here: the window's own thread talks to the X server
    // (its frame property too), and its waits are short, so the finer frame comes soon after.
    return mesh;
  });
}

bool DesktopFrontEnd::take_fine_mesh(bool wait) {
  if (!fine_job_.valid()) return false;
  if (!wait && fine_job_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) return false;
  FineMesh mesh = fine_job_.get();
  if (gl_ok_) gl_.upload_fine(mesh);
  return true;
}

void DesktopFrontEnd::layout() {
  WindowSystem& ws = windows_;
  const float W = static_cast<float>(window_.width()), H = static_cast<float>(window_.height());
  const FontMetrics& font = window_.font();
  const float bar = std::round(font.line_h * kBarLines);
  placed_.clear();
  const HWND dock = ws.docked_dialog();
  float graphics_w = W;
  if (dock) {
    Placement p = place(windows_, dock, 0, 0, font);
    const float x = std::max(W * static_cast<float>(1 - kDockShare), W - p.frame.w - kGap);
    p = place(windows_, dock, x, bar + kGap, font);
    graphics_w = x - kGap;
    placed_.push_back(p);
  }
  graphics_ = {0, bar, std::max(0.0f, graphics_w), std::max(0.0f, H - 2 * bar)};
  for (HWND h : ws.z_order()) {
    Window* w = ws.find(h);
    if (!w || !w->visible || h == dock || w->kind == WindowKind::Frame) continue;
    if (w->kind == WindowKind::Viewer) {
      // The viewer pages by its size: most of the window.
      w->cx = std::max(20, static_cast<int>(W * 0.8f / font.char_w));
      w->cy = std::max(3, static_cast<int>((H - 4 * bar) * 0.8f / font.line_h));
    }
    PixelRect size = window_size(*w, font);
    // The point prompt stands at the foot, so that the points to click stay in sight.
    const float y = h == point_prompt_window() ? H - bar - size.h - kGap : std::round((H - size.h) / 2);
    Placement placed = place(windows_, h, std::max(0.0f, std::round((W - size.w) / 2)), std::max(bar, y), font);
    if (w->kind == WindowKind::MessageBox) placed = clear_of_field(placed, bar);
    placed_.push_back(placed);
  }
}

Placement DesktopFrontEnd::clear_of_field(const Placement& box, float bar) const {
  // A message about a field stands below the field (or above it), never over it.
  WindowSystem& ws = windows_;
  const Window* w = ws.find(box.window);
  const float H = static_cast<float>(window_.height());
  for (const Placement& o : placed_) {
    const Window* owner = ws.find(o.window);
    if (w == nullptr || owner == nullptr || o.window != w->parent) continue;
    const Window* f = ws.find(owner->focus);
    if (f == nullptr) continue;
    const PixelRect r = control_rect(*f, o);
    const PixelRect& b = box.frame;
    if (r.right() <= b.x || b.right() <= r.x || r.bottom() <= b.y || b.bottom() <= r.y) continue;
    float y = r.bottom() + kGap;
    if (y + b.h > H - bar) y = r.y - kGap - b.h;
    if (y < bar) continue;
    return place(windows_, box.window, b.x, std::round(y), box.font);
  }
  return box;
}

ViewFrame DesktopFrontEnd::view_frame() const {
  ViewFrame f;
  f.camera = view_.camera;
  f.content = view::framed(scene_.bounds(view_.camera), view_.zoom, view_.pan);
  f.model = scene_.model_bounds();
  for (const auto& l : grid_.lines) {  // the grid reaches a little beyond the content
    f.model.add(l[0]);
    f.model.add(l[1]);
  }
  return f;
}

void DesktopFrontEnd::set_grid(bool on) {
  show_grid_ = on;
  grid_ = on ? view::ground_grid(scene_.model_bounds()) : view::GroundGrid{};
  if (gl_ok_) gl_.upload_grid(grid_);
}

void DesktopFrontEnd::draw_graphics() {
  if (!gl_ok_ || graphics_.w < 8 || graphics_.h < 8) return;
  const float k = window_.pixel_scale();
  gl_.draw(view_frame(), static_cast<int>(graphics_.x * k), static_cast<int>(graphics_.y * k),
           static_cast<int>(graphics_.w * k), static_cast<int>(graphics_.h * k),
           static_cast<int>(std::lround(window_.height() * k)), moving_ || drag_button_ >= 0);
}

void DesktopFrontEnd::draw_marks_and_axes(ImDrawList* dl) {
  const PixelRect& g = graphics_;
  if (g.w < 8 || g.h < 8) return;
  const FontMetrics& font = window_.font();
  dl->PushClipRect(ImVec2(g.x, g.y), ImVec2(g.right(), g.bottom()), true);
  const ViewFrame f = view_frame();
  view::Viewport vp(f.content, g.x, g.y, g.w, g.h, 0.06, 1.0, f.camera);
  // Screen marks clutter a surface beyond a few hundred: then only stored points are drawn, as in
  // the pictures. A dense plot is drawn within the draw list's budget.
  const bool screen_marks = view::picture_shows_marks(scene_, view::MarksMode::Auto);
  const MarkSelection marks = select_marks(scene_.marks, vp, static_cast<int>(std::ceil(g.right())),
                                           static_cast<int>(std::ceil(g.bottom())), screen_marks);
  for (const DrawnMark& m : marks.drawn) {
    const ImU32 c = palette(m.color);
    if (m.stored) {
      dl->AddCircleFilled(ImVec2(m.x, m.y), 3.0f, c);
    } else {
      dl->AddLine(ImVec2(m.x - 3, m.y), ImVec2(m.x + 4, m.y), c);
      dl->AddLine(ImVec2(m.x, m.y - 3), ImVec2(m.x, m.y + 4), c);
    }
  }
  // The axis marker: where x, y and z point in this view, at the lower left.
  const ImVec2 o(g.x + kAxisArm + 14, g.bottom() - kAxisArm - 14);
  const char* names[3] = {"X", "Y", "Z"};
  const ImU32 colors[3] = {IM_COL32(230, 70, 70, 255), IM_COL32(80, 200, 90, 255), IM_COL32(80, 140, 255, 255)};
  for (int i = 0; i < 3; ++i) {
    view::Vec3 e{0, 0, 0};
    e[i] = 1;
    const float dx = static_cast<float>(f.camera.right[i]) * kAxisArm, dy = -static_cast<float>(f.camera.up[i]) * kAxisArm;
    dl->AddLine(o, ImVec2(o.x + dx, o.y + dy), colors[i], 2.0f);
    dl->AddText(ImVec2(o.x + dx * 1.25f - 4, o.y + dy * 1.25f - font.line_h / 2), colors[i], names[i]);
  }
  // Where the last plot's kept geometry ends, when it lost part of what it meant to make.
  const interaction::FrameReport told = interaction::frame_report();
  if (told.marked) {
    const view::P2 d = vp.to_device(view::Vec3{told.kept[0], told.kept[1], told.kept[2]});
    draw_diamond(dl, ImVec2(static_cast<float>(d.x), static_cast<float>(d.y)), 7.0f);
  }
  // The frame: the view's name at the top, the counts and the origin at the foot, the refusal over
  // the foot in the colour of a warning.
  std::string title = "Graphics \u00b7 " + view_.camera.name + (view_.zoom != 1 ? " \u00b7 zoomed" : "") +
                      (view_keys_ ? " \u00b7 keys on view (F2 leaves)" : "");
  dl->AddText(ImVec2(g.x + 8, g.y + 4), kFrameText, title.c_str());
  // What the last plot or file reading lost, under the title, until the next plot; the marker's
  // legend after it.
  if (!told.lines.empty()) {
    const float wrap = g.w - 16;
    float y = g.y + 8 + font.line_h;
    for (const std::string& line : told.lines) {
      const ImVec2 size = ImGui::CalcTextSize(line.c_str(), nullptr, false, wrap);
      dl->AddRectFilled(ImVec2(g.x + 4, y - 2), ImVec2(g.x + 12 + size.x, y + size.y + 2), IM_COL32(40, 34, 10, 230));
      dl->AddText(ImGui::GetFont(), ImGui::GetFontSize(), ImVec2(g.x + 8, y), kWarning, line.c_str(), nullptr, wrap);
      y += size.y + 6;
    }
    if (told.marked) {
      const float r = std::max(4.0f, font.line_h * 0.35f);
      draw_diamond(dl, ImVec2(g.x + 8 + r, y + font.line_h / 2), r);
      dl->AddText(ImVec2(g.x + 14 + 2 * r, y), kFrameText, kMarkerLegend);
    }
  }
  draw_measures(dl, vp);
  std::string caption = scene_.empty() ? "nothing drawn yet" : view::scene_caption(scene_);
  if (grid_.spacing > 0) caption = "grid " + view::length_text(grid_.spacing) + " mm \u00b7 " + caption;
  if (marks.thinned())
    caption += " \u00b7 " + std::to_string(marks.taken) + " of " + std::to_string(marks.total) + " marks drawn";
  const float cw = ImGui::CalcTextSize(caption.c_str()).x;
  dl->AddText(ImVec2(g.right() - cw - 8, g.bottom() - font.line_h - 6), kFrameText, caption.c_str());
  if (!origin_text_.empty()) dl->AddText(ImVec2(g.x + 2 * kAxisArm + 40, g.bottom() - font.line_h - 6), kFrameText, origin_text_.c_str());
  if (const std::string& refusal = refusal_.shown(saving_.made()); !refusal.empty()) {
    const float wrap = g.w - 16;
    const ImVec2 size = ImGui::CalcTextSize(refusal.c_str(), nullptr, false, wrap);
    const float y = g.bottom() - 2 * kAxisArm - 34 - size.y;  // above the axis marker
    dl->AddRectFilled(ImVec2(g.x + 4, y - 4), ImVec2(g.x + 12 + size.x, y + size.y + 4), IM_COL32(40, 34, 10, 230));
    dl->AddText(ImGui::GetFont(), ImGui::GetFontSize(), ImVec2(g.x + 8, y), kWarning, refusal.c_str(), nullptr, wrap);
  }
  dl->PopClipRect();
}

void DesktopFrontEnd::draw_measures(ImDrawList* dl, const view::Viewport& vp) {
  const PixelRect& g = graphics_;
  const FontMetrics& font = window_.font();
  // The point under the pointer, snapped, while it is over the view itself and nothing else.
  hover_ = view::Snap{};
  double x = 0, y = 0;
  window_.cursor(x, y);
  const bool over_view = graphics_.contains(static_cast<float>(x), static_cast<float>(y)) && drag_button_ < 0 &&
                         !ImGui::GetIO().WantCaptureMouse &&
                         std::none_of(placed_.begin(), placed_.end(), [&](const Placement& p) {
                           return p.frame.contains(static_cast<float>(x), static_cast<float>(y));
                         });
  const bool marks_drawn = view::picture_shows_marks(scene_, view::MarksMode::Auto);
  if (over_view && !scene_.empty()) hover_ = view::snap_at(scene_, vp, view::P2{x, y}, kSnapPixels, marks_drawn);
  // The picked entity's measures, worked out again only when it or the database changed.
  if (picked_.id != 0 && (picked_.id != measured_.id || measured_at_ != db_.revision())) {
    if (!view::measure_entity(db_, picked_.id, measured_)) {
      picked_ = Picked{};
      measured_ = view::Measures{};
    }
    measured_at_ = db_.revision();
  }
  std::vector<std::string> lines;
  if (hover_.kind != view::Snap::Kind::None) {
    const view::P2 d = vp.to_device(hover_.at);
    const ImVec2 at(static_cast<float>(d.x), static_cast<float>(d.y));
    dl->AddCircle(at, 6.0f, kMeasure, 16, 1.5f);
    if (hover_.kind != view::Snap::Kind::OnCurve && hover_.kind != view::Snap::Kind::OnSurface)
      dl->AddCircleFilled(at, 2.0f, kMeasure);
    lines.push_back(view::snap_text(hover_));
  }
  if (picked_.id != 0) lines.push_back(view::measures_text(measured_));
  float ty = g.y + 4;
  for (const std::string& line : lines) {
    const float w = ImGui::CalcTextSize(line.c_str()).x;
    const ImVec2 p(g.right() - w - 10, ty);
    dl->AddRectFilled(ImVec2(p.x - 4, p.y - 1), ImVec2(g.right() - 4, p.y + font.line_h + 2), IM_COL32(16, 18, 22, 230));
    dl->AddText(p, kMeasure, line.c_str());
    ty += font.line_h + 4;
  }
}

void DesktopFrontEnd::draw_toolbar() {
  const float bar = std::round(window_.font().line_h * kBarLines);
  ImGui::SetNextWindowPos(ImVec2(0, 0));
  ImGui::SetNextWindowSize(ImVec2(static_cast<float>(window_.width()), bar));
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, ImVec2(6, 4));
  ImGui::Begin("##toolbar", nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                   ImGuiWindowFlags_NoFocusOnAppearing | ImGuiWindowFlags_NoBringToFrontOnFocus |
                   ImGuiWindowFlags_NoNav);
  ImGui::TextUnformatted("Orvantis");
  const Window* top = windows_.find(windows_.active());
  const bool blocked = prompt_ != nullptr || (top && top->kind == WindowKind::Prompt);
  static const std::pair<const char*, view::NamedView> kViews[] = {
      {"Top", view::NamedView::Top},     {"Bottom", view::NamedView::Bottom}, {"Front", view::NamedView::Front},
      {"Back", view::NamedView::Back},   {"Left", view::NamedView::Left},     {"Right", view::NamedView::Right},
      {"Isometric", view::NamedView::Isometric}, {"Trimetric", view::NamedView::Trimetric}};
  for (const auto& [label, named] : kViews) {
    ImGui::SameLine();
    if (ImGui::SmallButton(label) && !blocked) {
      view_.camera = view::Camera::named(named);
      view_.fit();
    }
  }
  ImGui::SameLine();
  if (ImGui::SmallButton("Fit") && !blocked) view_.fit();
  ImGui::SameLine();
  if (ImGui::SmallButton(show_grid_ ? "Grid: on (G)" : "Grid: off (G)") && !blocked) set_grid(!show_grid_);
  ImGui::SameLine();
  bool live = live_edit().enabled();
  if (ImGui::Checkbox("Live edit", &live)) {
    live_edit().set_enabled(live);
    status_ = live ? "Live edit on: saving the equation file plots it again" : "Live edit off";
  }
  if (saving_.can_export()) {
    ImGui::SameLine();
    if (ImGui::SmallButton("Export... (F3)") && !blocked) export_asked_ = true;
  }
  ImGui::End();
  ImGui::PopStyleVar();
}

void DesktopFrontEnd::click(double x, double y, int button, int mods) {
  (void)mods;
  WindowSystem& ws = windows_;
  const float px = static_cast<float>(x), py = static_cast<float>(y);
  // The topmost host window under the pointer takes the click; only the active one acts on it.
  for (auto it = placed_.rbegin(); it != placed_.rend(); ++it) {
    const Window* w = ws.find(it->window);
    const bool over = it->frame.contains(px, py);
    const Window* open = w ? interaction::open_list(windows_, *w) : nullptr;
    if (!over && !(open && it->window == ws.active())) continue;
    if (button != GLFW_MOUSE_BUTTON_LEFT || it->window != ws.active()) return;
    UiEvent e;
    if (!click_event(*it, px, py, static_cast<float>(window_.height()), e)) return;
    if (e.kind == UiEvent::Kind::Select && second_click(e, x, y)) e.kind = UiEvent::Kind::DoubleClick;
    events_.push_back(e);
    return;
  }
  if (graphics_.contains(px, py)) {
    if (point_prompt_open()) {
      std::array<double, 3> p{};
      if (snap_point(x, y, p)) fill_point_prompt(p);
      return;
    }
    drag_button_ = button;
    drag_x_ = press_x_ = x;
    drag_y_ = press_y_ = y;
  }
}

view::Viewport DesktopFrontEnd::graphics_viewport() const {
  const ViewFrame f = view_frame();
  const PixelRect& g = graphics_;
  return view::Viewport(f.content, g.x, g.y, g.w, g.h, 0.06, 1.0, f.camera);
}

view::PictureOptions DesktopFrontEnd::picture_of_view(view::PictureOptions base) const {
  base.camera = view_.camera;
  base.zoom = view_.zoom;
  base.pan = view_.pan;
  const std::string& plotted = last_plot_report().file;
  const std::string& file = plotted.empty() ? current_file() : plotted;
  if (!file.empty()) base.title = file.substr(file.find_last_of('/') + 1);
  return base;
}

bool DesktopFrontEnd::snap_point(double px, double py, std::array<double, 3>& out) const {
  const view::Viewport vp = graphics_viewport();
  double best = kSnapPixels * kSnapPixels;
  bool found = false;
  auto consider = [&](const view::Point& p) {
    const view::P2 d = vp.to_device(p);
    const double dd = (d.x - px) * (d.x - px) + (d.y - py) * (d.y - py);
    if (dd <= best) {
      best = dd;
      out = p;
      found = true;
    }
  };
  for (const view::Mark& m : scene_.marks) consider(m.at);
  for (const view::Polyline& c : scene_.curves) {
    if (c.pts.empty()) continue;
    consider(c.pts.front());
    consider(c.pts.back());
  }
  return found;
}

bool DesktopFrontEnd::view_key(int key, int mods) {
  (void)mods;
  using interaction::Key;
  if (key == GLFW_KEY_F2) {
    view_keys_ = !view_keys_;
    return true;
  }
  const Window* top = windows_.find(windows_.active());
  if (key == GLFW_KEY_F3 && saving_.can_export() && !prompt_ && !(top && top->kind == WindowKind::Prompt)) {
    export_asked_ = true;
    return true;
  }
  if (!view_keys_) return false;
  Key k;
  switch (key) {
    case GLFW_KEY_ESCAPE: k.type = Key::Esc; break;
    case GLFW_KEY_ENTER: k.type = Key::Enter; break;
    case GLFW_KEY_TAB: k.type = Key::Tab; break;
    case GLFW_KEY_LEFT: k.type = Key::Left; break;
    case GLFW_KEY_RIGHT: k.type = Key::Right; break;
    case GLFW_KEY_UP: k.type = Key::Up; break;
    case GLFW_KEY_DOWN: k.type = Key::Down; break;
    case GLFW_KEY_HOME: k.type = Key::Home; break;
    default: return true;  // letters come as text, below; nothing else reaches a window meanwhile
  }
  if (interaction::apply_view_key(view_, k) == interaction::ViewKeyResult::Leave) view_keys_ = false;
  return true;
}

void DesktopFrontEnd::take_input() {
  std::deque<RawInput>& in = window_.input();
  if (plotting_) {
    // During a plot only Esc means something: it stops the plot. The rest is dropped.
    for (const RawInput& r : in)
      if (r.kind == RawInput::Kind::Key && r.key == GLFW_KEY_ESCAPE) stop_plot_ = true;
    in.clear();
    return;
  }
  const bool imgui_mouse = ImGui::GetIO().WantCaptureMouse;
  while (!in.empty()) {
    RawInput r = in.front();
    in.pop_front();
    if (prompt_) {
      // A prompt takes the keys through ImGui; the view still answers a click that picks a point.
      if (r.kind == RawInput::Kind::Button && r.press && !imgui_mouse) click(r.x, r.y, r.key, r.mods);
      continue;
    }
    switch (r.kind) {
      case RawInput::Kind::Key: {
        status_.clear();
        if (history_key(r.key, r.mods)) break;
        if (view_key(r.key, r.mods)) break;
        std::string name = key_name(r.key, r.mods);
        if (!name.empty()) events_.push_back(UiEvent{UiEvent::Kind::Key, name, 0, 0, 0});
        break;
      }
      case RawInput::Kind::Char: {
        if (r.mods & (GLFW_MOD_ALT | GLFW_MOD_CONTROL | GLFW_MOD_SUPER)) break;  // keys, not text
        if (view_keys_ && (r.ch == 'g' || r.ch == 'G')) {
          set_grid(!show_grid_);
          break;
        }
        if (view_keys_) {
          interaction::Key k;
          k.type = interaction::Key::Char;
          k.ch = static_cast<int>(r.ch);
          interaction::apply_view_key(view_, k);
          break;
        }
        if (const Window* a = windows_.find(windows_.active());
            a && a->kind == WindowKind::Viewer) {
          // The viewer closes on q; other letters mean nothing there.
          if (r.ch == 'q') events_.push_back(UiEvent{UiEvent::Kind::Key, "q", 0, 0, 0});
          break;
        }
        std::string text;
        append_utf8(r.ch, text);
        if (!events_.empty() && events_.back().kind == UiEvent::Kind::Type && text != " ")
          events_.back().text += text;  // typed ahead: one event
        else
          events_.push_back(UiEvent{UiEvent::Kind::Type, text, 0, 0, 0});
        break;
      }
      case RawInput::Kind::Button:
        if (!r.press) {
          // A left click that did not drag picks what is under it (or nothing).
          if (drag_button_ == GLFW_MOUSE_BUTTON_LEFT && r.key == GLFW_MOUSE_BUTTON_LEFT && !prompt_ &&
              std::hypot(r.x - press_x_, r.y - press_y_) <= kClickSlop)
            pick_at(r.x, r.y);
          drag_button_ = -1;
          break;
        }
        if (!imgui_mouse) click(r.x, r.y, r.key, r.mods);
        break;
      case RawInput::Kind::Scroll: {
        double x = 0, y = 0;
        window_.cursor(x, y);
        if (!imgui_mouse && graphics_.contains(static_cast<float>(x), static_cast<float>(y))) {
          interaction::Key k;
          k.type = interaction::Key::Wheel;
          k.ch = r.y > 0 ? 1 : -1;
          // The wheel zooms about the point under the pointer: it stays where it is.
          const interaction::ViewState before = view_;
          const view::P2 at = graphics_viewport().to_view(view::P2{x, y});
          interaction::apply_view_key(view_, k);
          view_.pan = view::pan_keeping(scene_.bounds(view_.camera), before.zoom, view_.zoom, before.pan, at);
        }
        break;
      }
    }
  }
  // A drag turns (left button) or pans (right or middle) the view as the pointer moves.
  if (drag_button_ >= 0) {
    if (!window_.button_down(drag_button_)) {
      drag_button_ = -1;
    } else {
      double x = 0, y = 0;
      window_.cursor(x, y);
      const double dx = x - drag_x_, dy = y - drag_y_;
      if (dx != 0 || dy != 0) {
        if (drag_button_ == GLFW_MOUSE_BUTTON_LEFT) {
          view_.camera = view_.camera.turned(dx * kTurnPerPixel, dy * kTurnPerPixel);
        } else {
          // In fractions of what shows: a drag across the whole view moves the content across it.
          view_.pan.x -= dx / std::max(1.0f, graphics_.w) / view_.zoom;
          view_.pan.y += dy / std::max(1.0f, graphics_.h) / view_.zoom;
        }
        drag_x_ = x;
        drag_y_ = y;
      }
    }
  }
}

void DesktopFrontEnd::draw_frame() {
  if (const std::string title = window_title(); title != title_) {
    title_ = title;
    glfwSetWindowTitle(window_.handle(), title.c_str());
  }
  window_.begin_frame();
  if (window_.take_close_request()) quit_ = true;
  draw_toolbar();
  if (prompt_) draw_prompt();
  take_input();
  refresh_scene();
  take_fine_mesh(false);
  layout();
  draw_graphics();
  ImDrawList* dl = ImGui::GetBackgroundDrawList();
  draw_marks_and_axes(dl);
  draw_picked(dl);
  WindowSystem& ws = windows_;
  const HWND active = ws.active();
  for (const Placement& p : placed_) paint_window(dl, p, p.window == active && !prompt_, static_cast<float>(window_.height()));
  // The status line: progress, a message, or the keys that apply.
  const float H = static_cast<float>(window_.height()), bar = std::round(window_.font().line_h * kBarLines);
  dl->AddRectFilled(ImVec2(0, H - bar), ImVec2(static_cast<float>(window_.width()), H), IM_COL32(30, 32, 38, 255));
  std::string line = !progress_.empty() ? progress_
                     : !status_.empty() ? status_
                     : view_keys_ ? interaction::fit_hints(interaction::key_hints(interaction::HintPlace::Graphics, saving_.can_export()), kAllHints)
                                  : "Drag turns \u00b7 right-drag pans \u00b7 wheel zooms \u00b7 F2 view keys" +
                                        std::string(saving_.can_export() ? " \u00b7 F3 export" : "") +
                                        " \u00b7 Ctrl+Z undo \u00b7 F4 clear \u00b7 Tab next \u00b7 Alt+letter \u00b7 Esc cancel";
  dl->AddText(ImVec2(8, H - bar + (bar - window_.font().line_h) / 2), kStatusText, line.c_str());
  window_.end_frame();
}

void DesktopFrontEnd::idle_frame(double seconds) {
  // A frame costs the software renderer tens of milliseconds: none is drawn while nothing happens.
  if (settle_ <= 0) {
    const bool input = window_.wait(seconds);
    const bool finer = fine_job_.valid() && fine_job_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    if (!input && !finer) return;
    settle_ = input ? kSettleFrames : 1;
  }
  --settle_;
  draw_frame();
  // Input in this frame: the frames after it settle again. Once they have, with every input turned
  // into events the Zlink has taken and the fine shading in, whoever waits for the frame may look.
  if (window_.frame_had_input()) settle_ = kSettleFrames - 1;
  if (settle_ <= 0 && events_.empty() && window_.input().empty() && !fine_job_.valid()) window_.publish_drawn();
}

bool DesktopFrontEnd::screenshot(const std::string& path, std::string& err) {
  // A screenshot shows the view as it settles, not as it happens to be while the fine triangles
  // are still being made: the same script gives the same picture.
  draw_frame();
  take_fine_mesh(true);
  window_.request_capture();
  draw_frame();
  return window_.write_capture(path, err);
}

bool DesktopFrontEnd::next_event(UiEvent& event) {
  finish_plot_report();  // the command before this input is over, the plot it ran with it
  if (script_) {
    draw_frame();
    events_.clear();  // a scripted run takes its input from the script alone
    return script_->next_event(event);
  }
  settle_ = kSettleFrames;  // the frames after an event show what it did at once
  for (;;) {
    if (std::exchange(export_asked_, false)) export_command();
    if (!events_.empty()) {
      event = events_.front();
      events_.erase(events_.begin());
      refusal_.input_taken(saving_.made());
      return true;
    }
    if (quit_ || stop_signal() != 0) return false;
    // Live edit: the input that runs the plot again, and what became of the run.
    std::vector<UiEvent> live;
    std::string told;
    if (live_edit().poll(live, told)) events_.insert(events_.end(), live.begin(), live.end());
    if (!told.empty()) status_ = told;
    if (!events_.empty()) continue;
    idle_frame(live_edit().enabled() ? std::chrono::duration<double>(kLivePoll).count() : kIdleWait);
  }
}

bool DesktopFrontEnd::plot_progress(int64_t step, int64_t count) {
  const auto now = pacing_.step(step);
  bool stop = false;
  if (pacing_.draw_due(now)) {
    // The progress frame: input is only looked at for Esc, and a closed window stops the plot.
    progress_ = interaction::progress_text(step, count, 0);
    plotting_ = true;
    stop_plot_ = false;
    draw_frame();
    plotting_ = false;
    progress_.clear();
    stop = stop_plot_ || quit_;
  }
  if (interaction::signal_stops_plot() != interaction::SignalStop::None) stop = true;
  if (stop) status_ = interaction::stopped_text(step, count);
  return stop;
}

bool DesktopFrontEnd::export_command() {
  std::string path = saving_.last_path();
  const ExportWrite write = [this](const std::string& p, std::string& why) { return saving_.export_to(p, why); };
  return run_export_prompt(path, exchange::export_extensions(" "), write, status_) == PromptEnd::Answered;
}

}  // namespace orv::desktop
