#include "textfiles/import_clock.h"

namespace {

bool Same(const CivilTime& a, const CivilTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
         a.second == b.second;
}

size_t SlotOf(const CivilTime& t, size_t slots) {
  // Unsigned throughout: a text may give any field any value.
  const auto u = [](int32_t v) { return static_cast<uint32_t>(v); };
  uint32_t h = u(t.year) * 0x9E3779B1u;
  h ^= (u(t.month) * 31u + u(t.day)) * 0x85EBCA77u;
  h ^= ((u(t.hour) * 60u + u(t.minute)) * 60u + u(t.second)) * 0xC2B2AE3Du;
  h ^= h >> 15;
  return h & (slots - 1);
}

}  // namespace

ImportClock::ImportClock(Clock& desktop) : desktop_(desktop), known_(new Known[kSlots]()) {}

void ImportClock::Forget() {
  for (size_t i = 0; i < kSlots; ++i) known_[i].valid = false;
  zone_looked_at_ = false;
}

bool ImportClock::LocalToUtc(CivilTime* local, int64_t* utc) {
  Known& slot = known_[SlotOf(*local, kSlots)];
  if (slot.valid && Same(slot.asked, *local)) {
    *local = slot.local;
    *utc = slot.utc;
    return true;
  }
  const CivilTime asked = *local;
  // The first conversion of a file looks at the desktop's time zone; the others keep to it.
  const bool converted =
      zone_looked_at_ ? desktop_.LocalToUtcInSameZone(local, utc) : desktop_.LocalToUtc(local, utc);
  if (!converted) return false;
  zone_looked_at_ = true;
  slot = Known{asked, *local, *utc, true};
  return true;
}
