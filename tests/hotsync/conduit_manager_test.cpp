// The Conduit Manager (CondMgr) and HotSync control (HSAPI) libraries, bound by name as installers
// bind them. On win32 every call goes through a probe that fails unless the callee pops its
// arguments, as a __stdcall function must.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

#include "condmgr_api.h"
#include "core/handheld.h"
#include "core/registrations.h"
#include "core/users.h"
#include "hotsync_api.h"
#include "hotsync_session.h"
#include "platform/core_settings.h"
#include "platform/host.h"
#include "support/handheld.h"
#include "support/process.h"

using reelbox_test::TempFolder;

namespace {

#if defined(_WIN32) && defined(__i386__)
// Pushes the words (last first, on a 16-byte aligned stack), calls fn and tells how many bytes of
// them the callee popped: a __stdcall function pops all of them, a __cdecl one none.
uint32_t CallAndMeasure(void* fn, const uint32_t* words, uint32_t count, uint32_t* popped) {
  uint32_t result = 0;
  uint32_t bytes = 0;
  uint32_t remaining = count;
  uint32_t padding = (16 - (4 * count) % 16) % 16;
  __asm__ volatile(
      "movl %%esp, %%edi\n\t"
      "andl $-16, %%esp\n\t"
      "subl %%esi, %%esp\n\t"
      "1:\n\t"
      "testl %%edx, %%edx\n\t"
      "jz 2f\n\t"
      "pushl -4(%%ebx,%%edx,4)\n\t"
      "decl %%edx\n\t"
      "jmp 1b\n\t"
      "2:\n\t"
      "movl %%esp, %%esi\n\t"
      "call *%%eax\n\t"
      "movl %%esp, %%ecx\n\t"
      "subl %%esi, %%ecx\n\t"
      "movl %%edi, %%esp\n\t"
      : "=a"(result), "=c"(bytes), "+d"(remaining), "+S"(padding)
      : "0"(fn), "b"(words)
      : "edi", "memory", "cc");
  *popped = bytes;
  return result;
}

template <typename T>
uint32_t Word(T value) {
  if constexpr (std::is_pointer<T>::value) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value));
  } else {
    return static_cast<uint32_t>(value);
  }
}

template <typename... A>
int32_t Call(void* fn, A... args) {
  const uint32_t words[] = {Word(args)..., 0};
  uint32_t popped = 0;
  const uint32_t result = CallAndMeasure(fn, words, sizeof...(A), &popped);
  EXPECT_EQ(popped, 4 * sizeof...(A)) << "the callee is not __stdcall";
  return static_cast<int32_t>(result);
}
#else
template <typename... A>
int32_t Call(void* fn, A... args) {
  return reinterpret_cast<int32_t (*)(A...)>(fn)(args...);
}
#endif

class ConduitManagerLibraries : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    condMgr_ = hotsync::OpenModule(reelbox_test::BuiltLibrary("CondMgr.dll"), &error);
    ASSERT_NE(condMgr_, nullptr) << error;
    hsApi_ = hotsync::OpenModule(reelbox_test::BuiltLibrary("HSAPI.dll"), &error);
    ASSERT_NE(hsApi_, nullptr) << error;
    ASSERT_EQ(HsBeginSession(root_.path().c_str(), nullptr, nullptr, kHsSessionNoHandheld | kHsSessionRootOnly), 0)
        << HsGetLastErrorText();
  }
  void TearDown() override {
    HsEndSession();
    hotsync::CloseModule(condMgr_);
    hotsync::CloseModule(hsApi_);
  }
  void* Cm(const char* name) {
    void* fn = hotsync::FindModuleSymbol(condMgr_, name);
    EXPECT_NE(fn, nullptr) << name << " is not exported under its plain name";
    return fn;
  }
  void* Hs(const char* name) {
    void* fn = hotsync::FindModuleSymbol(hsApi_, name);
    EXPECT_NE(fn, nullptr) << name << " is not exported under its plain name";
    return fn;
  }
  std::string Text(const char* getter, const char* creator) {
    char buffer[300] = {0};
    int32_t size = sizeof buffer;
    EXPECT_EQ(Call(Cm(getter), creator, buffer, &size), kCmErrNone) << getter;
    return buffer;
  }

  TempFolder root_;
  void* condMgr_ = nullptr;
  void* hsApi_ = nullptr;
};

}  // namespace

