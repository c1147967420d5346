#include "textfiles/write_item.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "movies/data_record.h"
#include "textfiles/field_map.h"
#include "textfiles/desktop_file.h"
#include "textfiles/field_codec.h"

namespace {

// The most columns a record writes in one call; a wider map goes field by field, so that the line
// buffer stays small whatever the map.
constexpr int32_t kRecordLineColumns = 64;

// A text too long for the reading buffer ends the line either way.
constexpr size_t kTextLimit = 2000;

}  // namespace

// The line grows as needed: a record whose long fields are heavily escaped can pass any fixed
// buffer, and a line cut short would be a record changed on the way back in.
bool WriteItem(Clock& clock, DesktopFile* file, FieldMap* map, DataRecord* record) {
  if (file == nullptr || map == nullptr || !file->IsOpen()) return false;
  // One line buffer for every line of every file, written in place: appending field by field
  // costs a call into the C runtime per field.
  thread_local std::string buffer;
  std::string& line = buffer;
  const int32_t count = map->Count();
  // The whole line in one call where the record writes it, into room for the most it can take.
  const size_t per_field = record != nullptr && count <= kRecordLineColumns ? record->MaxFieldBytes() : 0;
  if (per_field > 0) {
    const size_t most = static_cast<size_t>(count) * per_field + 1;
    if (line.size() < most) line.resize(most);
    char* end = record->WriteFieldTexts(clock, map->ColumnFields(), count, EncodeFieldInto, &line[0]);
    if (end != nullptr) {
      *end++ = '\n';
      const size_t used = static_cast<size_t>(end - line.data());
      size_t written = 0;
      return file->Write(line.data(), used, &written) == FileResult::kOk && written == used;
    }
  }
  size_t used = 0;
  auto room = [&line, &used](size_t n) -> char* {
    if (line.size() < used + n) line.resize(std::max(used + n, 2 * line.size()));
    return &line[used];
  };
  auto put = [&](const char* text, size_t size) {
    std::memcpy(room(size), text, size);
    used += size;
  };
  for (int32_t column = 0; column < count; ++column) {
    int32_t index = map->FieldForColumn(column);
    if (record == nullptr) {
      if (column > 0) put("\t", 1);
      char name[FieldMap::kNameBufferSize] = {};
      const char* shown = map->FieldName(index, name, sizeof name);
      if (shown == nullptr) shown = "[unknown]";
      put(shown, std::strlen(shown));
      continue;
    }
    if (index == -1) continue;
    char text[kTextLimit];
    int32_t size = sizeof text;
    if (!record->GetFieldText(clock, index, text, &size)) break;
    if (column > 0) put("\t", 1);
    const std::string_view view(text);
    used = static_cast<size_t>(EncodeFieldInto(room(EncodedFieldLimit(view.size())), view) - line.data());
  }
  put("\n", 1);
  size_t written = 0;
  return file->Write(line.data(), used, &written) == FileResult::kOk && written == used;
}
