// The subset of the Windows-style dialog framework that the Zlink uses; implemented by the host.
// Classes and names are the framework's usual ones (CWnd, CDialog, CComboBox, message maps, data
// exchange, extension modules), so a dialog is written exactly as it would be for the real thing:
//
//   class CVariablesMenu : public QXDialog {               // QXDialog: orvantis/host_dialogs.h
//    public:
//     explicit CVariablesMenu(CWnd* parent) : QXDialog(101, parent, 17, false, 1) {}
//    protected:
//     void DoDataExchange(CDataExchange* pDX) override {
//       QXDialog::DoDataExchange(pDX);
//       DDX_ProcessEditReal(pDX, 1011, lower1);
//     }
//     BOOL OnInitDialog() override;
//     void OnCommitLower1();
//     DECLARE_MESSAGE_MAP()
//   };
//
//   BEGIN_MESSAGE_MAP(CVariablesMenu, QXDialog)
//     ON_EN_KILLFOCUS(1011, &CVariablesMenu::OnCommitLower1)
//     ON_BN_CLICKED(1, &CVariablesMenu::OnOkClicked)
//   END_MESSAGE_MAP()
//
// Handlers are written `&Class::Handler`. A WM_COMMAND goes to the first
// matching entry of the class's map, then of its base maps in turn; CDialog's own map sends IDOK to
// the virtual OnOK and IDCANCEL to the virtual OnCancelCommand, whose default calls OnCancel.
// The close box and Esc both arrive as IDCANCEL. Nothing here throws into the caller: a failed data
// exchange makes UpdateData return FALSE.
#pragma once
#include <cstddef>
#include "orvantis/win_types.h"

class CWnd;
class CDataExchange;

// ---- Run-time class information (names only; no dynamic creation) ----
struct CRuntimeClass {
  const char* m_lpszClassName;
  int m_nObjectSize;
  const CRuntimeClass* m_pBaseClass;
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual CRuntimeClass* GetRuntimeClass() const;
};

// ---- Message maps ----
class CCmdTarget;
using AFX_PMSG = void (CCmdTarget::*)();

struct AFX_MSGMAP_ENTRY {
  UINT nMessage;  // WM_COMMAND; 0 ends the table
  UINT nCode;     // notification code (BN_CLICKED, CBN_SELCHANGE, EN_KILLFOCUS, ...)
  UINT nID;       // control id
  AFX_PMSG pfn;   // member handler, no arguments, no result
};

struct AFX_MSGMAP {
  const AFX_MSGMAP* (*pfnGetBaseMap)();  // null for the root map
  const AFX_MSGMAP_ENTRY* lpEntries;
};

#define DECLARE_MESSAGE_MAP()                       \
 protected:                                         \
  static const AFX_MSGMAP* GetThisMessageMap();     \
  const AFX_MSGMAP* GetMessageMap() const override; \
                                                    \
 public:

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                        \
  const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); }  \
  const AFX_MSGMAP* theClass::GetThisMessageMap() {                                   \
    typedef theClass ThisClass;                                                       \
    typedef baseClass TheBaseClass;                                                   \
    static_assert(sizeof(ThisClass) > 0, "complete class");                          \
    static const AFX_MSGMAP_ENTRY _messageEntries[] = {

#define AFX_MSG_ENTRY_(code, id, memberFxn) \
  {WM_COMMAND, (UINT)(code), (UINT)(id), static_cast<AFX_PMSG>(memberFxn)},

#define ON_COMMAND(id, memberFxn) AFX_MSG_ENTRY_(BN_CLICKED, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) AFX_MSG_ENTRY_(BN_CLICKED, id, memberFxn)
#define ON_CBN_SELCHANGE(id, memberFxn) AFX_MSG_ENTRY_(CBN_SELCHANGE, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) AFX_MSG_ENTRY_(EN_KILLFOCUS, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) AFX_MSG_ENTRY_(EN_SETFOCUS, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) AFX_MSG_ENTRY_(EN_CHANGE, id, memberFxn)

#define END_MESSAGE_MAP()                                                        \
  {0, 0, 0, nullptr}                                                             \
  }                                                                              \
  ;                                                                              \
  static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, &_messageEntries[0]}; \
  return &messageMap;                                                            \
  }

