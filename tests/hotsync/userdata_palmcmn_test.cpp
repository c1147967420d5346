// UserData (the user registry as the conduit sees it) and PalmCmn (the language library loader).
#include <gtest/gtest.h>

#include <cstring>

#include "core/users.h"
#include "hotsync_api.h"
#include "hotsync_session.h"
#include "platform/host.h"
#include "support/handheld.h"
#include "support/process.h"

using reelbox_test::TempFolder;

namespace {

class UserData : public ::testing::Test {
 protected:
  void SetUp() override {
    hotsync::UserEntry user;
    std::string error;
    ASSERT_TRUE(hotsync::AddUser(root_.path(), "Alice", &user, &error)) << error;
    ASSERT_TRUE(hotsync::AddUser(root_.path(), "Bob Jones", &user, &error)) << error;
    ASSERT_EQ(HsBeginSession(root_.path().c_str(), "Bob Jones", nullptr, kHsSessionNoHandheld), 0);
  }
  void TearDown() override { HsEndSession(); }
  TempFolder root_;
};

}  // namespace

TEST_F(UserData, UsersAreListedWithIdsNamesAndFolders) {
  ASSERT_EQ(UmGetUserCount(), 2);
  uint32_t id = 0;
  ASSERT_GT(UmGetUserId(1, &id), 0);
  char text[260];
  int16_t size = 99;
  ASSERT_GT(UmGetUserName(id, text, &size), 0);
  EXPECT_STREQ(text, "Bob Jones");
  size = 259;
  ASSERT_GT(UmGetUserDirectory(id, text, &size), 0);
  EXPECT_STREQ(text, "Bob Jones");
  EXPECT_LT(UmGetUserId(2, &id), 0);
}

TEST_F(UserData, RootEndsInASeparatorSoTheUserFolderCanBeAppended) {
  char root[260];
  int16_t size = 259;
  ASSERT_GT(UmGetRootDirectory(root, &size), 0);
  EXPECT_EQ(std::string(root), hotsync::JoinPath(root_.path(), ""));
  EXPECT_TRUE(hotsync::FolderExists(std::string(root) + "Alice"));
}

TEST_F(UserData, TooSmallBufferFailsAndTellsTheRoomNeeded) {
  uint32_t id = 0;
  ASSERT_GT(UmGetUserId(1, &id), 0);
  char text[4] = {'x', 'x', 'x', 'x'};
  int16_t size = sizeof text;
  EXPECT_LT(UmGetUserName(id, text, &size), 0);
  EXPECT_EQ(size, 10);
  EXPECT_EQ(text[0], 'x');
}

TEST_F(UserData, UserIsFoundFromItsConduitFolder) {
  char folder[1024];
  ASSERT_GT(HsGetConduitFolder(folder, sizeof folder), 0);
  uint32_t id = 0;
  ASSERT_GT(UmGetUserIdFromPath(folder, &id), 0);
  EXPECT_EQ(id, 2u);
  EXPECT_LT(UmGetUserIdFromPath(hotsync::JoinPath(root_.path(), "Bob").c_str(), &id), 0);
}

TEST(PalmCmn, LanguageLibraryIsLoadedFromTheConduitsFolder) {
  std::string error;
  void* conduit = hotsync::OpenModule(reelbox_test::BuiltLibrary("testconduit.dll"), &error);
  ASSERT_NE(conduit, nullptr) << error;
  // Any library beside the conduit will do; SYNC20 always is.
  uint32_t version = 0;
  void* language = PalmLoadLanguage("SYNC20.dll", conduit, &version);
  EXPECT_NE(language, conduit);
  EXPECT_NE(language, nullptr);
  EXPECT_NE(version, 0u);
  EXPECT_NE(PalmFreeLanguage(language, conduit), 0);
  EXPECT_EQ(PalmLoadLanguage("NoSuchLANG.DLL", conduit, &version), conduit);
  hotsync::CloseModule(conduit);
}
