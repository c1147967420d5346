#include "diag/hotsync_log_codes.h"

namespace {

constexpr const char* kKindTexts[] = {
    "Double Modify",          "Double modify archive", "Reverse Delete",
    "Too many categories",    "Category deleted",      "Date changed",
    "Custom label failure",   "Category change failed", "Remote read failed",
    "Remote add failed",      "Remote purge failed",   "Remote change failed",
    "Remote delete failed",   "Local add failed",      "Record count mismatch",
    "XMap Failed",            "Archive failed",        "Local save failed",
    "Reset flags failed",     "Sync Started",          "Sync Finished",
    "Sync Aborted",           "WARNING",               "Double Modify",
};
constexpr int32_t kKindCount = static_cast<int32_t>(sizeof kKindTexts / sizeof kKindTexts[0]);

}  // namespace

int32_t TranslateLogCode(LogCode code) {
  const int32_t value = static_cast<int32_t>(code);
  if (value < 0 || value >= kKindCount) return -1;
  // "Too many categories" is shown to the user as "Category deleted".
  return code == LogCode::kTooManyCategories ? static_cast<int32_t>(LogCode::kCategoryDeleted) : value;
}

const char* LogKindText(LogCode code) {
  const int32_t value = static_cast<int32_t>(code);
  if (value < 0 || value >= kKindCount) return "";
  return kKindTexts[value];
}
