#include "platform/win32/debug_output_thread.h"

#include <process.h>

#include <cstring>
#include <new>

namespace {

// A writer that runs ahead of the debugger waits here: the queue stays small whatever is logged.
constexpr size_t kMaxQueued = 256 * 1024;
// How long a text may wait in the queue while the writer is busy.
constexpr DWORD kLookEveryMilliseconds = 25;

// NtQuerySystemInformation and its answer for class 35 (the kernel debugger's state).
using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
struct KernelDebuggerInformation {
  BOOLEAN enabled;
  BOOLEAN not_present;
};
constexpr ULONG kKernelDebuggerInformation = 35;

bool KernelDebuggerEnabled() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr) return true;
  auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQuerySystemInformation")));
  KernelDebuggerInformation info = {TRUE, FALSE};
  if (query == nullptr || query(kKernelDebuggerInformation, &info, sizeof info, nullptr) < 0) return true;
  return info.enabled != FALSE;
}

}  // namespace

DebugOutputThread::DebugOutputThread() { ::InitializeCriticalSection(&lock_); }

DebugOutputThread::~DebugOutputThread() {
  while (starts_ > 0) Stop();
  ::DeleteCriticalSection(&lock_);
}

bool DebugOutputThread::Start() {
  if (starts_++ > 0) return thread_ != nullptr;
  kernel_debugger_ = KernelDebuggerEnabled();
  // Both buffers get their room now, so queueing a text never allocates (nor fails) later on.
  try {
    queued_.reserve(kMaxQueued);
    spare_.reserve(kMaxQueued);
  } catch (const std::bad_alloc&) {
    return false;
  }
  wake_ = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  room_ = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE thread = nullptr;
  if (wake_ != nullptr && room_ != nullptr)
    thread = reinterpret_cast<HANDLE>(::_beginthreadex(nullptr, 0, &DebugOutputThread::Run, this, 0, nullptr));
  ::EnterCriticalSection(&lock_);
  thread_ = thread;
  stopping_ = false;
  ::LeaveCriticalSection(&lock_);
  return thread != nullptr;
}

void DebugOutputThread::Stop() {
  if (starts_ == 0 || --starts_ > 0) return;
  ::EnterCriticalSection(&lock_);
  stopping_ = true;
  HANDLE thread = thread_;
  ::LeaveCriticalSection(&lock_);
  if (thread != nullptr) {
    ::SetEvent(wake_);
    ::WaitForSingleObject(thread, INFINITE);
    ::CloseHandle(thread);
  }
  ::EnterCriticalSection(&lock_);
  thread_ = nullptr;
  std::string().swap(queued_);
  std::string().swap(spare_);
  ::LeaveCriticalSection(&lock_);
  for (HANDLE* event : {&wake_, &room_}) {
    if (*event != nullptr) ::CloseHandle(*event);
    *event = nullptr;
  }
}

void DebugOutputThread::Output(const char* text) {
  if (text == nullptr) text = "";
  const size_t size = std::strlen(text) + 1;
  for (;;) {
    ::EnterCriticalSection(&lock_);
    if (thread_ == nullptr || stopping_) {
      ::LeaveCriticalSection(&lock_);
      ::OutputDebugStringA(text);
      return;
    }
    if (size <= queued_.capacity() - queued_.size()) {
      queued_.append(text, size);
      // The thread looks on its own every few milliseconds; waking it costs as much as the text
      // itself, so it is woken only when the queue fills up.
      const bool hurry = !hurried_ && queued_.size() >= kMaxQueued / 2;
      hurried_ = hurried_ || hurry;
      ::LeaveCriticalSection(&lock_);
      if (hurry) ::SetEvent(wake_);
      return;
    }
    if (size > kMaxQueued && queued_.empty() && !busy_) {
      // Longer than the queue: handed on here, once everything before it has been.
      ::LeaveCriticalSection(&lock_);
      ::OutputDebugStringA(text);
      return;
    }
    waiting_ = true;
    ::LeaveCriticalSection(&lock_);
    ::SetEvent(wake_);
    ::WaitForSingleObject(room_, INFINITE);
  }
}

unsigned __stdcall DebugOutputThread::Run(void* self) {
  static_cast<DebugOutputThread*>(self)->Drain();
  return 0;
}

void DebugOutputThread::Drain() {
  for (;;) {
    ::WaitForSingleObject(wake_, kLookEveryMilliseconds);
    for (;;) {
      // The queue and the spare buffer trade places: both keep the room they were given.
      ::EnterCriticalSection(&lock_);
      queued_.swap(spare_);
      const bool stop = stopping_;
      busy_ = !spare_.empty();
      hurried_ = false;
      bool wake_writer = waiting_;
      waiting_ = false;
      ::LeaveCriticalSection(&lock_);
      if (wake_writer) ::SetEvent(room_);
      if (spare_.empty()) {
        if (stop) return;
        break;
      }
      // Each text costs an exception and a look for the monitor's buffer even when nobody reads
      // it (under Wine also a server round trip): a batch nobody can read is dropped, as those
      // calls would drop it. A monitor that starts later gets every batch from then on.
      if (Listened()) {
        for (size_t at = 0; at < spare_.size(); at += std::strlen(spare_.data() + at) + 1)
          ::OutputDebugStringA(spare_.data() + at);
      }
      ::EnterCriticalSection(&lock_);
      spare_.clear();
      busy_ = false;
      wake_writer = waiting_;
      waiting_ = false;
      ::LeaveCriticalSection(&lock_);
      if (wake_writer) ::SetEvent(room_);
    }
  }
}

bool DebugOutputThread::Listened() const {
  if (kernel_debugger_ || ::IsDebuggerPresent()) return true;
  // The buffer a debug monitor shares with the writers of its session, or of every session.
  for (const char* name : {"DBWIN_BUFFER", "Global\\DBWIN_BUFFER"}) {
    HANDLE buffer = ::OpenFileMappingA(FILE_MAP_READ, FALSE, name);
    if (buffer != nullptr) {
      ::CloseHandle(buffer);
      return true;
    }
    if (::GetLastError() == ERROR_ACCESS_DENIED) return true;
  }
  return false;
}
