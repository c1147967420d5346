/* The peer of the events benchmark: parses each calendar file given with libical and prints the
 * seconds that reading and parsing all of them took, and how many events they held. */
#include <libical/ical.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static char* ReadAll(const char* path) {
  FILE* f = fopen(path, "rb");
  if (f == NULL) return NULL;
  fseek(f, 0, SEEK_END);
  long size = ftell(f);
  fseek(f, 0, SEEK_SET);
  char* text = malloc((size_t)size + 1);
  if (text != NULL && fread(text, 1, (size_t)size, f) != (size_t)size) {
    free(text);
    text = NULL;
  }
  if (text != NULL) text[size] = 0;
  fclose(f);
  return text;
}

int main(int argc, char** argv) {
  struct timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  long events = 0;
  for (int i = 1; i < argc; ++i) {
    char* text = ReadAll(argv[i]);
    if (text == NULL) return 1;
    icalcomponent* calendar = icalparser_parse_string(text);
    free(text);
    if (calendar == NULL) return 1;
    for (icalcomponent* c = icalcomponent_get_first_component(calendar, ICAL_VEVENT_COMPONENT); c != NULL;
         c = icalcomponent_get_next_component(calendar, ICAL_VEVENT_COMPONENT)) {
      struct icaltimetype when = icalcomponent_get_dtstart(c);
      if (icalcomponent_get_uid(c) != NULL && !icaltime_is_null_time(when)) ++events;
    }
    icalcomponent_free(calendar);
  }
  clock_gettime(CLOCK_MONOTONIC, &end);
  printf("seconds %.4f events %ld\n", (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9,
         events);
  return 0;
}
