// Ids of the plug-in's resources: the two dialog templates, their controls and the string table.
// The templates (kuvra_resources.cpp) and the dialogs' message maps and data exchange share these.
#pragma once

// Dialog templates.
constexpr unsigned IDD_KUVRA = 100;      // the main plot dialog, caption "Kuvra"
constexpr unsigned IDD_VARIABLES = 101;  // the variables dialog, caption "Variables"

// Buttons common to both dialogs.
constexpr int IDC_OK = 1;
constexpr int IDC_CANCEL = 2;
constexpr int IDC_HELP = 9;

// Main dialog controls.
constexpr int IDC_EDIT_EQUATION = 1012;
constexpr int IDC_OPEN_FILE = 1013;
constexpr int IDC_SET_VARIABLES = 1015;
constexpr int IDC_USE_DEGREES = 1016;
constexpr int IDC_TRACE_VARIABLES = 1017;
constexpr int IDC_ORIGIN = 1018;
constexpr int IDC_PLOT_IT = 1020;
constexpr int IDC_GEOMETRY = 1027;

// Variables dialog: the eight edits...
constexpr int IDC_NAME1 = 1010;
constexpr int IDC_LOWER1 = 1011;
constexpr int IDC_UPPER1 = 1012;
constexpr int IDC_STEP1 = 1017;
constexpr int IDC_NAME2 = 1019;
constexpr int IDC_LOWER2 = 1021;
constexpr int IDC_UPPER2 = 1023;
constexpr int IDC_STEP2 = 1025;
// ...and their labels and group boxes.
constexpr int IDC_GROUP1 = 1026;
constexpr int IDC_NAME1_LABEL = 1013;
constexpr int IDC_LOWER1_LABEL = 1014;
constexpr int IDC_UPPER1_LABEL = 1015;
constexpr int IDC_STEP1_LABEL = 1016;
constexpr int IDC_GROUP2 = 1027;
constexpr int IDC_NAME2_LABEL = 1018;
constexpr int IDC_LOWER2_LABEL = 1020;
constexpr int IDC_UPPER2_LABEL = 1022;
constexpr int IDC_STEP2_LABEL = 1024;

// String table. Entries 1..9 are the geometry list's items, in list order (item i is kind i + 4).
constexpr unsigned IDS_GEOMETRY_FIRST = 1;
constexpr int geometry_item_count = 9;
constexpr unsigned IDS_EDIT_PROMPT = 10;    // carried, not loaded
constexpr unsigned IDS_MODULE_NAME = 11;    // carried, not loaded
constexpr unsigned IDS_TRACE_FIRST = 12;    // 12..15: the trace log's texts
constexpr unsigned IDS_WARNING = 16;        // caption of the plug-in's warnings
constexpr unsigned IDS_MISSING_VARIABLE = 17;

// Bitmaps carried without being loaded.
constexpr unsigned IDB_KUVRA_24 = 1107;
constexpr unsigned IDB_KUVRA_16 = 1108;
