// What ThreadSanitizer cannot see into, when this binary is built with it:
// FluidSynth loads SoundFont samples on OpenMP threads (libgomp is not
// instrumented), and libpulse publishes its mutexes through atomics of its own.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libgomp.so.1\n"
         "race:pa_mutex_lock\n";
}
