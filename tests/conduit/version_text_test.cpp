#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "conduit/conduit_module.h"
#include "conduit/version_text.h"
#include "platform/host.h"
#include "support/process.h"
#include "platform/env.h"
#include "platform/system.h"
#include "support/forwarding_system.h"

namespace {

// A version block of key/value pairs, as the native language library publishes it.
class FakeVersionSystem : public ForwardingSystemServices {
 public:
  FakeVersionSystem() : ForwardingSystemServices(Env::Default().System()) {}
  bool ModuleFileName(ModuleHandle module, std::string* name) override {
    if (module == nullptr) return false;
    *name = "lang";
    return true;
  }
  uint32_t VersionInfoSize(const std::string&) override { return static_cast<uint32_t>(block.size()); }
  bool ReadVersionInfo(const std::string&, void* out, uint32_t size) override {
    std::memcpy(out, block.data(), size);
    return true;
  }

  std::string block;
};

class VersionEnv : public EnvWrapper {
 public:
  VersionEnv() : EnvWrapper(Env::Default()) {}
  SystemServices& System() override { return system; }
  FakeVersionSystem system;
};

std::string Entry(const char* lang, const std::string& value) {
  return std::string("\\StringFileInfo\\") + lang + "\\SpecialBuild" + '\0' + value + '\0';
}

// Only meaningful on targets whose QueryVersionString reads key/value blocks (POSIX).
bool ReadsPairBlocks() {
  std::string block = Entry("040904e4", "x") + '\0';
  const char* value = nullptr;
  uint32_t length = 0;
  return Env::Default().System().QueryVersionString(block.data(), "\\StringFileInfo\\040904e4\\SpecialBuild",
                                                    &value, &length);
}

TEST(ConduitVersionText, CutsTheSpecialBuildAtItsFirstDash) {
  if (!ReadsPairBlocks()) GTEST_SKIP() << "version blocks are real resources on this target";
  VersionEnv env;
  int module = 0;
  env.system.block = Entry("040904e4", "v2.0 (0044)-built 3/29/06") + '\0';
  EXPECT_STREQ(ConduitVersionText(env.System(), &module), "v2.0 (0044)");
  env.system.block = Entry("040904e4", "") + Entry("040904b0", "v9-x") + '\0';
  EXPECT_STREQ(ConduitVersionText(env.System(), &module), "v9");
  env.system.block = Entry("040904e4", std::string(80, 'a')) + '\0';
  EXPECT_EQ(std::string(ConduitVersionText(env.System(), &module)), std::string(49, 'a'));
}

TEST(ConduitVersionText, WithoutASpecialBuildOrModuleItIsUnknown) {
  VersionEnv env;
  int module = 0;
  env.system.block = std::string("\\StringFileInfo\\040904e4\\FileVersion") + '\0' + "2.0" + '\0' + '\0';
  if (ReadsPairBlocks()) {
    EXPECT_STREQ(ConduitVersionText(env.System(), &module), "<unknown version>");
  }
  EXPECT_STREQ(ConduitVersionText(env.System(), nullptr), "<unknown version>");
  env.system.block.clear();
  EXPECT_STREQ(ConduitVersionText(env.System(), &module), "<unknown version>");
}

}  // namespace

// The language loader writes a version number through its third argument; the conduit's own
// module must survive that, and only the first attach and the last detach reach the loader.
TEST(ConduitModule, AttachKeepsTheConduitModuleAndLoadsTheLanguageLibraryOnce) {
  std::string error;
  void* conduit = hotsync::OpenModule(reelbox_test::BuiltLibrary("testconduit.dll"), &error);
  ASSERT_NE(conduit, nullptr) << error;
  ConduitProcessAttach(conduit);
  const ModuleHandle language = ResourceModule();
  EXPECT_EQ(ConduitModule(), conduit);
  EXPECT_NE(language, conduit);
  EXPECT_NE(language, nullptr);
  ConduitProcessAttach(conduit);
  EXPECT_EQ(ResourceModule(), language);
  ConduitProcessDetach();
  EXPECT_EQ(ResourceModule(), language);
  ConduitProcessDetach();
  EXPECT_EQ(ConduitAttachCount(), 0);
  EXPECT_EQ(ResourceModule(), conduit);
  EXPECT_EQ(ConduitModule(), conduit);
  hotsync::CloseModule(conduit);
}
