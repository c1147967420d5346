// Handheld Movie-Lists records are outside input: unpack any bytes, read every field in both forms,
// and check that packing what was unpacked is stable.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "movies/movie_item.h"
#include "movies/movie_record.h"
#include "platform/env.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > movie_record::kPackedBufferSize) size = movie_record::kPackedBufferSize;
  MovieItem item;
  item.SetPackedRecord(data, static_cast<uint32_t>(size));
  // Numbers straight from the packed bytes, then every text field.
  item.GetAwardsAttr();
  item.GetTechAttr();
  char text[2000];
  Clock& clock = Env::Default().Time();
  for (int32_t index = 0; index < kMovieFieldCount; ++index) {
    int32_t text_size = sizeof text;
    item.GetFieldText(clock, index, text, &text_size);
  }
  item.Describe();
  item.BuildKey();

  MovieTransRecord first;
  UnpackMovieRecord(data, size, &first);
  uint8_t packed[movie_record::kPackedBufferSize];
  size_t packed_size = PackMovieRecord(first, packed);
  if (packed_size < movie_record::kMinPackedSize || packed_size > movie_record::kMaxPackedSize) abort();
  MovieTransRecord second;
  UnpackMovieRecord(packed, packed_size, &second);
  if (std::memcmp(&first, &second, sizeof first) != 0) abort();

  // The item itself repacks to the same bytes once a change forces it.
  item.SetTitle(item.GetTitle());
  uint32_t item_size = 0;
  const uint8_t* item_packed = item.GetPackedRecord(&item_size);
  if (item_packed == nullptr || item_size != packed_size || std::memcmp(item_packed, packed, packed_size) != 0)
    abort();
  return 0;
}