class CCmdTarget : public CObject {
 public:
  /// Runs the handler of the first entry for (WM_COMMAND, code, id) in this object's maps;
  /// TRUE when one ran.
  virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, void* pHandlerInfo);

 protected:
  static const AFX_MSGMAP* GetThisMessageMap();
  virtual const AFX_MSGMAP* GetMessageMap() const;
};

// ---- Windows ----
class CWnd : public CCmdTarget {
 public:
  HWND m_hWnd = nullptr;

  CWnd();
  /// A window object still attached to its window destroys a top-level window; a control object
  /// only lets go of its control.
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return m_hWnd; }

  /// The permanent object of a window, or a host-kept object standing for it; null for no window.
  static CWnd* FromHandle(HWND window);
  /// The window that has the keyboard focus, or null.
  static CWnd* GetFocus();
  /// Gives this window the focus; returns the window that had it (or null).
  CWnd* SetFocus();

  virtual BOOL DestroyWindow();
  CWnd* GetDlgItem(int nID) const;
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;
  BOOL ShowWindow(int nCmdShow);
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL bEnable = TRUE);
  BOOL IsWindowEnabled() const;

  void SetWindowText(LPCSTR text);
  int GetWindowText(LPSTR buffer, int size) const;
  int GetWindowTextLength() const;
  void SetDlgItemText(int nID, LPCSTR text);
  int GetDlgItemText(int nID, LPSTR buffer, int size) const;
  void CheckDlgButton(int nID, UINT nCheck);
  UINT IsDlgButtonChecked(int nID) const;

  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

  /// Exchanges data between controls and members through DoDataExchange: to the members (TRUE,
  /// validating) or to the controls (FALSE). FALSE when the exchange failed; never throws.
  BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

  /// Attaches this object to control `nID` of `parent` (what DDX_Control does).
  BOOL SubclassDlgItem(UINT nID, CWnd* parent);
  HWND Detach();

  /// The window's default processing of the message being handled (none outside a handler).
  LRESULT Default();

  /// Processes one message: commands go through OnCommand and the message maps, the rest to the
  /// default processing.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  virtual BOOL PreTranslateMessage(MSG* pMsg);
  virtual void DoDataExchange(CDataExchange* pDX);
  /// Called after the window has been destroyed; the object lives on.
  virtual void PostNcDestroy() {}
};

// ---- Controls ----
class CButton : public CWnd {
 public:
  int GetCheck() const;
  void SetCheck(int nCheck);
};

class CEdit : public CWnd {
 public:
  void SetSel(int nStartChar, int nEndChar);
};

class CComboBox : public CWnd {
 public:
  /// Appends an item; returns its index, or CB_ERR.
  int AddString(LPCSTR text);
  int InsertString(int index, LPCSTR text);
  int DeleteString(UINT index);
  void ResetContent();
  int GetCount() const;
  /// The selected item's index, or CB_ERR when none is selected.
  int GetCurSel() const;
  /// Selects item `index`; an index outside the list clears the selection and returns CB_ERR.
  int SetCurSel(int index);
  /// Copies item `index` into `buffer` (NUL-terminated); its length, or CB_ERR.
  int GetLBText(int index, LPSTR buffer) const;
  int GetLBTextLen(int index) const;
};

// ---- Data exchange ----
class CDataExchange {
 public:
  CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);
  BOOL m_bSaveAndValidate;  // TRUE: controls to members, validating
  CWnd* m_pDlgWnd;

  /// The control of `nIDC`, remembered as the one to return to when the exchange fails.
  HWND PrepareCtrl(int nIDC);
  HWND PrepareEditCtrl(int nIDC);
  /// Ends the exchange as failed; the focus goes back to the last prepared edit, its text selected.
  /// UpdateData returns FALSE: the failure never reaches the caller as an exception.
  [[noreturn]] void Fail();

  HWND m_hWndLastControl = nullptr;
  BOOL m_bEditLastControl = FALSE;
};

