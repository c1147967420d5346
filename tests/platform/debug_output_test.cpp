#include "platform/env.h"
#include "platform/system.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A debug monitor as DebugView is one: it owns the shared buffer that OutputDebugStringA writes
// into when no debugger is attached, and takes the texts one at a time.
class DebugMonitor {
 public:
  DebugMonitor() {
    buffer_ready_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_BUFFER_READY");
    data_ready_ = CreateEventA(nullptr, FALSE, FALSE, "DBWIN_DATA_READY");
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, "DBWIN_BUFFER");
    view_ = mapping_ ? static_cast<const char*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, 4096)) : nullptr;
  }
  ~DebugMonitor() {
    if (view_) UnmapViewOfFile(view_);
    for (HANDLE h : {mapping_, buffer_ready_, data_ready_}) {
      if (h) CloseHandle(h);
    }
  }
  bool Ready() const { return view_ != nullptr && buffer_ready_ != nullptr && data_ready_ != nullptr; }

  // Takes texts until `last` arrives or none comes for a few seconds.
  void Collect(const std::string& last) {
    thread_ = CreateThread(nullptr, 0, &DebugMonitor::Run, this, 0, nullptr);
    last_ = last;
  }
  std::vector<std::string> Finish() {
    WaitForSingleObject(thread_, 30000);
    CloseHandle(thread_);
    return texts_;
  }

 private:
  static DWORD WINAPI Run(void* self) {
    auto* m = static_cast<DebugMonitor*>(self);
    SetEvent(m->buffer_ready_);
    while (WaitForSingleObject(m->data_ready_, 5000) == WAIT_OBJECT_0) {
      // Every process of the session writes here (other suites run beside this one).
      DWORD writer = 0;
      std::memcpy(&writer, m->view_, sizeof writer);
      if (writer == GetCurrentProcessId()) {
        m->texts_.emplace_back(m->view_ + sizeof(DWORD));
        if (m->texts_.back() == m->last_) break;
      }
      SetEvent(m->buffer_ready_);
    }
    return 0;
  }

  HANDLE buffer_ready_ = nullptr, data_ready_ = nullptr, mapping_ = nullptr, thread_ = nullptr;
  const char* view_ = nullptr;
  std::string last_;
  std::vector<std::string> texts_;
};

TEST(DebugOutput, TheThreadHandsOnEveryTextInOrderAndAStopWaitsForAll) {
  DebugMonitor monitor;
  ASSERT_TRUE(monitor.Ready());
  monitor.Collect("last");
  SystemServices& system = Env::Default().System();
  std::vector<std::string> sent;
  system.StartDebugOutputThread();
  system.StartDebugOutputThread();  // nested: the inner stop leaves the thread running
  // 600 KB of texts: the writer runs ahead of the monitor and waits for room on the way.
  for (int i = 0; i < 600; ++i) {
    sent.push_back(std::to_string(i) + std::string(1000, 'x') + "\n");
    system.DebugOutput(sent.back().c_str());
    if (i == 10) system.StopDebugOutputThread();
  }
  system.StopDebugOutputThread();
  // After the stop the texts go out directly, behind everything queued before.
  sent.push_back("after\n");
  system.DebugOutput(sent.back().c_str());
  sent.push_back("last");
  system.DebugOutput("last");
  const std::vector<std::string> got = monitor.Finish();
  size_t same = 0;
  while (same < got.size() && same < sent.size() && got[same] == sent[same]) ++same;
  EXPECT_EQ(same, sent.size()) << "texts received: " << got.size() << ", sent: " << sent.size();
  EXPECT_EQ(got.size(), sent.size());
}

}  // namespace
#endif
