// Threads and a mutex for test servers. The win32 build uses the compiler's win32 thread model
// (its runtime must run on Windows XP), which has no std::thread or std::mutex, so the tests
// get both from here: Win32 threads there, the standard library's on native.
#ifndef REELBOX_TESTS_SUPPORT_THREADS_H
#define REELBOX_TESTS_SUPPORT_THREADS_H

#include <functional>
#include <memory>

// One thread running a function. Not copyable; destroying it joins it.
class TestThread {
 public:
  TestThread();
  explicit TestThread(std::function<void()> body);
  ~TestThread();
  TestThread(TestThread&& other) noexcept;
  TestThread& operator=(TestThread&& other) noexcept;
  TestThread(const TestThread&) = delete;
  TestThread& operator=(const TestThread&) = delete;

  bool joinable() const { return impl_ != nullptr; }
  // Waits for the function to return. REQUIRES: joinable().
  void join();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A non-recursive mutex. Not copyable.
class TestMutex {
 public:
  TestMutex();
  ~TestMutex();
  TestMutex(const TestMutex&) = delete;
  TestMutex& operator=(const TestMutex&) = delete;
  void lock();
  void unlock();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Holds a TestMutex for its scope.
class TestLock {
 public:
  explicit TestLock(TestMutex& mutex) : mutex_(mutex) { mutex_.lock(); }
  ~TestLock() { mutex_.unlock(); }
  TestLock(const TestLock&) = delete;
  TestLock& operator=(const TestLock&) = delete;

 private:
  TestMutex& mutex_;
};

#endif  // REELBOX_TESTS_SUPPORT_THREADS_H
