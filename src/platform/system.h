// Debugger output, COM initialisation, module version resources, system error texts.
//
// A module is an opaque handle to a loaded library (HMODULE on win32, a dlopen handle on POSIX).
// A version block is what the module's version resource holds: on win32 the VS_VERSIONINFO
// resource; on POSIX the block that a library returns from its exported function
// ReelboxVersionResource (pairs of NUL-terminated key and value texts, ended by an empty key).
// Either way QueryVersionString finds a value by its sub-block path, for example
// "\StringFileInfo\040904e4\SpecialBuild". Used from one thread at a time.
#ifndef REELBOX_PLATFORM_SYSTEM_H
#define REELBOX_PLATFORM_SYSTEM_H

#include <cstdint>
#include <memory>
#include <string>

using ModuleHandle = void*;

class SystemServices {
 public:
  SystemServices() = default;
  SystemServices(const SystemServices&) = delete;
  SystemServices& operator=(const SystemServices&) = delete;
  virtual ~SystemServices() = default;

  // Hands the text, unchanged, to the debugger of the process (POSIX: there is none; no effect).
  virtual void DebugOutput(const char* text) = 0;
  // From a start to its stop, DebugOutput may hand the texts on from a thread of its own, in
  // order; the stop returns once all of them are. Starts nest. (POSIX: no effect.)
  virtual void StartDebugOutputThread() {}
  virtual void StopDebugOutputThread() {}

  // Initialises COM for the calling thread in apartment mode; returns the HRESULT (0 or 1 mean
  // success; POSIX always 0).
  virtual int32_t InitializeCom() = 0;
  // REQUIRES: a preceding InitializeCom returned 0 or 1.
  virtual void UninitializeCom() = 0;

  // The file name of a loaded module (at most 260 characters); false when unknown.
  virtual bool ModuleFileName(ModuleHandle module, std::string* name) = 0;
  // Size of the version block of the file; 0 when it has none or cannot be read.
  virtual uint32_t VersionInfoSize(const std::string& file) = 0;
  // Reads the version block into block[0..size). Returns false on failure.
  virtual bool ReadVersionInfo(const std::string& file, void* block, uint32_t size) = 0;
  // Finds a text value in a block read by ReadVersionInfo. On success *value points into block.
  virtual bool QueryVersionString(const void* block, const char* sub_block, const char** value,
                                  uint32_t* length) = 0;

  // The system's message for a Windows system error code, without a trailing line end.
  virtual std::string SystemErrorText(uint32_t code) = 0;
};

// The implementation of this target.
std::unique_ptr<SystemServices> NewPlatformSystemServices();

#endif  // REELBOX_PLATFORM_SYSTEM_H
