#include "platform/system.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/env.h"

namespace {

TEST(SystemServices, ErrorTextsHaveNoLineEnd) {
  SystemServices& system = Env::Default().System();
  for (uint32_t code : {2u, 5u, 183u, 12345678u}) {
    std::string text = system.SystemErrorText(code);
    if (code != 12345678u) {
      EXPECT_FALSE(text.empty()) << code;
    }
    if (!text.empty()) {
      EXPECT_NE(text.back(), '\n');
      EXPECT_NE(text.back(), '\r');
    }
  }
}

TEST(SystemServices, ComInitialisesForTheCallingThreadAndUninitialises) {
  SystemServices& system = Env::Default().System();
  int32_t first = system.InitializeCom();
  EXPECT_TRUE(first == 0 || first == 1) << first;
  int32_t second = system.InitializeCom();
  EXPECT_TRUE(second == 0 || second == 1) << second;
  system.UninitializeCom();
  system.UninitializeCom();
}

}  // namespace
