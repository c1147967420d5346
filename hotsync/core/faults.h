// Fault injection: the nth call of a named operation fails with a chosen code, so tests can reach
// every failure path of the conduit and of the write-back.
#ifndef HOTSYNC_CORE_FAULTS_H
#define HOTSYNC_CORE_FAULTS_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hotsync {

class Faults {
 public:
  // The nth call from now of operation fails with code.
  void Add(const std::string& operation, int32_t nth, int32_t code);
  void Clear() { pending_.clear(); }
  // Counts one call of operation; returns the code of a fault that fires on it, else 0. Every call
  // of the manager's API passes here: with nothing pending, not even the name is measured.
  int32_t Check(const char* operation) { return pending_.empty() ? 0 : CheckPending(operation); }

 private:
  int32_t CheckPending(std::string_view operation);

  struct Pending {
    std::string operation;
    int32_t remaining;
    int32_t code;
  };
  std::vector<Pending> pending_;
};

}  // namespace hotsync

#endif  // HOTSYNC_CORE_FAULTS_H
