#include "events/recurrence_rule.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/clock.h"

namespace {

constexpr int64_t kDays1904To1970 = 24107;
constexpr uint32_t kSecondsPerDay = 86400;
// A part lists at most this many values: enough for every day of a year.
constexpr size_t kMaxPartValues = 400;

// 0 Monday .. 6 Sunday; 1904-01-01 was a Friday.
int Weekday(int64_t day) { return static_cast<int>((day % 7 + 7 + 4) % 7); }

int64_t DayOf(int32_t year, int32_t month, int32_t day) { return DaysFromCivil(year, month, day) + kDays1904To1970; }

void CivilOf(int64_t day, CivilTime* date) { CivilFromDays(day - kDays1904To1970, date); }

bool IsLeap(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int32_t year, int32_t month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

const char* const kDayNames[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};

int DayNumber(const std::string& text) {
  for (int i = 0; i < 7; ++i) {
    if (text == kDayNames[i]) return i;
  }
  return -1;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  }
  return text;
}

// A signed decimal number of at most 6 digits; false for anything else.
bool Number(const std::string& text, int* out) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size() || text.size() - i > 6) return false;
  int n = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    n = n * 10 + (text[i] - '0');
  }
  *out = negative ? -n : n;
  return true;
}

// A comma list of numbers, each within [-limit, limit] and not 0 (or, with zero_ok, 1..limit).
bool NumberList(const std::string& text, int low, int high, bool zero_ok, std::vector<int>* out) {
  size_t at = 0;
  while (at <= text.size()) {
    size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    int n = 0;
    if (!Number(text.substr(at, comma - at), &n) || n < low || n > high || (n == 0 && !zero_ok)) return false;
    if (out->size() >= kMaxPartValues) return false;
    out->push_back(n);
    at = comma + 1;
  }
  return true;
}

bool ParseUntil(const std::string& text, RecurrenceRule* rule) {
  // "YYYYMMDD", "YYYYMMDDTHHMMSS" or the same with "Z".
  if (text.size() != 8 && text.size() != 15 && text.size() != 16) return false;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  auto digits = [&](size_t at, size_t n, int* v) {
    *v = 0;
    for (size_t i = at; i < at + n; ++i) {
      if (text[i] < '0' || text[i] > '9') return false;
      *v = *v * 10 + (text[i] - '0');
    }
    return true;
  };
  if (!digits(0, 4, &year) || !digits(4, 2, &month) || !digits(6, 2, &day)) return false;
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  if (text.size() > 8) {
    if ((text[8] != 'T' && text[8] != 't') || !digits(9, 2, &hour) || !digits(11, 2, &minute) ||
        !digits(13, 2, &second)) {
      return false;
    }
    if (text.size() == 16) {
      if (text[15] != 'Z' && text[15] != 'z') return false;
      rule->until_utc = true;
    }
  } else {
    rule->until_date = true;
  }
  rule->has_until = true;
  if (year < 1904) {
    rule->until = 0;
    return true;
  }
  int64_t seconds = DayOf(year, month, 1) * kSecondsPerDay + (day - 1) * int64_t{kSecondsPerDay} + hour * 3600 +
                    minute * 60 + second;
  rule->until = seconds > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(seconds);
  return true;
}

bool ParseByDay(const std::string& text, RecurrenceRule* rule) {
  size_t at = 0;
  while (at <= text.size()) {
    size_t comma = text.find(',', at);
    if (comma == std::string::npos) comma = text.size();
    std::string item = text.substr(at, comma - at);
    if (item.size() < 2) return false;
    int day = DayNumber(item.substr(item.size() - 2));
    int ordinal = 0;
    if (day < 0) return false;
    if (item.size() > 2 && (!Number(item.substr(0, item.size() - 2), &ordinal) || ordinal == 0 || ordinal > 53 ||
                            ordinal < -53)) {
      return false;
    }
    if (rule->by_day.size() >= kMaxPartValues) return false;
    rule->by_day.push_back(RecurrenceRule::Weekday{day, ordinal});
    at = comma + 1;
  }
  return true;
}

