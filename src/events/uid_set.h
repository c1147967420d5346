// A set of event UIDs, equal when they differ only in ASCII letter case, as the event index sees
// them. The texts lie back to back in one block and a table of their hashes finds them (open
// addressing), so adding a UID allocates nothing of its own.
#ifndef REELBOX_EVENTS_UID_SET_H
#define REELBOX_EVENTS_UID_SET_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The hash of a UID with its capitals as small letters: UIDs equal as the set sees them hash alike.
uint32_t FoldedUidHash(std::string_view uid);

class UidSet {
 public:
  bool Contains(std::string_view uid) const;
  // Adds uid unless an equal one is there.
  void Insert(std::string_view uid);
  size_t Count() const { return count_; }

 private:
  struct Slot {
    uint32_t hash = 0;
    uint32_t length = 0;
    size_t offset = kEmpty;  // where the text begins in texts_
  };
  static constexpr size_t kEmpty = static_cast<size_t>(-1);

  // The slot holding uid, or the empty slot where it would go; the table is never full.
  size_t Find(std::string_view uid, uint32_t hash) const;
  void Grow();

  std::vector<Slot> slots_;
  std::string texts_;
  size_t count_ = 0;
};

#endif  // REELBOX_EVENTS_UID_SET_H
