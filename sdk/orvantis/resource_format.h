// How a module declares its resources as data: dialog templates (sizes and places in dialog units,
// controls in tab order), a string table and palette bitmaps. Plain constant records, so a Zlink's resources are a
// table in a .cpp file and need no resource compiler.
//
// The loader finds a Zlink's resources by the exported symbol `zlink_resources`:
//
//   static const ControlTemplate kVariablesControls[] = {
//     {1026, CTL_GROUPBOX, "Variable 1", 9, 9, 212, 82, WS_VISIBLE},
//     {1010, CTL_EDIT, "", 147, 23, 49, 12, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL},
//     {1, CTL_OWNERDRAW_BUTTON, "&OK", 114, 182, 36, 18, WS_VISIBLE | WS_TABSTOP},
//   };
//   static const DialogTemplate kDialogs[] = {
//     {101, "Variables", 234, 207, 8, "MS Sans Serif", WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE,
//      kVariablesControls, 3},
//   };
//   static const StringEntry kStrings[] = {{1, "Draw Spline"}, {2, "Points"}};
//   extern "C" const ResourceTable zlink_resources = {kResourceFormatVersion, kDialogs, 1, kStrings, 2};
//
// or, with bitmaps, {kResourceFormatVersion, kDialogs, 1, kStrings, 2, kBitmaps, 1}.
//
// The text of a control marks its accelerator with "&" ("&&" for a literal ampersand). A control
// without WS_VISIBLE starts hidden; one without WS_TABSTOP is skipped by Tab (static texts and group
// boxes never take the focus); WS_DISABLED starts it disabled. A dialog without WS_VISIBLE is created
// hidden and shown by its own OnInitDialog.
//
// A bitmap is a palette of up to 256 colours and one palette index a pixel, rows from the top. The
// bitmap members of the table come last and default to none, so a table without bitmaps is written
// as before; a table of format 1 ends before them and is read as having none.
#pragma once
#include <cstdint>

enum ControlClass : int32_t {
  CTL_PUSHBUTTON = 1,
  CTL_OWNERDRAW_BUTTON = 2,  // a push button the host draws
  CTL_AUTOCHECKBOX = 3,      // toggles itself when clicked
  CTL_EDIT = 4,
  CTL_STATIC = 5,            // static text
  CTL_GROUPBOX = 6,
  CTL_DROPDOWNLIST = 7,      // drop-down list combo box (no typing)
  CTL_LISTBOX = 8,           // a list of items always shown, scrolled to keep its selection in view
};

// Style flags (the Windows values).
constexpr uint32_t WS_POPUP = 0x80000000u;
constexpr uint32_t WS_VISIBLE = 0x10000000u;
constexpr uint32_t WS_DISABLED = 0x08000000u;
constexpr uint32_t WS_CAPTION = 0x00C00000u;
constexpr uint32_t WS_BORDER = 0x00800000u;
constexpr uint32_t WS_VSCROLL = 0x00200000u;
constexpr uint32_t WS_SYSMENU = 0x00080000u;
constexpr uint32_t WS_GROUP = 0x00020000u;
constexpr uint32_t WS_TABSTOP = 0x00010000u;
constexpr uint32_t DS_MODALFRAME = 0x00000080u;
constexpr uint32_t DS_SETFONT = 0x00000040u;
constexpr uint32_t ES_AUTOHSCROLL = 0x00000080u;
constexpr uint32_t SS_LEFT = 0x00000000u;
constexpr uint32_t CBS_DROPDOWNLIST = 0x00000003u;
constexpr uint32_t CBS_SORT = 0x00000100u;

struct ControlTemplate {
  int32_t id;
  ControlClass kind;
  const char* text;  // with "&" before the accelerator; "" for none
  int16_t x, y, cx, cy;  // dialog units
  uint32_t style;
};

struct DialogTemplate {
  int32_t id;
  const char* caption;
  int16_t cx, cy;  // dialog units
  int16_t font_size;
  const char* font;
  uint32_t style;
  const ControlTemplate* controls;  // in tab order
  int32_t control_count;
};

struct StringEntry {
  int32_t id;
  const char* text;
};

struct BitmapColor {
  uint8_t red, green, blue;
};

constexpr int32_t kBitmapMaxColors = 256;

struct BitmapResource {
  int32_t id;
  int32_t width, height;       // pixels
  const BitmapColor* palette;  // color_count entries, at most kBitmapMaxColors
  int32_t color_count;
  const uint8_t* pixels;       // pixel_count = width * height palette indexes, row by row from the top
  int32_t pixel_count;
};

/// Format 2 added the bitmaps; the loader still reads format 1 tables, which have none.
constexpr int32_t kResourceFormatVersion = 2;
constexpr int32_t kResourceFormatFirstWithBitmaps = 2;

struct ResourceTable {
  int32_t format_version;  // kResourceFormatVersion
  const DialogTemplate* dialogs;
  int32_t dialog_count;
  const StringEntry* strings;
  int32_t string_count;
  const BitmapResource* bitmaps = nullptr;
  int32_t bitmap_count = 0;
};

/// The symbol the loader looks up in a Zlink for its resources.
inline constexpr char kResourceSymbol[] = "zlink_resources";
