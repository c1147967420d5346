// The GCC start-up code of every module built here (each DLL and program) asks whether the shared
// GCC runtime, libgcc_s_dw2-1.dll, is loaded, to register the module's unwind tables with it, and
// asks again when the module unloads. The modules link that runtime statically, so its answer must
// be "not loaded": a module that registered its tables with another module's copy of the runtime
// could not unwind its own exceptions, should a conduit of another vendor have loaded that DLL
// into the HotSync manager. The question is also slow under Wine, which looks for the file in every
// folder of the DLL path (about a millisecond, a dozen times a sync). The link redirects the
// modules' GetModuleHandleA to this function (see --wrap in CMakeLists.txt), which answers that
// one name itself and passes every other on.
#include <windows.h>

#if !defined(__i386__)
#error "the redirected import is named for the 32-bit x86 Windows target"
#endif

extern "C" {
// The import's own slot, and the one the link gives the modules in its place.
extern HMODULE(WINAPI* const RealGetModuleHandleA)(LPCSTR) __asm__("___real__imp__GetModuleHandleA@4");
extern HMODULE(WINAPI* const WrappedGetModuleHandleA)(LPCSTR) __asm__("___wrap__imp__GetModuleHandleA@4");
}

namespace {

HMODULE WINAPI ModuleHandleA(LPCSTR name) {
  if (name != nullptr && lstrcmpiA(name, "libgcc_s_dw2-1.dll") == 0) return nullptr;
  return RealGetModuleHandleA(name);
}

}  // namespace

HMODULE(WINAPI* const WrappedGetModuleHandleA)(LPCSTR) = ModuleHandleA;
