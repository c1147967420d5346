#include "core/faults.h"

namespace hotsync {

void Faults::Add(const std::string& operation, int32_t nth, int32_t code) {
  pending_.push_back(Pending{operation, nth, code});
}

int32_t Faults::CheckPending(std::string_view operation) {
  int32_t fired = 0;
  for (size_t i = 0; i < pending_.size();) {
    Pending& fault = pending_[i];
    if (fault.operation == operation && --fault.remaining <= 0) {
      if (fired == 0) fired = fault.code;
      pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    ++i;
  }
  return fired;
}

}  // namespace hotsync
