// Hands texts to OutputDebugStringA from a thread of its own, in the order they came. Under Wine
// each call costs two server round trips and an exception, about 35 microseconds, which a
// synchronization that reports its status several hundred times should not wait for. Texts that
// nobody can read (no debugger attached, no debug monitor's buffer) are not handed on at all.
#ifndef REELBOX_PLATFORM_WIN32_DEBUG_OUTPUT_THREAD_H
#define REELBOX_PLATFORM_WIN32_DEBUG_OUTPUT_THREAD_H

#include <windows.h>

#include <string>

class DebugOutputThread {
 public:
  DebugOutputThread();
  ~DebugOutputThread();
  DebugOutputThread(const DebugOutputThread&) = delete;
  DebugOutputThread& operator=(const DebugOutputThread&) = delete;

  // Starts the thread (nested starts are counted); false when it cannot run, and texts are then
  // handed on by the caller. Start and Stop come from one thread; Output from any.
  bool Start();
  // The last of the nested stops returns once every queued text has been handed on.
  void Stop();
  // Queues the text while the thread runs, else hands it on at once.
  void Output(const char* text);

 private:
  static unsigned __stdcall Run(void* self);
  void Drain();
  // True when a debugger or a debug monitor may read what is handed on now.
  bool Listened() const;

  CRITICAL_SECTION lock_;
  HANDLE wake_ = nullptr;  // auto-reset: the queue fills up, or a stop was asked
  HANDLE room_ = nullptr;  // auto-reset: a writer that waits may look again
  HANDLE thread_ = nullptr;
  int starts_ = 0;
  bool kernel_debugger_ = false;  // enabled when the thread started
  // Guarded by lock_, as thread_ and queued_ are.
  bool stopping_ = false;
  bool hurried_ = false;  // the thread was woken for the queue as it is
  bool waiting_ = false;  // a writer waits for room
  std::string queued_;  // NUL-terminated texts one after the other
  std::string spare_;   // the texts the thread hands on; the next queue after them
  bool busy_ = false;   // the thread is handing texts on
};

#endif  // REELBOX_PLATFORM_WIN32_DEBUG_OUTPUT_THREAD_H
