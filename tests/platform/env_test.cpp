#include "platform/env.h"

#include <gtest/gtest.h>

namespace {

TEST(Env, AWrapperForwardsEveryServiceToItsTarget) {
  EXPECT_EQ(&Env::Default(), &Env::Default());
  EnvWrapper wrapper(Env::Default());
  EXPECT_EQ(&wrapper.Files(), &Env::Default().Files());
  EXPECT_EQ(&wrapper.Time(), &Env::Default().Time());
  EXPECT_EQ(&wrapper.Internet(), &Env::Default().Internet());
  EXPECT_EQ(&wrapper.System(), &Env::Default().System());
  EXPECT_EQ(&wrapper.Dialogs(), &Env::Default().Dialogs());
}

}  // namespace
