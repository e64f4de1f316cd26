// Sanitizer settings built into every test program, so that a run from ctest, a debugger or the
// shell behaves the same.

extern "C" {

const char* __asan_default_options() {
  return "detect_leaks=1:halt_on_error=1";
}

const char* __ubsan_default_options() {
  return "print_stacktrace=1:halt_on_error=1";
}

// Leaks inside third-party libraries that the test programs cannot free; our own code has none.
const char* __lsan_default_suppressions() {
  return
      // fontconfig keeps its configuration and pattern caches for the life of the process.
      "leak:libfontconfig.so\n"
      // The platform plugins and the plugin loader keep their handles until exit.
      "leak:libqoffscreen.so\n"
      "leak:libqxcb.so\n"
      "leak:QFactoryLoader\n"
      // Libraries loaded with dlopen keep their static data.
      "leak:_dl_open\n"
      "leak:libglib-2.0.so\n"
      // On a real X server the toolkit keeps its session bus connection until exit.
      "leak:libdbus-1.so\n";
}

}  // extern "C"
