// What ThreadSanitizer cannot see into, when this binary is built with it:
// FluidSynth loads a SoundFont's samples on OpenMP threads, and libgomp is
// not instrumented.
extern "C" const char* __tsan_default_suppressions() { return "called_from_lib:libgomp.so.1\n"; }
