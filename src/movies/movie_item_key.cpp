// The one-line description of a movie item and the key that matches it to a line of a file.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "movies/movie_item.h"
#include "movies/movie_value_text.h"
#include "platform/byte_scan.h"

using movie_value_text::DecimalText;
using movie_value_text::NameView;

const char* MovieItem::Describe() {
  static char description[kDescriptionSize];
  description[DescribeInto(description)] = '\0';
  return description;
}

size_t MovieItem::DescribeInto(char* out) const {
  // "Title (Media-Year, RunTimem)", put together here, as the full activity audit describes every
  // line and every record. The parts are as long as the item keeps them, so it always fits.
  constexpr size_t kMediaNameLimit = 32;
  static_assert(movie_record::kCapacity[movie_record::kTitle] + movie_record::kCapacity[movie_record::kRunTime] +
                        kMediaNameLimit + 16 <= kDescriptionSize,
                "every description fits");
  char* const start = out;
  auto put = [&out](const char* text, size_t size) {
    byte_scan::CopyShort(out, text, size);
    out += size;
  };
  const std::string_view title = TextView(movie_record::kTitle);
  put(title.data(), title.size());
  put(" (", 2);
  const std::string_view media = NameView(GetMediaTypeName());
  put(media.data(), std::min(media.size(), kMediaNameLimit));
  *out++ = '-';
  const uint32_t offset = GetYearOffset();
  if (offset != 0) {
    // 1905 to 2031: the offset is 1 to 127.
    const uint32_t year = 1904 + offset;
    const uint32_t last_two = year % 100;
    out[0] = year < 2000 ? '1' : '2';
    out[1] = year < 2000 ? '9' : '0';
    out[2] = static_cast<char>('0' + last_two / 10);
    out[3] = static_cast<char>('0' + last_two % 10);
    out += 4;
  }
  put(", ", 2);
  const std::string_view run_time = TextView(movie_record::kRunTime);
  put(run_time.data(), run_time.size());
  put("m)", 2);
  return static_cast<size_t>(out - start);
}

// The export trims outer blanks and the import reads fields trimmed, so a key made of the raw
// handheld texts would never meet the line the export wrote for it.
namespace {

// The key of the item into buffer (its size used bytes back); a longer key (parts are as long as
// the handheld keeps them, so the buffer holds any real one) goes to *spill instead.
constexpr size_t kKeyBufferSize = MovieItem::kKeyBufferSize;
size_t KeyInto(const MovieItem& item, char* buffer, std::string* spill) {
  size_t used = 0;
  auto append = [&](const char* text, size_t size) {
    if (spill->empty() && used + size < kKeyBufferSize) {
      byte_scan::CopyShort(buffer + used, text, size);
      used += size;
      return;
    }
    if (spill->empty()) spill->assign(buffer, used);
    spill->append(text, size);
  };
  auto append_trimmed = [&append](std::string_view text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin < end && IsSpaceChar(*begin)) ++begin;
    while (end > begin && IsSpaceChar(end[-1])) --end;
    append(begin, static_cast<size_t>(end - begin));
  };
  append_trimmed(item.TextView(movie_record::kTitle));
  uint32_t offset = item.GetYearOffset();
  if (offset != 0) {
    char year[11];
    append(DecimalText(1904 + offset, year), 4);  // four digits: the offset is 1 to 127
  }
  append_trimmed(item.TextView(movie_record::kRunTime));
  const char* media = item.GetMediaTypeName();
  if (media != nullptr) append(media, std::strlen(media));
  return used;
}

}  // namespace

// Built on the stack: this runs for every line and every handheld record.
TextString MovieItem::BuildKey() const {
  char buffer[kKeyBufferSize];
  std::string spill;
  const size_t used = KeyInto(*this, buffer, &spill);
  if (!spill.empty()) return TextString(spill.data(), static_cast<uint32_t>(spill.size()));
  return TextString(buffer, static_cast<uint32_t>(used));
}

const char* MovieItem::BuildKey(char (&buffer)[kKeyBufferSize], std::string* spill) const {
  spill->clear();
  const size_t used = KeyInto(*this, buffer, spill);
  if (!spill->empty()) return spill->c_str();
  buffer[used] = '\0';  // the parts fill at most kKeyBufferSize - 1 bytes
  return buffer;
}

void MovieItem::BuildKey(TextString* key) const {
  char buffer[kKeyBufferSize];
  std::string spill;
  const size_t used = KeyInto(*this, buffer, &spill);
  if (!spill.empty()) {
    key->Assign(static_cast<uint32_t>(spill.size()), spill.data());
  } else {
    key->Assign(static_cast<uint32_t>(used), buffer);
  }
}
