#include "support/threads.h"

#include <utility>

#if defined(_WIN32)
#include <windows.h>

struct TestThread::Impl {
  std::function<void()> body;
  HANDLE handle = nullptr;
};

namespace {
DWORD WINAPI RunBody(void* impl) {
  (*static_cast<std::function<void()>*>(impl))();
  return 0;
}
}  // namespace

TestThread::TestThread(std::function<void()> body) : impl_(new Impl) {
  impl_->body = std::move(body);
  impl_->handle = CreateThread(nullptr, 0, RunBody, &impl_->body, 0, nullptr);
  if (impl_->handle == nullptr) {
    // No thread to run it on: run it here, so a test still sees its effect.
    impl_->body();
  }
}

void TestThread::join() {
  if (impl_->handle != nullptr) {
    WaitForSingleObject(impl_->handle, INFINITE);
    CloseHandle(impl_->handle);
  }
  impl_.reset();
}

struct TestMutex::Impl {
  CRITICAL_SECTION section;
};

TestMutex::TestMutex() : impl_(new Impl) { InitializeCriticalSection(&impl_->section); }
TestMutex::~TestMutex() { DeleteCriticalSection(&impl_->section); }
void TestMutex::lock() { EnterCriticalSection(&impl_->section); }
void TestMutex::unlock() { LeaveCriticalSection(&impl_->section); }

#else
#include <mutex>
#include <thread>

struct TestThread::Impl {
  std::thread thread;
};

TestThread::TestThread(std::function<void()> body) : impl_(new Impl) {
  impl_->thread = std::thread(std::move(body));
}

void TestThread::join() {
  impl_->thread.join();
  impl_.reset();
}

struct TestMutex::Impl {
  std::mutex mutex;
};

TestMutex::TestMutex() : impl_(new Impl) {}
TestMutex::~TestMutex() = default;
void TestMutex::lock() { impl_->mutex.lock(); }
void TestMutex::unlock() { impl_->mutex.unlock(); }
#endif

TestThread::TestThread() = default;

TestThread::~TestThread() {
  if (joinable()) join();
}

TestThread::TestThread(TestThread&& other) noexcept : impl_(std::move(other.impl_)) {}

TestThread& TestThread::operator=(TestThread&& other) noexcept {
  if (this != &other) {
    if (joinable()) join();
    impl_ = std::move(other.impl_);
  }
  return *this;
}