/// A check box and an int (0 or 1).
void DDX_Check(CDataExchange* pDX, int nIDC, int& value);
/// Binds a control object to control `nIDC` the first time.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
/// An edit and a text buffer of `size` bytes (cut to size-1 characters).
void DDX_Text(CDataExchange* pDX, int nIDC, char* value, int size);

// ---- Dialogs ----
class CDialog : public CWnd {
 public:
  CDialog();
  CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  ~CDialog() override;

  /// Creates the window modeless from dialog template `nIDTemplate` of the current resource
  /// module; `pParentWnd` null means the parent given at construction. FALSE when the template
  /// does not exist or the window already does.
  BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
  /// Runs the dialog modally from its template until EndDialog or its window's end; returns the
  /// result (IDCANCEL when input ended, -1 when the dialog could not be made).
  virtual intptr_t DoModal();
  /// Ends a modal run with `nResult`, hiding the window; for a modeless dialog it only hides it.
  void EndDialog(int nResult);
  /// Moves the focus to a control of this dialog; an edit gets its whole text selected.
  void GotoDlgCtrl(CWnd* pWndCtrl);
  void NextDlgCtrl();
  void PrevDlgCtrl();

  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();
  /// Reached by the cancel command (IDCANCEL: Cancel, Esc, the close box); calls OnCancel.
  virtual void OnCancelCommand();

  UINT m_nIDHelp = 0;       // the template id
  CWnd* m_pParentWnd = nullptr;
  intptr_t m_nModalResult = -1;
  bool m_bModal = false;
  bool m_bModalEnded = false;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  DECLARE_MESSAGE_MAP()
};

// ---- Modules and resources ----
/// The per-thread framework state that the module resource switch reads and sets.
struct AFX_MODULE_STATE {
  HINSTANCE m_hCurrentInstanceHandle;
  HINSTANCE m_hCurrentResourceHandle;  // templates and strings load from this module
};
/// This thread's module state (never null).
AFX_MODULE_STATE* AfxGetModuleState();
AFX_MODULE_STATE* AfxGetStaticModuleState();

/// The framework's current resource module of this thread (templates and strings load from it).
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);
/// The host's own module.
HINSTANCE AfxGetInstanceHandle();
/// The host's main frame window.
CWnd* AfxGetMainWnd();

/// Copies string-table entry `id` of `module` into `buffer` (at most size-1 characters and a NUL);
/// returns the number of characters copied, 0 when the entry does not exist.
extern "C" int LoadStringA(HINSTANCE module, UINT id, char* buffer, int size);
/// The same from the current resource module.
int AfxLoadString(UINT id, char* buffer, UINT size);

/// An extension module's registration record.
struct AFX_EXTENSION_MODULE {
  BOOL bInitialized = FALSE;
  HMODULE hModule = nullptr;
  HMODULE hResource = nullptr;
  void* pFirstSharedClass = nullptr;    // the run-time class list, set aside at initialisation
  void* pFirstSharedFactory = nullptr;  // the class-factory list, likewise
};

/// Registers `hModule` as an extension module; TRUE (FALSE for an unknown module).
BOOL AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
/// Releases the registration and every library entry made for it.
void AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);

/// A library entry in the framework's chain of resource modules; made on the heap at process attach
/// and deleted by AfxTermExtensionModule.
class CDynLinkLibrary : public CCmdTarget {
 public:
  CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem = FALSE);
  ~CDynLinkLibrary() override;
  HMODULE m_hModule;
  HMODULE m_hResource;
  BOOL m_bSystem;
  CDynLinkLibrary* m_pNextDLL = nullptr;
};

// The library entry every Zlink exports, called at process attach and detach by the loader:
//   extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID lpReserved);
