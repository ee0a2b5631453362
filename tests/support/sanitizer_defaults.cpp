// Leak reports the sanitizer builds should not fail on: OSMesa keeps a few
// small allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa.so\n"; }
