// OSMesa keeps a few small allocations for the life of the process; the
// sanitizer builds should not fail the tool on them.
extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa.so\n"; }
