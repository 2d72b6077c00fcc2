// The run driver: one call of q_main from the file prompt to the write-back, and the loop that
// keeps polling the host's events while the modeless main dialog is served inside them.
#include "entry/run_driver.h"
#include <cstdio>
#include <cstring>
#include <new>
#include "orvantis/afx.h"
#include "orvantis/host_dialogs.h"
#include "dialogs/options_menu.h"
#include "dialogs/resource_ids.h"
#include "dialogs/module_switch.h"
#include "eqfile/equation_file.h"
#include "equation/statement_pool.h"
#include "equation/variables.h"
#include "orvantis/host_files.h"

namespace {
constexpr char default_file_name[] = "ZLINKS\\kuvra.eqn";
constexpr int read_call_site = 1140;
constexpr int write_call_site = 1149;
constexpr int event_mask = 0x8200;
constexpr int event_thread_message = 512;  // a posted thread message; value = its wParam
constexpr int event_stop = 2;
constexpr char not_written_suffix[] = " could not be written";
constexpr int caption_size = 64;

/// Tells the user that the write-back failed; the file on disk is still the one that was read.
void warn_not_written(const char* path) {
  char text[path_size + sizeof not_written_suffix];
  std::snprintf(text, sizeof text, "%s%s", path, not_written_suffix);
  char caption[caption_size];
  if (LoadStringA(kuvra_module, IDS_WARNING, caption, caption_size) == 0) caption[0] = '\0';
  message_box_ok(text, caption, 2, nullptr);
}

/// Writes the settings and statements back to `path`. The host's "w" stream commits on fclose only
/// when every write succeeded, so a failed write-back leaves the original file byte for byte.
void write_back(const char* path, Statement* head) {
  char ok = 0;
  FILE* file = q_open_file(kuvra_source_tag, write_call_site, path, "w", &ok);
  bool written = false;
  if (ok != 0 && file != nullptr) {
    write_equation_file(file, head);
    written = std::fclose(file) != EOF;
  }
  if (!written) warn_not_written(path);
}
}  // namespace

extern "C" int q_version() { return kuvra_host_version; }

void build_default_path(char* path) {
  char main_dir[path_size] = "";
  get_main_dir(main_dir);
  main_dir[path_size - 1] = '\0';
  size_t length = std::strlen(main_dir);
  // The default must fit with its NUL; a main directory over 239 characters gives no default.
  if (length + std::strlen(default_file_name) + 1 > static_cast<size_t>(path_size)) {
    path[0] = '\0';
    return;
  }
  // Both parts fit, as measured above: copied whole, the name with its NUL.
  std::memcpy(path, main_dir, length);
  std::memcpy(path + length, default_file_name, std::strlen(default_file_name) + 1);
}

extern "C" int q_main() {
  ModuleResourceSwitch resources;
  std::strncpy(eqn_filter, ".EQN", filter_size - 1);
  eqn_filter[filter_size - 1] = '\0';
  reset_equation_tables();

  char path[path_size];
  build_default_path(path);
  if (PromptForFileToOpen(path, "r", eqn_filter, 0, 0, AfxGetResourceHandle(), nullptr) == 0) return 0;
  path[path_size - 1] = '\0';

  char ok = 0;
  FILE* file = q_open_file(kuvra_source_tag, read_call_site, path, "r", &ok);
  if (ok == 0 || file == nullptr) return 0;
  Statement* head = nullptr;
  read_equation_file(file, &head);
  std::fclose(file);

  // A list of only failed lines is not empty: they are written back unchanged.
  if (run_plot_dialog(path, &head) && head != nullptr) write_back(path, head);
  pool_release();
  return 1;
}

bool run_plot_dialog(char* path, Statement** head) {
  ModuleResourceSwitch resources;
  bool result = false;
  CWnd* parent = get_MainFrame();
  COptionsMenu* dialog = new (std::nothrow) COptionsMenu(parent);
  if (dialog == nullptr) return false;
  dialog->SetRunData(*head, path);
  // Without its window nothing could ever end the loop but the end of the host's input: a dialog
  // that cannot be made ends the run as Cancel does.
  bool shown = dialog->Create(IDD_KUVRA) != FALSE;

  QXEvent event;
  const char prompt[] = "*";
  while (shown) {
    char alive = 0;
    int code = get_event(prompt, &event, event_mask, 0, 0, &alive);
    if (code == event_stop || alive == 0) break;
    if (event.kind == event_thread_message && (event.value == 0 || event.value == 1)) {
      result = event.value == 1;
      break;
    }
  }

  *head = dialog->statements;
  std::strncpy(path, dialog->path, path_size - 1);
  path[path_size - 1] = '\0';
  delete dialog;  // closes the window if the loop ended without OK or Cancel
  return result;
}
