#include "conduit/schedule.h"

#include "conduit/conduit_prefs.h"

EventsSchedule DecideEventsSchedule(uint32_t interval, uint32_t last_run, uint32_t now) {
  EventsSchedule decision;
  uint32_t due_at = interval == kNoSchedule ? 0xFFFFFFFFu : (last_run + interval) / 86400u * 86400u;
  if (interval == 0 || now >= due_at) {
    decision.due = true;
    return decision;
  }
  if (interval == kNoSchedule) {
    decision.noSchedule = true;
    return decision;
  }
  uint32_t remaining = due_at - now;
  decision.daysLeft = remaining / 86400u + (remaining % 86400u != 0 ? 1u : 0u);
  return decision;
}
