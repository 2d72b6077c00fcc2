// The hooks for equation errors. The Zlink shows no equation error itself: both hand their arguments
// on to the host's note service, which may tell the person or ignore them, and nothing the Zlink
// does next depends on it.
#include "equation/compiler.h"
#include "orvantis/host_notes.h"

void report_statement_error(int status, int number, const char* text) { note_zlink_status(status, number, text); }

void report_status(int status) { note_zlink_status(status, 0, nullptr); }