TEST_F(ConduitManagerLibraries, RegistrationIsInstalledSetReadAndRemoved) {
  EXPECT_EQ(Call(Cm("CmGetConduitCount")), 0);
  ASSERT_EQ(Call(Cm("CmInstallCreator"), "KVRT", int32_t{kCmConduitApplication}), kCmErrNone);
  EXPECT_EQ(Call(Cm("CmInstallCreator"), "KVRT", int32_t{kCmConduitApplication}), kCmErrCreatorInUse);
  EXPECT_EQ(Call(Cm("CmSetCreatorName"), "KVRT", "C:\\Program Files\\Reelbox\\KVRTConduit.dll"), kCmErrNone);
  EXPECT_EQ(Call(Cm("CmSetCreatorDirectory"), "KVRT", "Cinevane"), kCmErrNone);
  EXPECT_EQ(Call(Cm("CmSetCreatorTitle"), "KVRT", "Reelbox"), kCmErrNone);
  EXPECT_EQ(Call(Cm("CmSetCreatorFile"), "KVRT", "MyMoviesExport.tab"), kCmErrNone);
  EXPECT_EQ(Call(Cm("CmSetCreatorRemote"), "KVRT", "Movie-Lists"), kCmErrNone);
  EXPECT_EQ(Call(Cm("CmSetCreatorPriority"), "KVRT", uint32_t{3}), kCmErrNone);

  EXPECT_EQ(Text("CmGetCreatorName", "KVRT"), "C:\\Program Files\\Reelbox\\KVRTConduit.dll");
  EXPECT_EQ(Text("CmGetCreatorDirectory", "KVRT"), "Cinevane");
  EXPECT_EQ(Text("CmGetCreatorTitle", "KVRT"), "Reelbox");
  EXPECT_EQ(Text("CmGetCreatorFile", "KVRT"), "MyMoviesExport.tab");
  EXPECT_EQ(Text("CmGetCreatorRemote", "KVRT"), "Movie-Lists");
  uint32_t priority = 0;
  EXPECT_EQ(Call(Cm("CmGetCreatorPriority"), "KVRT", &priority), kCmErrNone);
  EXPECT_EQ(priority, 3u);
  EXPECT_EQ(Call(Cm("CmGetCreatorType"), "KVRT"), kCmConduitApplication);
  EXPECT_EQ(Call(Cm("CmGetConduitCount")), 1);

  // Another process (a synchronization) sees the same registration in the root.
  std::vector<hotsync::ConduitRegistration> stored;
  std::string error;
  ASSERT_TRUE(hotsync::LoadRegistrations(root_.path(), &stored, &error)) << error;
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].title, "Reelbox");

  EXPECT_EQ(Call(Cm("CmRemoveConduitByCreatorID"), "KVRT"), kCmErrNone);
  EXPECT_EQ(Call(Cm("CmRemoveConduitByCreatorID"), "KVRT"), kCmErrNoConduit);
  EXPECT_EQ(Call(Cm("CmGetConduitCount")), 0);
}

TEST_F(ConduitManagerLibraries, ArgumentsAreCheckedAsTheManagerChecksThem) {
  ASSERT_EQ(Call(Cm("CmInstallCreator"), "KVRT", int32_t{1}), kCmErrNone);
  EXPECT_EQ(Call(Cm("CmInstallCreator"), static_cast<const char*>(nullptr), int32_t{1}), kCmErrInvalidPointer);
  EXPECT_EQ(Call(Cm("CmInstallCreator"), "KVR", int32_t{1}), kCmErrInvalidCreator);
  EXPECT_EQ(Call(Cm("CmInstallCreator"), "KVRTX", int32_t{1}), kCmErrInvalidCreator);
  EXPECT_EQ(Call(Cm("CmSetCreatorName"), "KVRT", static_cast<const char*>(nullptr)), kCmErrInvalidPointer);
  EXPECT_EQ(Call(Cm("CmSetCreatorName"), "ABCD", "x.dll"), kCmErrNoConduit);
  EXPECT_EQ(Call(Cm("CmRemoveConduitByCreatorID"), ""), kCmErrInvalidCreator);
  // A text that would break the registrations file is refused, not stored.
  EXPECT_EQ(Call(Cm("CmSetCreatorTitle"), "KVRT", "Reel\tbox"), kCmErrCannotSetValue);
  EXPECT_EQ(Call(Cm("CmSetCreatorTitle"), "KVRT", "Reel\nbox"), kCmErrCannotSetValue);
  EXPECT_EQ(Call(Cm("CmSetCreatorPriority"), "KVRT", uint32_t{5}), kCmErrCannotSetValue);
  EXPECT_EQ(Call(Cm("CmSetCreatorTitle"), "KVRT", "Reelbox"), kCmErrNone);

  // Too small a buffer: nothing copied, the room needed (with the terminator) handed back.
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  int32_t size = 7;
  EXPECT_EQ(Call(Cm("CmGetCreatorTitle"), "KVRT", buffer, &size), kCmErrBufferTooSmall);
  EXPECT_EQ(size, 8);
  EXPECT_EQ(buffer[0], 'x');
  EXPECT_EQ(Call(Cm("CmGetCreatorTitle"), "KVRT", buffer, &size), kCmErrNone);
  EXPECT_STREQ(buffer, "Reelbox");
  EXPECT_EQ(Call(Cm("CmGetCreatorTitle"), "KVRT", static_cast<char*>(nullptr), &size), kCmErrInvalidPointer);
  EXPECT_EQ(Call(Cm("CmGetCreatorTitle"), "KVRT", buffer, static_cast<int32_t*>(nullptr)), kCmErrInvalidPointer);
  EXPECT_EQ(Call(Cm("CmGetCreatorPriority"), "KVRT", static_cast<uint32_t*>(nullptr)), kCmErrInvalidPointer);
  size = sizeof buffer;
  EXPECT_EQ(Call(Cm("CmGetConduitCreatorID"), int32_t{1}, buffer, &size), kCmErrIndexOutOfRange);
  EXPECT_EQ(Call(Cm("CmGetConduitCreatorID"), int32_t{-1}, buffer, &size), kCmErrIndexOutOfRange);
}

