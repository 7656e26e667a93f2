// Fontconfig keeps a cache for the life of the process that it never frees; the leak checker
// of the sanitizer build would otherwise fail every window test at exit.

extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