bool ParsePart(const std::string& name, const std::string& value, RecurrenceRule* rule, bool* has_frequency) {
  if (name == "FREQ") {
    static const struct {
      const char* name;
      RecurrenceFrequency frequency;
    } kFrequencies[] = {{"DAILY", RecurrenceFrequency::kDaily},
                        {"WEEKLY", RecurrenceFrequency::kWeekly},
                        {"MONTHLY", RecurrenceFrequency::kMonthly},
                        {"YEARLY", RecurrenceFrequency::kYearly}};
    for (const auto& f : kFrequencies) {
      if (value == f.name) {
        rule->frequency = f.frequency;
        *has_frequency = true;
        return true;
      }
    }
    return false;  // SECONDLY to HOURLY: more than one start a day
  }
  int n = 0;
  if (name == "INTERVAL") {
    if (!Number(value, &n) || n < 1) return false;
    rule->interval = static_cast<uint32_t>(n);
    return true;
  }
  if (name == "COUNT") {
    if (!Number(value, &n) || n < 1) return false;
    rule->count = static_cast<uint32_t>(n);
    return true;
  }
  if (name == "UNTIL") return ParseUntil(value, rule);
  if (name == "WKST") {
    rule->week_start = DayNumber(value);
    return rule->week_start >= 0;
  }
  if (name == "BYDAY") return ParseByDay(value, rule);
  if (name == "BYMONTHDAY") return NumberList(value, -31, 31, false, &rule->by_month_day);
  if (name == "BYMONTH") return NumberList(value, 1, 12, false, &rule->by_month);
  if (name == "BYYEARDAY") return NumberList(value, -366, 366, false, &rule->by_year_day);
  if (name == "BYWEEKNO") return NumberList(value, -53, 53, false, &rule->by_week_no);
  if (name == "BYSETPOS") return NumberList(value, -366, 366, false, &rule->by_set_pos);
  return true;  // BYHOUR, BYMINUTE, BYSECOND and extensions: not followed
}

