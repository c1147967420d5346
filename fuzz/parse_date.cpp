// Typed dates from import files: any text gives a result and never reads past its end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "diag/handheld_link.h"
#include "platform/env.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  HandheldLink link(Env::Default().Time());
  uint32_t value = 0;
  link.ParseDate(text.c_str(), &value);
  char buffer[kTimeDateTextSize];
  link.FormatTimeDate(value, buffer);
  return 0;
}
