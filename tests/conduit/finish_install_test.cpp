#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "conduit/finish_install.h"
#include "hotsync_session.h"
#include "support/handheld.h"
#include "platform/env.h"

namespace {

namespace fs = std::filesystem;

class FinishInstallTest : public ::testing::Test {
 protected:
  void Begin() { ASSERT_EQ(root_.BeginSession(kHsSessionNoHandheld), 0) << HsGetLastErrorText(); }
  void TearDown() override {
    if (HsSessionActive()) HsEndSession();
  }
  reelbox_test::TempUserRoot root_{"Alice Smith"};
};

TEST_F(FinishInstallTest, CreatesTheDataFolderForANameDifferingOnlyInCase) {
  Begin();
  EXPECT_EQ(InstallUserFolder(Env::Default(), "aLICE sMITH"), 0);
  EXPECT_TRUE(fs::is_directory(root_.conduitFolder()));
  EXPECT_EQ(InstallUserFolder(Env::Default(), "Alice Smith"), 0);  // an existing folder is success
}

TEST_F(FinishInstallTest, AnUnknownUserIsMinusThree) {
  Begin();
  EXPECT_EQ(InstallUserFolder(Env::Default(), "Bob"), -3);
  EXPECT_EQ(InstallUserFolder(Env::Default(), "Alice Smit"), -3);
  EXPECT_EQ(InstallUserFolder(Env::Default(), nullptr), -3);
  EXPECT_FALSE(fs::exists(root_.conduitFolder()));
}

TEST_F(FinishInstallTest, MissingRootOrUserFolderAreMinusTwoAndMinusFour) {
  Begin();
  HsInjectFault("UmGetRootDirectory", 1, -1);
  EXPECT_EQ(InstallUserFolder(Env::Default(), "Alice Smith"), -2);
  HsInjectFault("UmGetUserDirectory", 1, -1);
  EXPECT_EQ(InstallUserFolder(Env::Default(), "Alice Smith"), -4);
}

TEST_F(FinishInstallTest, AFolderThatCannotBeCreatedIsMinusFive) {
  // A file where the user's folder should be.
  fs::remove_all(root_.userFolder());
  std::ofstream(root_.userFolder()) << "not a folder";
  Begin();
  EXPECT_EQ(InstallUserFolder(Env::Default(), "Alice Smith"), -5);
}

TEST_F(FinishInstallTest, ACombinedPathLongerThanTheBufferIsMinusFiveWithoutOverflow) {
  std::string folder(250, 'u');
  std::ofstream(fs::path(root_.root()) / "Users.txt", std::ios::binary | std::ios::trunc)
      << "1\tAlice Smith\t" << folder << "\n";
  Begin();
  EXPECT_EQ(InstallUserFolder(Env::Default(), "Alice Smith"), -5);
}

}  // namespace