bool Contains(const std::vector<int>& values, int value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// The days of one year a rule may pick, as day-of-year flags, with what the filters need.
class YearMasks {
 public:
  void Build(int32_t year, const RecurrenceRule& rule) {
    year_ = year;
    first_day_ = DayOf(year, 1, 1);
    length_ = IsLeap(year) ? 366 : 365;
    next_length_ = IsLeap(year + 1) ? 366 : 365;
    if (!rule.by_week_no.empty()) BuildWeekNumbers(rule);
  }
  int64_t FirstDay() const { return first_day_; }
  int Length() const { return length_; }
  int NextLength() const { return next_length_; }
  bool InWeek(int i) const { return week_mask_[static_cast<size_t>(i)]; }

 private:
  // Week numbers as RFC 5545 counts them: week 1 is the first with at least four days of the
  // year, weeks beginning on the rule's week start.
  void BuildWeekNumbers(const RecurrenceRule& rule) {
    std::fill(std::begin(week_mask_), std::end(week_mask_), false);
    const int wkst = rule.week_start;
    const int year_weekday = Weekday(first_day_);
    auto weekday_at = [&](int i) { return Weekday(first_day_ + i); };
    int first_wkst = (7 - year_weekday + wkst) % 7;
    int week1 = first_wkst;
    int week_year_length = 0;
    if (week1 >= 4) {
      week1 = 0;
      week_year_length = length_ + (year_weekday - wkst + 7) % 7;
    } else {
      week_year_length = length_ - week1;
    }
    int weeks = week_year_length / 7 + (week_year_length % 7) / 4;
    auto mark_week = [&](int i) {
      for (int j = 0; j < 7 && i < kMaskSize; ++j) {
        week_mask_[static_cast<size_t>(i)] = true;
        ++i;
        if (weekday_at(i) == wkst) break;
      }
    };
    for (int n : rule.by_week_no) {
      if (n < 0) n += weeks + 1;
      if (n <= 0 || n > weeks) continue;
      int i = week1;
      if (n > 1) {
        i = week1 + (n - 1) * 7;
        if (week1 != first_wkst) i -= 7 - first_wkst;
      }
      mark_week(i);
    }
    if (Contains(rule.by_week_no, 1)) {
      // Week 1 of the next year may begin in this one.
      int i = week1 + weeks * 7;
      if (week1 != first_wkst) i -= 7 - first_wkst;
      if (i < length_) mark_week(i);
    }
    if (week1 != 0) {
      // The days before week 1 belong to the last week of the year before.
      int last_weeks = -1;
      if (!Contains(rule.by_week_no, -1)) {
        int last_year_weekday = Weekday(DayOf(year_ - 1, 1, 1));
        int last_first = (7 - last_year_weekday + wkst) % 7;
        int last_length = IsLeap(year_ - 1) ? 366 : 365;
        if (last_first >= 4) {
          last_weeks = 52 + (last_length + (last_year_weekday - wkst + 7) % 7) % 7 / 4;
        } else {
          last_weeks = 52 + (length_ - week1) % 7 / 4;
        }
      }
      if (Contains(rule.by_week_no, last_weeks)) {
        for (int i = 0; i < week1; ++i) week_mask_[static_cast<size_t>(i)] = true;
      }
    }
  }

  static constexpr int kMaskSize = 366 + 14;
  int32_t year_ = 0;
  int64_t first_day_ = 0;
  int length_ = 365;
  int next_length_ = 365;
  bool week_mask_[kMaskSize] = {};
};

// Marks, in days [first, last] of a range (a month or a year), the days BYDAY's ordinals name.
void MarkOrdinalDays(const RecurrenceRule& rule, int64_t first, int64_t last, std::vector<int64_t>* marked) {
  for (const RecurrenceRule::Weekday& w : rule.by_day) {
    if (w.ordinal == 0) continue;
    int64_t day = 0;
    if (w.ordinal < 0) {
      day = last + (w.ordinal + 1) * 7;
      day -= (Weekday(day) - w.day + 7) % 7;
    } else {
      day = first + (w.ordinal - 1) * 7;
      day += (7 - Weekday(day) + w.day) % 7;
    }
    if (day >= first && day <= last) marked->push_back(day);
  }
}

struct Filters {
  std::vector<int> by_month;
  std::vector<int> months;  // by_month ascending, each once
  std::vector<int> by_month_day;
  std::vector<int> plain_days;  // weekdays without ordinal
  bool ordinals = false;        // BYDAY with ordinals (monthly and yearly rules)
};

// The date after date.
void NextDay(CivilTime* date) {
  if (++date->day <= DaysInMonth(date->year, date->month)) return;
  date->day = 1;
  if (++date->month <= 12) return;
  date->month = 1;
  ++date->year;
}

// The days in [first, last] that are days of the month the filters name (in their months, when
// they name months), ascending: the days of a rule that picks by nothing else, found without a
// look at every day.
void MonthDays(const Filters& filters, int64_t first, int64_t last, std::vector<int64_t>* days) {
  CivilTime date;
  CivilOf(first, &date);
  int64_t month_first = first - (date.day - 1);
  while (month_first <= last) {
    const int length = DaysInMonth(date.year, date.month);
    if (filters.by_month.empty() || Contains(filters.by_month, date.month)) {
      uint32_t picked = 0;  // bit d: day d of the month
      for (int value : filters.by_month_day) {
        const int day = value > 0 ? value : length + 1 + value;
        if (day >= 1 && day <= length) picked |= uint32_t{1} << day;
      }
      for (; picked != 0; picked &= picked - 1) {
        const int64_t day = month_first + __builtin_ctz(picked) - 1;
        if (day >= first && day <= last) days->push_back(day);
      }
    }
    month_first += length;
    date.day = 1;
    if (++date.month > 12) {
      date.month = 1;
      ++date.year;
    }
  }
}

// The days of one period (a day, a week, a month or a year) that the rule picks, ascending.
void PeriodDays(const RecurrenceRule& rule, const Filters& filters, YearMasks& masks, int32_t* mask_year,
                int64_t first, int64_t last, std::vector<int64_t>* days) {
  days->clear();
  std::vector<int64_t> ordinal_days;
  if (filters.ordinals) {
    CivilTime date;
    CivilOf(first, &date);
    if (rule.frequency == RecurrenceFrequency::kMonthly) {
      MarkOrdinalDays(rule, first, last, &ordinal_days);
    } else if (rule.frequency == RecurrenceFrequency::kYearly) {
      if (filters.by_month.empty()) {
        MarkOrdinalDays(rule, first, last, &ordinal_days);
      } else {
        for (int month : filters.by_month) {
          int64_t month_first = DayOf(date.year, month, 1);
          MarkOrdinalDays(rule, month_first, month_first + DaysInMonth(date.year, month) - 1, &ordinal_days);
        }
      }
    }
  }
  // A yearly rule with months looks only at those months (at most twelve).
  std::pair<int64_t, int64_t> ranges[12];
  size_t range_count = 0;
  if (rule.frequency == RecurrenceFrequency::kYearly && !filters.by_month.empty()) {
    CivilTime date;
    CivilOf(first, &date);
    for (int month : filters.months) {
      int64_t month_first = DayOf(date.year, month, 1);
      ranges[range_count++] = {month_first, month_first + DaysInMonth(date.year, month) - 1};
    }
  } else {
    ranges[range_count++] = {first, last};
  }
  // Most rules pick days of the month and nothing more (a yearly or monthly rule without a day
  // part repeats its first day): those days are counted out directly.
  const bool month_days_only = rule.by_week_no.empty() && rule.by_year_day.empty() && filters.plain_days.empty() &&
                               !filters.ordinals && !filters.by_month_day.empty();
  for (size_t r = 0; r < range_count; ++r) {
    const auto& range = ranges[r];
    if (month_days_only) {
      MonthDays(filters, range.first, range.second, days);
      continue;
    }
    // The date is stepped along with the day rather than worked out again for each.
    CivilTime date;
    CivilOf(range.first, &date);
    for (int64_t day = range.first; day <= range.second; ++day, NextDay(&date)) {
      if (!filters.by_month.empty() && !Contains(filters.by_month, date.month)) continue;
      if (date.year != *mask_year) {
        masks.Build(date.year, rule);
        *mask_year = date.year;
      }
      const int i = static_cast<int>(day - masks.FirstDay());
      if (!rule.by_week_no.empty() && !masks.InWeek(i)) continue;
      if (!filters.plain_days.empty() || filters.ordinals) {
        bool plain = Contains(filters.plain_days, Weekday(day));
        bool ordinal = std::find(ordinal_days.begin(), ordinal_days.end(), day) != ordinal_days.end();
        if (!plain && !ordinal) continue;
      }
      if (!filters.by_month_day.empty()) {
        int from_end = date.day - DaysInMonth(date.year, date.month) - 1;
        if (!Contains(filters.by_month_day, date.day) && !Contains(filters.by_month_day, from_end)) continue;
      }
      if (!rule.by_year_day.empty()) {
        if (!Contains(rule.by_year_day, i + 1) && !Contains(rule.by_year_day, i - masks.Length())) continue;
      }
      days->push_back(day);
    }
  }
  if (!rule.by_set_pos.empty() && !days->empty()) {
    std::vector<int64_t> picked;
    const int n = static_cast<int>(days->size());
    for (int pos : rule.by_set_pos) {
      int index = pos > 0 ? pos - 1 : n + pos;
      if (index >= 0 && index < n) picked.push_back((*days)[static_cast<size_t>(index)]);
    }
    std::sort(picked.begin(), picked.end());
    picked.erase(std::unique(picked.begin(), picked.end()), picked.end());
    days->swap(picked);
  }
}

}  // namespace

bool ParseRecurrenceRule(const std::string& text, RecurrenceRule* rule) {
  *rule = RecurrenceRule();
  bool has_frequency = false;
  size_t at = 0;
  while (at < text.size()) {
    size_t semicolon = text.find(';', at);
    if (semicolon == std::string::npos) semicolon = text.size();
    std::string part = text.substr(at, semicolon - at);
    at = semicolon + 1;
    if (part.empty()) continue;
    size_t equals = part.find('=');
    if (equals == std::string::npos) return false;
    if (!ParsePart(Upper(part.substr(0, equals)), Upper(part.substr(equals + 1)), rule, &has_frequency)) return false;
  }
  return has_frequency;
}

void ExpandRecurrenceRule(const RecurrenceRule& rule, uint32_t first, uint32_t until_wall, uint32_t limit,
                          const std::function<bool(uint32_t)>& emit, uint32_t skip_before) {
  const int64_t first_day = first / kSecondsPerDay;
  const uint32_t time_of_day = first % kSecondsPerDay;
  const uint64_t end = std::min(until_wall, limit);
  // The first start is the event's own: given whatever the rule's end and the limit say.
  uint32_t given = 1;
  if (!emit(first) || first > end) return;
  if (rule.count != 0 && given >= rule.count) return;

  CivilTime start;
  CivilOf(first_day, &start);
  Filters filters;
  filters.by_month = rule.by_month;
  filters.by_month_day = rule.by_month_day;
  for (const RecurrenceRule::Weekday& w : rule.by_day) {
    bool ordinal_applies = w.ordinal != 0 && (rule.frequency == RecurrenceFrequency::kMonthly ||
                                              rule.frequency == RecurrenceFrequency::kYearly);
    if (ordinal_applies) {
      filters.ordinals = true;
    } else {
      filters.plain_days.push_back(w.day);
    }
  }
  // Without a day part the rule repeats the first start's day.
  if (rule.by_week_no.empty() && rule.by_year_day.empty() && rule.by_month_day.empty() && rule.by_day.empty()) {
    if (rule.frequency == RecurrenceFrequency::kYearly) {
      if (filters.by_month.empty()) filters.by_month.push_back(start.month);
      filters.by_month_day.push_back(start.day);
    } else if (rule.frequency == RecurrenceFrequency::kMonthly) {
      filters.by_month_day.push_back(start.day);
    } else if (rule.frequency == RecurrenceFrequency::kWeekly) {
      filters.plain_days.push_back(Weekday(first_day));
    }
  }

  filters.months = filters.by_month;
  std::sort(filters.months.begin(), filters.months.end());
  filters.months.erase(std::unique(filters.months.begin(), filters.months.end()), filters.months.end());
  YearMasks masks;
  int32_t mask_year = -1;
  std::vector<int64_t> days;
  const int64_t last_day = static_cast<int64_t>(end / kSecondsPerDay);
  const int64_t interval = rule.interval;
  for (int64_t k = 0;; ++k) {
    int64_t period_first = 0, period_last = 0;
    switch (rule.frequency) {
      case RecurrenceFrequency::kDaily:
        period_first = period_last = first_day + k * interval;
        break;
      case RecurrenceFrequency::kWeekly: {
        int64_t week = first_day - (Weekday(first_day) - rule.week_start + 7) % 7;
        period_first = week + k * interval * 7;
        period_last = period_first + 6;
        break;
      }
      case RecurrenceFrequency::kMonthly: {
        int64_t months = (start.year * 12 + (start.month - 1)) + k * interval;
        int32_t year = static_cast<int32_t>(months / 12);
        int32_t month = static_cast<int32_t>(months % 12) + 1;
        period_first = DayOf(year, month, 1);
        period_last = period_first + DaysInMonth(year, month) - 1;
        break;
      }
      case RecurrenceFrequency::kYearly: {
        int32_t year = start.year + static_cast<int32_t>(k * interval);
        period_first = DayOf(year, 1, 1);
        period_last = DayOf(year, 12, 31);
        break;
      }
    }
    if (period_first > last_day) return;
    // Without COUNT, no start before skip_before changes what comes after it.
    if (rule.count == 0 && period_last * kSecondsPerDay + time_of_day < skip_before) continue;
    PeriodDays(rule, filters, masks, &mask_year, period_first, period_last, &days);
    for (int64_t day : days) {
      if (day <= first_day) continue;  // the first start is given already
      uint64_t at = static_cast<uint64_t>(day) * kSecondsPerDay + time_of_day;
      if (at > end) return;
      if (!emit(static_cast<uint32_t>(at))) return;
      if (rule.count != 0 && ++given >= rule.count) return;
    }
  }
}
