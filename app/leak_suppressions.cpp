// Compiled into every executable of an AddressSanitizer build, so the program
// carries its own list wherever it is started from (a test's child process
// included): Qt's X11 platform connects to D-Bus, and libdbus keeps a buffer
// for the process's life.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\n"; }
