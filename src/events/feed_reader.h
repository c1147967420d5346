// Reads a downloaded feed event by event through a 20000-byte window that slides forward one
// event at a time, so a feed of any size is read in bounded memory.
#ifndef REELBOX_EVENTS_FEED_READER_H
#define REELBOX_EVENTS_FEED_READER_H

#include <cstdint>
#include <functional>
#include <string_view>

#include "events/feed_event.h"

class UrlFetcher;

constexpr uint32_t kFeedBufferSize = 20000;

// Reads up to count bytes of the downloaded file: kDone, or kStreamError (also without a
// fetcher or an open file).
FeedCode ReadFeedChunk(UrlFetcher* fetcher, char* buffer, uint32_t count, uint32_t* read);

// Receives each event with its parse code (kDone, or 0x800B and above for an event with bad data);
// returns kDone to go on or a code that ends the list.
using FeedEventHandler = std::function<FeedCode(const FeedEvent& event, FeedCode code)>;
// Receives the text of each VTIMEZONE block (from its first property to its END line).
using FeedZoneHandler = std::function<void(std::string_view zone)>;

// Reads the fetcher's downloaded file (reopened first) and hands every event to handler.
// Returns kDone; kNoResponse when the server's reply had an HTTP status of 400 or above;
// kCancelled when the user stopped at the first progress report; kSomeBadEvents when the list was
// read but some event had bad data; another feed code when the list ended early. A stop at a later
// report returns kDone (the caller sees its cancelled flag). The file is closed at the end.
// With zones, the feed's time zones go there as they are met, each before the events after it.
FeedCode ReadFeed(UrlFetcher& fetcher, const char* list_name, const FeedEventHandler& handler,
                  const FeedZoneHandler& zones = nullptr);

#endif  // REELBOX_EVENTS_FEED_READER_H
