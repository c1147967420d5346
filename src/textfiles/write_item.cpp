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
  for (int32_t column = 0; column < map->Count(); ++column) {
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
    // A record that shows its texts in place saves copying each into the buffer; a text too long
    // for the buffer ends the line either way.
    char text[2000];
    static_assert(sizeof text >= DataRecord::kViewScratchSize, "the text buffer serves as the view's scratch");
    std::string_view view;
    bool as_is = false;
    if (record->GetFieldView(clock, index, text, &view, &as_is)) {
      if (view.size() >= sizeof text) break;
    } else {
      int32_t size = sizeof text;
      if (!record->GetFieldText(clock, index, text, &size)) break;
      view = text;
    }
    if (column > 0) put("\t", 1);
    if (as_is) {
      // Names, numbers and yes/no texts are written as they are.
      byte_scan::CopyShort(room(view.size()), view.data(), view.size());
      used += view.size();
      continue;
    }
    used = static_cast<size_t>(EncodeFieldInto(room(EncodedFieldLimit(view.size())), view) - line.data());
  }
  put("\n", 1);
  size_t written = 0;
  return file->Write(line.data(), used, &written) == FileResult::kOk && written == used;
}
