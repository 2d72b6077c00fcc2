// The host's dialog and event services that the Zlink calls; implemented by the host.
// QXDialog is the base of a Zlink's dialogs: it takes the template id, creates the window from the
// current resource module, exchanges data to the controls at initialisation, answers Help (id 9) and
// draws owner-drawn buttons. Edit fields are exchanged through QXReal and QXString, whose exchange
// validates and reports a bad entry in the host's own words. get_event is the host's event poll;
// the host's message processing runs inside it.
//
//   class COptionsMenu : public QXDialog {
//    public:
//     explicit COptionsMenu(CWnd* parent) : QXDialog(100, parent, 17, false, 1) {}
//     ...
//     DECLARE_MESSAGE_MAP()
//   };
//   BEGIN_MESSAGE_MAP(COptionsMenu, QXDialog)
//     ON_BN_CLICKED(1020, &COptionsMenu::OnPlotIt)
//   END_MESSAGE_MAP()
//
//   QXEvent ev; char ok = 1;
//   int code = get_event("*", &ev, 0x8200, 0, 0, &ok);   // 2 or ok == 0: input has ended
//   if (ev.kind == QX_EVENT_MESSAGE && ev.value == 1) ...  // a posted thread message, wParam 1
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include "orvantis/afx.h"

/// The host's dialog: OnOK ends a modal run with IDOK.
class UIDialog : public CDialog {
 public:
  UIDialog(UINT nIDTemplate, CWnd* pParentWnd);
  CRuntimeClass* GetRuntimeClass() const override;
  virtual void OnSetFont(void* font);
  void OnOK() override;
};

/// The base of a Zlink's dialogs. `helpKind`, `resizable` and `placement` select the host's frame,
/// placement and help; dialogs of Zlinks pass 17, false and 1.
class QXDialog : public UIDialog {
 public:
  QXDialog(UINT nIDTemplate, CWnd* pParentWnd, short helpKind = 17, bool resizable = false,
           int placement = 1);
  ~QXDialog() override;

  /// Exchanges the data to the controls (which binds control members) and returns TRUE.
  BOOL OnInitDialog() override;
  void DoDataExchange(CDataExchange* pDX) override;
  BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo) override;
  /// Destroys the window; the object lives on.
  BOOL DestroyWindow() override;
  BOOL PreTranslateMessage(MSG* pMsg) override;
  /// The name under which the host keeps the window's placement.
  virtual const char* GetWndPosRegName();
  /// Shows the dialog's help (a message box describing its controls and keys).
  virtual void LaunchHelp();

  short m_helpKind;
  bool m_resizable;
  int m_placement;

 protected:
  void OnHelpButton();
  DECLARE_MESSAGE_MAP()
};

/// A number field: bounds and value. The value changes only on a successful exchange.
class QXReal {
 public:
  double lower = -1e38;
  double upper = 1e38;
  double value = 0.0;
  void SetBounds(double lo, double hi) { lower = lo; upper = hi; }
};

/// A text field.
class QXString {
 public:
  std::string text;
  QXString& operator=(const char* s) { text = s ? s : ""; return *this; }
  const char* c_str() const { return text.c_str(); }
};

/// Edit `nIDC` and a number field. To the controls: the value in the host's number format. From the
/// controls: a text that is not a number, or a number outside [lower, upper], is reported in a
/// message box and fails the exchange (UpdateData returns FALSE, the value is unchanged).
void DDX_ProcessEditReal(CDataExchange* pDX, int nIDC, QXReal& field);
void DDX_ProcessEditReal(CDataExchange* pDX, int nIDC, QXReal* field);
/// Edit `nIDC` and a text field, in both directions.
void DDX_ProcessEditString(CDataExchange* pDX, int nIDC, QXString& field);
void DDX_ProcessEditString(CDataExchange* pDX, int nIDC, QXString* field);

/// Shows a modal message with an OK button; returns IDOK when the user has dismissed it.
int message_box_ok(const char* text, const char* caption, int style, HWND parent);

/// The host's main frame window (its graphics window); the parent of a Zlink's main dialog.
CWnd* get_MainFrame();

/// A host event. Only `kind` (byte 4) and `value` (byte 332) are part of the contract.
struct QXEvent {
  int32_t source = 0;
  int32_t kind = 0;          // QX_EVENT_*
  int32_t key = 0;
  int32_t flags = 0;
  double position[3] = {0, 0, 0};
  char text[256] = {};
  char reserved[36] = {};
  int32_t value = 0;         // kind QX_EVENT_MESSAGE: the message's wParam
  int32_t message = 0;       // kind QX_EVENT_MESSAGE: the message
};
static_assert(offsetof(QXEvent, kind) == 4, "kind at byte 4");
static_assert(offsetof(QXEvent, value) == 332, "value at byte 332");
static_assert(sizeof(QXEvent) >= 336, "the host's event record");

constexpr int32_t QX_EVENT_NONE = 0;
constexpr int32_t QX_EVENT_MESSAGE = 512;  // a posted thread message

constexpr int QX_EVENT_OK = 0;     // an event was delivered
constexpr int QX_EVENT_ENDED = 2;  // the input has ended: stop polling

/// Waits for the next host event, dispatching dialog messages and input meanwhile. A thread message
/// (PostMessageA with no window) comes back as kind QX_EVENT_MESSAGE with its wParam as value, and
/// QX_EVENT_OK with `*ok` = 1. When the input has ended: QX_EVENT_ENDED with `*ok` = 0.
int get_event(const char* prompt, QXEvent* event, int mask, int a, int b, char* ok);
