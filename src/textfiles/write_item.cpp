#include "textfiles/write_item.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "movies/data_record.h"
#include "platform/byte_scan.h"
#include "textfiles/field_map.h"
#include "textfiles/desktop_file.h"
#include "textfiles/field_codec.h"

namespace {

// The most columns whose texts a record hands over at once; a wider map goes field by field.
constexpr int32_t kViewColumns = 64;

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
  size_t used = 0;
  auto room = [&line, &used](size_t n) -> char* {
    if (line.size() < used + n) line.resize(std::max(used + n, 2 * line.size()));
    return &line[used];
  };
  auto put = [&](const char* text, size_t size) {
    std::memcpy(room(size), text, size);
    used += size;
  };
  const int32_t count = map->Count();
  // The texts of a whole line in one call where the record offers them.
  int32_t indexes[kViewColumns];
  DataRecord::FieldView views[kViewColumns];
  thread_local char scratch[DataRecord::kViewsScratchSize];
  bool viewed = false;
  if (record != nullptr && count <= kViewColumns) {
    for (int32_t column = 0; column < count; ++column) indexes[column] = map->FieldForColumn(column);
    viewed = record->GetFieldViews(clock, indexes, count, scratch, views);
  }
  if (viewed) {
    char* start = &line[0];
    char* out = start + used;
    char* end = start + line.size();
    for (int32_t column = 0; column < count; ++column) {
      if (indexes[column] == -1) continue;
      const DataRecord::FieldView& view = views[column];
      if (view.size >= kTextLimit) break;
      // Room for the TAB, the encoded text and the line feed.
      const size_t most = EncodedFieldLimit(view.size) + 2;
      if (static_cast<size_t>(end - out) < most) {
        used = static_cast<size_t>(out - start);
        line.resize(std::max(used + most, 2 * line.size()));
        start = &line[0];
        out = start + used;
        end = start + line.size();
      }
      if (column > 0) *out++ = '\t';
      if (view.as_is) {
        // Names, numbers and yes/no texts are written as they are.
        byte_scan::CopyShort(out, view.data, view.size);
        out += view.size;
      } else {
        out = EncodeFieldInto(out, std::string_view(view.data, view.size));
      }
    }
    if (out == end) {
      // Only a line of no field at all can have left no room for its line feed.
      used = static_cast<size_t>(out - start);
      line.resize(used + 1);
      start = &line[0];
      out = start + used;
    }
    *out++ = '\n';
    used = static_cast<size_t>(out - start);
  } else {
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
  }
  size_t written = 0;
  return file->Write(line.data(), used, &written) == FileResult::kOk && written == used;
}
