#include "platform/env.h"

#include <gtest/gtest.h>

namespace {

TEST(Env, CurrentIsDefaultUntilATestInstallsAnother) {
  EXPECT_EQ(&Env::Current(), &Env::Default());
  EnvWrapper wrapper(Env::Default());
  {
    ScopedEnv scoped(wrapper);
    EXPECT_EQ(&Env::Current(), &wrapper);
    EXPECT_EQ(&wrapper.Files(), &Env::Default().Files());
  }
  EXPECT_EQ(&Env::Current(), &Env::Default());
}

}  // namespace
