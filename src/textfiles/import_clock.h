// The clock an import file's texts are read with: the desktop clock, whose conversions of local
// times are remembered while one file is read. An import holds the same dates again and again (a
// due date is mostly another line's loan date), and each conversion asks the time-zone rules.
// Started anew for every file, so a change of the time zone between two files is followed.
#ifndef REELBOX_TEXTFILES_IMPORT_CLOCK_H
#define REELBOX_TEXTFILES_IMPORT_CLOCK_H

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/clock.h"

class ImportClock final : public Clock {
 public:
  // REQUIRES: desktop outlives this clock.
  explicit ImportClock(Clock& desktop);

  // Forgets every remembered conversion and the time zone.
  void Forget();

  int64_t NowUtc() override { return desktop_.NowUtc(); }
  bool FileTimeToLocal(uint64_t utc, uint64_t* local) override { return desktop_.FileTimeToLocal(utc, local); }
  // As the desktop clock's, answered from the remembered ones when the same local time came before.
  bool LocalToUtc(CivilTime* local, int64_t* utc) override;
  int FormatShortDate(const CivilTime& date, char* buffer, int size) override {
    return desktop_.FormatShortDate(date, buffer, size);
  }
  int FormatTime(const CivilTime& time, const char* picture, char* buffer, int size) override {
    return desktop_.FormatTime(time, picture, buffer, size);
  }
  uint32_t TickCount() override { return desktop_.TickCount(); }

 private:
  struct Known {
    CivilTime asked;
    CivilTime local;  // normalised, as the desktop clock gave it back
    int64_t utc;
    bool valid;
  };
  static constexpr size_t kSlots = 1024;

  Clock& desktop_;
  std::unique_ptr<Known[]> known_;
  bool zone_looked_at_ = false;
};

#endif  // REELBOX_TEXTFILES_IMPORT_CLOCK_H
