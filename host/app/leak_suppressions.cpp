// Leak checking of orvantis: OpenCASCADE (libTK*) and fontconfig keep process-lifetime caches that
// they never free; those are reported as leaks at exit by LeakSanitizer builds and are not ours.
// Without a sanitizer nothing calls this.
extern "C" const char* __lsan_default_suppressions() { return "leak:libTK\nleak:libfontconfig\n"; }
// The suppressions are expected: their tally is not worth a report on standard error.
extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
