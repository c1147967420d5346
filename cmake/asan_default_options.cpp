// Sanitizer settings built into the native test build's programs, so that a suite run directly (not
// through scripts/run-tests.sh) and the programs the suites start behave alike.
//
// intercept_tls_get_addr=0: up to GCC 13 the runtime's __tls_get_addr interceptor takes a dynamic
// TLS block of a library loaded with dlopen (the conduit and what it links, in "hotsync") for one
// with a pre-2.25 glibc header whenever the block happens to start 16 bytes into a page, and records
// the two words before it as a range. The leak check at exit then scans that range, its tracer
// faults ("Tracer caught signal 11") and a successful run exits 1: about one run in 150, as
// addresses fall. Without the interceptor, dynamic TLS is not scanned for pointers; nothing of ours
// keeps heap blocks only there.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }
