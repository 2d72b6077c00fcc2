// A test helper program, run by the terminal tests inside tmux: a modeless dialog written as a Zlink
// writes its dialogs (template, message map, data exchange through the host's edit fields) that
// plots a helix into the host's database, picks an origin, shows, edits and opens a text file, run
// in the host's event loop with the terminal as its input. It writes "result N reason" to the file
// named by its argument: 0 after OK, 1 after Cancel, 2 when the input ended, 3 when the terminal
// could not be used.
#include <cmath>
#include <cstdio>
#include <fstream>
#include "core/database.h"
#include "core/file_services.h"
#include "core/frontend.h"
#include "core/host_prompts.h"
#include "core/host.h"
#include "orvantis/host_dialogs.h"
#include "frontend/terminal_frontend.h"
#include "frontend/terminal_screen.h"
#include "platform/modules.h"
#include "platform/window_system.h"

namespace orv::frontend {

namespace {

constexpr UINT kDemoDone = WM_APP + 40;
constexpr UINT kDemoTemplate = 900;

const ControlTemplate kDemoControls[] = {
    {1010, CTL_GROUPBOX, "Helix", 6, 4, 112, 80, WS_VISIBLE},
    {1011, CTL_STATIC, "&Radius", 14, 17, 46, 10, WS_VISIBLE},
    {1001, CTL_EDIT, "", 62, 16, 48, 12, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL},
    {1012, CTL_STATIC, "T&urns", 14, 33, 46, 10, WS_VISIBLE},
    {1002, CTL_EDIT, "", 62, 32, 48, 12, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL},
    {1003, CTL_AUTOCHECKBOX, "Show &marks", 14, 50, 90, 9, WS_VISIBLE | WS_TABSTOP},
    {1013, CTL_STATIC, "Origin 0, 0, 0", 14, 64, 96, 10, WS_VISIBLE},
    {1004, CTL_DROPDOWNLIST, "", 12, 90, 100, 60, WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST},
    {1005, CTL_PUSHBUTTON, "&Plot it", 12, 108, 100, 14, WS_VISIBLE | WS_TABSTOP},
    {1006, CTL_PUSHBUTTON, "Ori&gin", 12, 126, 48, 14, WS_VISIBLE | WS_TABSTOP},
    {1007, CTL_PUSHBUTTON, "&Notes", 64, 126, 48, 14, WS_VISIBLE | WS_TABSTOP},
    {1008, CTL_PUSHBUTTON, "&Edit", 12, 144, 48, 14, WS_VISIBLE | WS_TABSTOP},
    {1009, CTL_PUSHBUTTON, "Open &file", 64, 144, 48, 14, WS_VISIBLE | WS_TABSTOP},
    {1, CTL_OWNERDRAW_BUTTON, "&OK", 3, 168, 36, 18, WS_VISIBLE | WS_TABSTOP},
    {2, CTL_OWNERDRAW_BUTTON, "&Cancel", 42, 168, 36, 18, WS_VISIBLE | WS_TABSTOP},
    {9, CTL_OWNERDRAW_BUTTON, "&Help", 81, 168, 36, 18, WS_VISIBLE | WS_TABSTOP},
};
const DialogTemplate kDemoDialogs[] = {
    {static_cast<int32_t>(kDemoTemplate), "Helix demo", 124, 192, 8, "MS Sans Serif",
     WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, kDemoControls,
     static_cast<int32_t>(sizeof kDemoControls / sizeof kDemoControls[0])},
};
const StringEntry kDemoStrings[] = {{1, "Helix"}, {2, "Helix with marks"}, {3, "Spiral"}};
const ResourceTable kDemoResources = {kResourceFormatVersion, kDemoDialogs, 1, kDemoStrings, 3};

// Stores a helix (or a flat spiral) through `n` points as a spline, with marks when asked: as a
// Zlink does, through the services of the installed Host.
void plot_helix(double radius, double turns, bool spiral, bool marks, const double origin[3]) {
  GeometryDatabase& db = host().database;
  db.clear();
  int n = std::max(8, static_cast<int>(turns * 24)) + 1;
  std::vector<std::array<double, 3>> pts;
  for (int i = 0; i < n; ++i) {
    double t = turns * 2 * M_PI * i / (n - 1);
    double r = spiral ? radius * (0.2 + 0.8 * i / (n - 1)) : radius;
    pts.push_back({origin[0] + r * std::cos(t), origin[1] + r * std::sin(t),
                   origin[2] + (spiral ? 0.0 : radius * 0.35 * t / (2 * M_PI))});
  }
  std::vector<pt_3d> buf(pts.size());
  for (std::size_t i = 0; i < pts.size(); ++i) {
    for (int k = 0; k < 3; ++k) buf[i][k] = pts[i][k];
    if (marks) draw_3d_point(buf[i], 14);
  }
  db_list_ent_type* entry = nullptr;
  char ok = 0;
  make_spline_from_pts(buf.data(), static_cast<int32_t>(buf.size()), main_color, main_level, 1, buf.back(), 1,
                       buf.back(), 0, &entry, &ok);
}

class DemoDialog : public QXDialog {
 public:
  explicit DemoDialog(CWnd* parent) : QXDialog(kDemoTemplate, parent, 17, false, 1) {}

