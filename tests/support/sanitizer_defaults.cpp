// Leak reports the sanitizer builds should not fail on: OSMesa keeps a few
// small allocations for the life of the process, and so does fontconfig,
// whose shared configuration the game never tears down (its text font lookup).
extern "C" const char* __lsan_default_suppressions() { return "leak:libOSMesa.so\nleak:libfontconfig.so\n"; }
