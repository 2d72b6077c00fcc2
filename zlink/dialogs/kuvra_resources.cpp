// The plug-in's resources as data: the main dialog (100), the Variables dialog (101), the string
// table and the plug-in's icon at 24 x 24 (1107) and 16 x 16 (1108). The host's loader finds them
// through the exported table `zlink_resources`; templates and strings load from here whenever the
// plug-in's module is the current resource module. The icon is drawn at compile time, so it is a
// few lines of geometry rather than a table of pixels.
#include <array>

#include "orvantis/resource_format.h"
#include "dialogs/resource_ids.h"
#include "geometry/trace_log.h"

// The trace log names its strings by number without seeing this table's ids: keep them in step.
static_assert(string_angles == IDS_TRACE_FIRST && string_radians == IDS_TRACE_FIRST + 1 &&
              string_degrees == IDS_TRACE_FIRST + 2 && string_step == IDS_TRACE_FIRST + 3);
static_assert(string_warning == IDS_WARNING && string_not_found == IDS_MISSING_VARIABLE);

namespace {
constexpr uint32_t dialog_style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr uint32_t button_style = WS_VISIBLE | WS_TABSTOP;
constexpr uint32_t edit_style = WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
constexpr uint32_t label_style = WS_VISIBLE | SS_LEFT;

// Main dialog, in tab order. Not visible at creation: OnInitDialog shows it once it is filled.
const ControlTemplate kuvra_controls[] = {
    {IDC_EDIT_EQUATION, CTL_PUSHBUTTON, "&Edit equation", 24, 18, 70, 14, button_style},
    {IDC_OPEN_FILE, CTL_PUSHBUTTON, "Ope&n file", 24, 36, 70, 14, button_style},
    {IDC_SET_VARIABLES, CTL_PUSHBUTTON, "Set &variables", 24, 55, 70, 14, button_style},
    {IDC_USE_DEGREES, CTL_AUTOCHECKBOX, "Use &degrees", 26, 77, 71, 9, button_style},
    {IDC_TRACE_VARIABLES, CTL_AUTOCHECKBOX, "&Trace variables", 26, 95, 71, 9, button_style},
    {IDC_ORIGIN, CTL_PUSHBUTTON, "Or&igin", 24, 112, 70, 14, button_style},
    {IDC_GEOMETRY, CTL_DROPDOWNLIST, "", 23, 134, 73, 60, button_style | WS_VSCROLL | CBS_DROPDOWNLIST},
    {IDC_PLOT_IT, CTL_PUSHBUTTON, "&Plot it", 24, 154, 70, 14, button_style},
    {IDC_OK, CTL_OWNERDRAW_BUTTON, "&OK", 3, 183, 36, 18, button_style},
    {IDC_CANCEL, CTL_OWNERDRAW_BUTTON, "&Cancel", 42, 183, 36, 18, button_style},
    {IDC_HELP, CTL_OWNERDRAW_BUTTON, "&Help", 81, 183, 36, 18, button_style},
};

// Variables dialog, in template order: variable 1's step-size edit stands after the second group
// box, as it always has; Tab still goes through the edits 1010, 1011, 1012, 1017, 1019, ...
const ControlTemplate variables_controls[] = {
    {IDC_GROUP1, CTL_GROUPBOX, "Variable 1", 9, 9, 212, 82, WS_VISIBLE},
    {IDC_NAME1_LABEL, CTL_STATIC, "Name", 19, 22, 93, 10, label_style},
    {IDC_NAME1, CTL_EDIT, "", 147, 23, 49, 12, edit_style},
    {IDC_LOWER1_LABEL, CTL_STATIC, "Lower limit", 19, 38, 93, 10, label_style},
    {IDC_LOWER1, CTL_EDIT, "", 148, 39, 48, 12, edit_style},
    {IDC_UPPER1_LABEL, CTL_STATIC, "Upper limit", 19, 54, 93, 10, label_style},
    {IDC_UPPER1, CTL_EDIT, "", 148, 55, 48, 12, edit_style},
    {IDC_STEP1_LABEL, CTL_STATIC, "Step size", 19, 70, 93, 10, label_style},
    {IDC_GROUP2, CTL_GROUPBOX, "Variable 2", 9, 96, 212, 82, WS_VISIBLE},
    {IDC_STEP1, CTL_EDIT, "", 148, 71, 48, 12, edit_style},
    {IDC_NAME2_LABEL, CTL_STATIC, "Name", 19, 111, 93, 10, label_style},
    {IDC_NAME2, CTL_EDIT, "", 148, 112, 48, 12, edit_style},
    {IDC_LOWER2_LABEL, CTL_STATIC, "Lower limit", 19, 127, 93, 10, label_style},
    {IDC_LOWER2, CTL_EDIT, "", 148, 128, 48, 12, edit_style},
    {IDC_UPPER2_LABEL, CTL_STATIC, "Upper limit", 19, 143, 93, 10, label_style},
    {IDC_UPPER2, CTL_EDIT, "", 148, 144, 48, 12, edit_style},
    {IDC_STEP2_LABEL, CTL_STATIC, "Step size", 19, 159, 93, 10, label_style},
    {IDC_STEP2, CTL_EDIT, "", 148, 160, 48, 12, edit_style},
    {IDC_OK, CTL_OWNERDRAW_BUTTON, "&OK", 114, 182, 36, 18, button_style},
    {IDC_CANCEL, CTL_OWNERDRAW_BUTTON, "&Cancel", 154, 182, 36, 18, button_style},
    {IDC_HELP, CTL_OWNERDRAW_BUTTON, "&Help", 193, 182, 36, 18, button_style},
};

template <typename T, int N>
constexpr int32_t count_of(const T (&)[N]) { return N; }

const DialogTemplate dialogs[] = {
    {IDD_KUVRA, "Kuvra", 124, 210, 8, "MS Sans Serif", dialog_style, kuvra_controls,
     count_of(kuvra_controls)},
    {IDD_VARIABLES, "Variables", 234, 207, 8, "MS Sans Serif", dialog_style | WS_VISIBLE,
     variables_controls, count_of(variables_controls)},
};

// ORDER GEOMETRY: entries 1..9 are the geometry list's items, kind = entry + 3.
const StringEntry strings[] = {
    {1, "Draw Spline"},
    {2, "Points"},
    {3, "Lines"},
    {4, "Parametric Spline"},
    {5, "NURB Spline"},
    {6, "Draw Surface"},
    {7, "Surface Points"},
    {8, "Parametric Surface"},
    {9, "NURB Surface"},
    {IDS_EDIT_PROMPT, "Edit the Equation:"},
    {IDS_MODULE_NAME, "Orvantis Kuvra Zlink\nKuvra"},
    {12, "Angles :"},
    {13, " Radians"},
    {14, " Degrees"},
    {15, " step = "},
    {IDS_WARNING, "Warning"},
    {IDS_MISSING_VARIABLE, "not found in equation"},
};
static_assert(count_of(strings) == 17, "string-table entries 1 to 17");

// The icon's 256 colours: a light checkerboard that reads as transparent, the green curve, the dark
// dots, then a 6 x 6 x 6 colour cube and a ramp of greys to fill the palette.
enum : uint8_t { checker_light, checker_white, curve_green, dot_dark, first_cube_colour };
constexpr std::array<BitmapColor, kBitmapMaxColors> make_palette() {
  std::array<BitmapColor, kBitmapMaxColors> p{};
  p[checker_light] = {204, 204, 204};
  p[checker_white] = {255, 255, 255};
  p[curve_green] = {0, 160, 0};
  p[dot_dark] = {32, 32, 32};
  int i = first_cube_colour;
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        p[i++] = {static_cast<uint8_t>(r * 51), static_cast<uint8_t>(g * 51), static_cast<uint8_t>(b * 51)};
  for (int level = 0; i < kBitmapMaxColors; ++level) {
    auto v = static_cast<uint8_t>(level * 255 / (kBitmapMaxColors - 1 - first_cube_colour - 216));
    p[i++] = {v, v, v};
  }
  return p;
}
constexpr std::array<BitmapColor, kBitmapMaxColors> icon_palette = make_palette();

// Row (from the top) of the curve at column x of an n x n icon: a parabola rising to the right.
constexpr double curve_row(int n, double x) {
  double u = x / (n - 1);
  return (n - 1) * (0.85 - 0.7 * u * u);
}

constexpr int nearest(double v) { return static_cast<int>(v < 0 ? v - 0.5 : v + 0.5); }

// An n x n icon: the curve through three dots at a sixth, a half and five sixths of the width, on
// the checkerboard.
template <int N>
constexpr std::array<uint8_t, N * N> make_icon() {
  std::array<uint8_t, N * N> px{};
  const int cell = N / 6;
  const double half_width = N / 48.0;  // the curve is about N / 24 pixels thick
  const double radius = N / 10.0;
  for (int y = 0; y < N; ++y)
    for (int x = 0; x < N; ++x) {
      uint8_t c = (x / cell + y / cell) % 2 ? checker_white : checker_light;
      double a = curve_row(N, x - 0.5), b = curve_row(N, x + 0.5);
      if (y >= nearest((a < b ? a : b) - half_width) && y <= nearest((a < b ? b : a) + half_width)) c = curve_green;
      for (int k = 1; k <= 5; k += 2) {
        double dx = x - (N - 1) * k / 6.0, dy = y - curve_row(N, (N - 1) * k / 6.0);
        if (dx * dx + dy * dy <= radius * radius) c = dot_dark;
      }
      px[y * N + x] = c;
    }
  return px;
}
constexpr std::array<uint8_t, 24 * 24> icon_24 = make_icon<24>();
constexpr std::array<uint8_t, 16 * 16> icon_16 = make_icon<16>();

const BitmapResource bitmaps[] = {
    {IDB_KUVRA_24, 24, 24, icon_palette.data(), kBitmapMaxColors, icon_24.data(), 24 * 24},
    {IDB_KUVRA_16, 16, 16, icon_palette.data(), kBitmapMaxColors, icon_16.data(), 16 * 16},
};
}  // namespace

extern "C" const ResourceTable zlink_resources = {kResourceFormatVersion, dialogs, count_of(dialogs),
                                                  strings, count_of(strings), bitmaps, count_of(bitmaps)};
