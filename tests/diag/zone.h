// The time zone a test run was started in (ctest runs this suite again under TZ values far from
// UTC), and the offsets the tests expect there.
#ifndef REELBOX_TESTS_DIAG_ZONE_H
#define REELBOX_TESTS_DIAG_ZONE_H

#include <cstdint>
#include <cstdlib>
#include <string>

inline std::string TestZone() {
  const char* tz = std::getenv("TZ");
  return tz ? tz : "";
}

// Local minus UTC in seconds for a day in January (winter in the north) or July, when the run's
// zone is one the suite knows; false otherwise.
inline bool KnownZoneOffset(bool july, int64_t* offset) {
  std::string zone = TestZone();
  if (zone == "Pacific/Kiritimati") {
    *offset = 14 * 3600;
    return true;
  }
  if (zone == "America/Adak") {
    *offset = july ? -9 * 3600 : -10 * 3600;
    return true;
  }
  if (zone == "UTC" || zone == "UTC0") {
    *offset = 0;
    return true;
  }
  return false;
}

#endif  // REELBOX_TESTS_DIAG_ZONE_H