  QXReal radius, turns;
  int marks = 0;
  CComboBox kinds;
  double origin[3] = {0, 0, 0};
  std::string notes_path;

 protected:
  void DoDataExchange(CDataExchange* pDX) override {
    QXDialog::DoDataExchange(pDX);
    DDX_ProcessEditReal(pDX, 1001, radius);
    DDX_ProcessEditReal(pDX, 1002, turns);
    DDX_Check(pDX, 1003, marks);
    DDX_Control(pDX, 1004, kinds);
  }
  BOOL OnInitDialog() override {
    QXDialog::OnInitDialog();
    radius.SetBounds(0.001, 1000);
    radius.value = 1;
    turns.SetBounds(0.25, 50);
    turns.value = 3;
    char text[64];
    for (UINT id = 1; id <= 3; ++id) {
      if (AfxLoadString(id, text, sizeof text) > 0) kinds.AddString(text);
    }
    kinds.SetCurSel(0);
    UpdateData(FALSE);
    ShowWindow(SW_SHOWNORMAL);
    return TRUE;
  }
  void OnPlotIt() {
    if (!UpdateData(TRUE)) return;
    int kind = kinds.GetCurSel();
    plot_helix(radius.value, turns.value, kind == 2, marks != 0 || kind == 1, origin);
  }
  void OnOrigin() {
    ShowWindow(SW_HIDE);
    std::array<double, 3> p{origin[0], origin[1], origin[2]};
    bool picked = front_end() && front_end()->point_proc("", p);
    ShowWindow(SW_SHOWNORMAL);
    if (picked) {
      for (int k = 0; k < 3; ++k) origin[k] = p[k];
      SetDlgItemText(1013, ("Origin " + format_point(p)).c_str());
    }
  }
  void OnNotes() {
    if (front_end()) front_end()->list_filename(notes_path);
  }
  void OnEdit() {
    if (front_end()) front_end()->edit_filename(notes_path);
  }
  void OnOpenFile() {
    std::string path = notes_path;
    if (!front_end() || !front_end()->PromptForFileToOpen(path, "r", ".txt", m_hWnd)) return;
    std::size_t slash = path.find_last_of('/');
    SetDlgItemText(1013, ("File " + path.substr(slash == std::string::npos ? 0 : slash + 1)).c_str());
  }
  void OnOkClicked() {
    if (!UpdateData(TRUE)) return;
    PostMessageA(nullptr, kDemoDone, 1, 0);
    DestroyWindow();
  }
  void OnCancelCommand() override {
    PostMessageA(nullptr, kDemoDone, 0, 0);
    DestroyWindow();
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DemoDialog, QXDialog)
  ON_BN_CLICKED(1005, &DemoDialog::OnPlotIt)
  ON_BN_CLICKED(1006, &DemoDialog::OnOrigin)
  ON_BN_CLICKED(1007, &DemoDialog::OnNotes)
  ON_BN_CLICKED(1008, &DemoDialog::OnEdit)
  ON_BN_CLICKED(1009, &DemoDialog::OnOpenFile)
  ON_BN_CLICKED(1, &DemoDialog::OnOkClicked)
END_MESSAGE_MAP()

}  // namespace

static int run_terminal_demo(std::string& err) {
  Host host;
  UseHost use_host(host);
  HINSTANCE module = register_module("terminal-demo", &kDemoResources);
  HINSTANCE previous = AfxGetResourceHandle();
  AfxSetResourceHandle(module);

  std::string notes = temp_dir() + "notes.txt";
  {
    std::ofstream out(notes);
    out << "Helix demo\n\nThe dialog on the right plots a helix into the graphics window.\n";
    for (int i = 1; i <= 60; ++i) out << "note line " << i << (i == 42 ? "  the answer" : "") << "\n";
  }

  TerminalScreen screen;
  if (!screen.open(err)) {
    AfxSetResourceHandle(previous);
    unregister_module(module);
    return 3;
  }
  TerminalFrontEnd terminal(screen, host.database, host.windows);
  InputSource* old_source = install_input_source(&terminal);
  FrontEnd* old_front = install_front_end(&terminal);

  const double origin[3] = {0, 0, 0};
  plot_helix(1, 3, false, false, origin);
  int result = 2;
  {
    DemoDialog dialog(get_MainFrame());
    dialog.notes_path = notes;
    if (dialog.Create(kDemoTemplate)) {
      for (;;) {
        QXEvent ev;
        char ok = 1;
        int code = get_event("*", &ev, 0x8200, 0, 0, &ok);
        if (code == QX_EVENT_ENDED || ok == 0) break;
        if (ev.kind == QX_EVENT_MESSAGE && ev.message == static_cast<int32_t>(kDemoDone)) {
          result = ev.value == 1 ? 0 : 1;
          break;
        }
      }
    } else {
      err = "the demo dialog could not be made";
      result = 3;
    }
  }
  install_front_end(old_front);
  install_input_source(old_source);
  screen.close();
  std::remove(notes.c_str());
  AfxSetResourceHandle(previous);
  unregister_module(module);
  return result;
}

}  // namespace orv::frontend

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s RESULT_FILE\n", argv[0]);
    return 2;
  }
  std::string err;
  int result = orv::frontend::run_terminal_demo(err);
  std::ofstream(argv[1]) << "result " << result << " " << err << "\n";
  return 0;
}