TEST_F(ConduitManagerLibraries, ConduitsAreListedInPriorityOrder) {
  const char* creators[] = {"LATE", "EARL", "MIDA", "MIDB"};
  const uint32_t priorities[] = {4, 0, 2, 2};
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(Call(Cm("CmInstallCreator"), creators[i], int32_t{1}), kCmErrNone);
    ASSERT_EQ(Call(Cm("CmSetCreatorPriority"), creators[i], priorities[i]), kCmErrNone);
  }
  std::string order;
  for (int32_t i = 0; i < 4; ++i) {
    char creator[5] = {0};
    int32_t size = sizeof creator;
    ASSERT_EQ(Call(Cm("CmGetConduitCreatorID"), i, creator, &size), kCmErrNone);
    order += std::string(creator) + " ";
  }
  EXPECT_EQ(order, "EARL MIDA MIDB LATE ");
}

TEST_F(ConduitManagerLibraries, HotSyncControlSeesTheManagerAndARunningSync) {
  hotsync::UserEntry user;
  std::string error;
  ASSERT_TRUE(hotsync::AddUser(root_.path(), "Alice", &user, &error)) << error;
  EXPECT_EQ(Call(Hs("HsCheckApiStatus")), 0);
  uint32_t status = 99;
  EXPECT_EQ(Call(Hs("HsGetSyncStatus"), &status), 0);
  EXPECT_EQ(status, static_cast<uint32_t>(kHsSyncIdle));
  {
    // A synchronization holds the handheld's lock.
    hotsync::FileLock lock;
    const std::string handheld = hotsync::JoinPath(hotsync::JoinPath(root_.path(), user.folder), hotsync::kHandheldFolderName);
    ASSERT_TRUE(lock.Acquire(hotsync::JoinPath(handheld, hotsync::kLockFileName), &error)) << error;
    EXPECT_EQ(Call(Hs("HsGetSyncStatus"), &status), 0);
    EXPECT_EQ(status, static_cast<uint32_t>(kHsSyncRunning));
  }
  EXPECT_EQ(Call(Hs("HsGetSyncStatus"), &status), 0);
  EXPECT_EQ(status, static_cast<uint32_t>(kHsSyncIdle));
  EXPECT_EQ(Call(Hs("HsGetSyncStatus"), static_cast<uint32_t*>(nullptr)), kHsApiErrBadArgument);
  EXPECT_EQ(Call(Hs("HsSetAppStatus"), int32_t{kHsAppClose}, uint32_t{0}), 0);
  EXPECT_EQ(Call(Hs("HsSetAppStatus"), int32_t{kHsAppStart}, uint32_t{0}), 0);
  EXPECT_EQ(Call(Hs("HsSetAppStatus"), int32_t{7}, uint32_t{0}), kHsApiErrBadArgument);
  EXPECT_EQ(Call(Hs("HsRefreshConduitInfo")), 0);
}

#ifndef _WIN32
// Outside a session the libraries find the root the manager's set-up recorded, or report that
// there is no manager. (The win32 set-up record is the registry, tried by the installer's tests.)
TEST_F(ConduitManagerLibraries, OutsideASessionTheSetUpRecordNamesTheRoot) {
  TempFolder config;
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
  HsEndSession();
  EXPECT_EQ(Call(Cm("CmGetConduitCount")), kCmErrRegistryAccess);
  EXPECT_EQ(Call(Hs("HsCheckApiStatus")), kHsApiErrNotFound);
  EXPECT_EQ(UmGetUserCount(), 0);
  char path[64];
  int32_t size = sizeof path;
  EXPECT_EQ(Call(Cm("CmGetCorePath"), path, &size), kCmErrRegistryAccess);

  hotsync::UserEntry user;
  std::string error;
  ASSERT_TRUE(hotsync::AddUser(root_.path(), "Alice", &user, &error)) << error;
  ASSERT_TRUE(hotsync::WriteCoreSetting(hotsync::kCoreRoot, root_.path(), &error)) << error;
  EXPECT_EQ(Call(Cm("CmGetConduitCount")), 0);
  EXPECT_EQ(Call(Hs("HsCheckApiStatus")), 0);
  EXPECT_EQ(UmGetUserCount(), 1);
  ASSERT_TRUE(hotsync::WriteCoreSetting(hotsync::kCorePath, "/opt/hotsync/bin", &error)) << error;
  size = 8;
  EXPECT_EQ(Call(Cm("CmGetCorePath"), path, &size), kCmErrBufferTooSmall);
  EXPECT_EQ(size, 17);
  EXPECT_EQ(Call(Cm("CmGetCorePath"), path, &size), kCmErrNone);
  EXPECT_STREQ(path, "/opt/hotsync/bin");
  if (old != nullptr) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}
#endif
