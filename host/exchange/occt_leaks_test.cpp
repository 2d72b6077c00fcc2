// Not a test: the leak checker's suppressions for this test program. OpenCASCADE's exchange
// libraries keep process-wide tables (translation controllers, driver tables, static editors)
// that are never freed; only allocations made inside its libraries (libTK*) are ignored.
extern "C" const char* __lsan_default_suppressions() { return "leak:libTK\n"; }
