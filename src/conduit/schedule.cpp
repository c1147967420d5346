#include "conduit/schedule.h"

#include "conduit/conduit_prefs.h"

EventsSchedule DecideEventsSchedule(uint32_t interval, uint32_t lastRun, uint32_t now) {
  EventsSchedule decision;
  uint32_t dueAt = interval == kNoSchedule ? 0xFFFFFFFFu : (lastRun + interval) / 86400u * 86400u;
  if (interval == 0 || now >= dueAt) {
    decision.due = true;
    return decision;
  }
  if (interval == kNoSchedule) {
    decision.noSchedule = true;
    return decision;
  }
  uint32_t remaining = dueAt - now;
  decision.daysLeft = remaining / 86400u + (remaining % 86400u != 0 ? 1u : 0u);
  return decision;
}
