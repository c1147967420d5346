// Reads a downloaded feed event by event through a 20000-byte window that slides forward one
// event at a time, so a feed of any size is read in bounded memory.
#ifndef REELBOX_EVENTS_FEED_READER_H
#define REELBOX_EVENTS_FEED_READER_H

#include <cstdint>
#include <functional>

#include "events/feed_event.h"

class UrlFetcher;

constexpr uint32_t kFeedBufferSize = 20000;

// Reads up to count bytes of the downloaded file: 0, or kFeedStreamError (also without a
// fetcher or an open file).
int32_t ReadFeedChunk(UrlFetcher* fetcher, char* buffer, uint32_t count, uint32_t* read);

// Receives each event with its parse code (0, or 0x800B and above for an event with bad data);
// returns 0 to go on or a code that ends the list.
using FeedEventHandler = std::function<int32_t(const FeedEvent& event, int32_t code)>;

// Reads the fetcher's downloaded file (reopened first) and hands every event to handler.
// Returns 0; 0x8000 when the server's reply had an HTTP status of 400 or above; 10 when the user stopped at the first progress report; 0x8011 when the list was read
// but some event had bad data; another feed code when the list ended early. A stop at a later
// report returns 0 (the caller sees its cancelled flag). The file is closed at the end.
int32_t ReadFeed(UrlFetcher& fetcher, const char* list_name, const FeedEventHandler& handler);

#endif  // REELBOX_EVENTS_FEED_READER_H
