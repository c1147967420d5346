// Reading a Palm database file: every offset is checked before it is used, so a damaged or hostile
// file gives an error naming the fault instead of a crash or a silently shortened database.
#include "pdb/palm_database.h"

#include <cstdio>

namespace hotsync {
namespace {

uint16_t Get16(const uint8_t* b, size_t at) { return static_cast<uint16_t>(b[at] << 8 | b[at + 1]); }

uint32_t Get32(const uint8_t* b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
         static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

bool Fail(const std::string& file_name, const std::string& fault, std::string* error) {
  *error = "Palm database file \"" + file_name + "\" is damaged: " + fault;
  return false;
}

std::string Number(uint64_t value) { return std::to_string(value); }

}  // namespace

bool ParsePalmDatabase(const SharedBytes& file_bytes, const std::string& file_name, PalmDatabase* db,
                       std::string* error) {
  const uint8_t* const file = file_bytes.data();
  const size_t size = file_bytes.size();
  if (size < kPalmHeaderSize) {
    return Fail(file_name, "short header (" + Number(size) + " bytes, 78 needed)", error);
  }
  size_t name_length = 0;
  while (name_length < kPalmNameSize && file[name_length] != 0) ++name_length;
  if (name_length == kPalmNameSize) return Fail(file_name, "database name is not terminated", error);
  *db = PalmDatabase();
  db->name.assign(reinterpret_cast<const char*>(file), name_length);
  db->nameField.assign(file, file + kPalmNameSize);
  db->attributes = Get16(file, 32);
  db->version = Get16(file, 34);
  db->creationDate = Get32(file, 36);
  db->modificationDate = Get32(file, 40);
  db->backupDate = Get32(file, 44);
  db->modificationNumber = Get32(file, 48);
  const uint32_t app_info_offset = Get32(file, 52);
  const uint32_t sort_info_offset = Get32(file, 56);
  db->type = Get32(file, 60);
  db->creator = Get32(file, 64);
  db->uniqueIdSeed = Get32(file, 68);
  const uint32_t next_list_id = Get32(file, 72);
  const uint16_t count = Get16(file, 76);
  if (next_list_id != 0) {
    char text[64];
    std::snprintf(text, sizeof text, "non-zero next record list id (0x%08x)",
                  static_cast<unsigned>(next_list_id));
    return Fail(file_name, text, error);
  }
  const bool resources = db->IsResourceDatabase();
  const size_t entry_size = resources ? kResourceEntrySize : kRecordEntrySize;
  const size_t entries_end = kPalmHeaderSize + count * entry_size;
  if (entries_end > size) {
    return Fail(file_name, "record count " + Number(count) + " does not fit in a file of " +
                              Number(size) + " bytes", error);
  }

  // Block starts in file order: AppInfo, SortInfo, then each entry. Each must lie between the end
  // of the entry list (or the previous block) and the end of the file.
  std::vector<size_t> starts;
  starts.reserve(count + 3u);
  if (app_info_offset != 0) starts.push_back(app_info_offset);
  if (sort_info_offset != 0) starts.push_back(sort_info_offset);
  const size_t blocks_before_entries = starts.size();
  for (size_t i = 0; i < count; ++i) {
    const size_t at = kPalmHeaderSize + i * entry_size;
    starts.push_back(Get32(file, at + (resources ? 6 : 0)));
  }
  // Named only for the message: a database of 65,535 records is read at every sync.
  auto what = [&](size_t i) -> std::string {
    if (i < blocks_before_entries) {
      return i == 0 && app_info_offset != 0 ? "AppInfo block" : "SortInfo block";
    }
    return (resources ? "resource " : "record ") + Number(i - blocks_before_entries);
  };
  size_t previous = entries_end;
  for (size_t i = 0; i < starts.size(); ++i) {
    if (starts[i] > size) {
      return Fail(file_name, "offset " + Number(starts[i]) + " of " + what(i) +
                                " is past the end of the file (" + Number(size) + " bytes)", error);
    }
    if (starts[i] < previous) {
      return Fail(file_name, "offset " + Number(starts[i]) + " of " + what(i) +
                                " is out of order (before " + Number(previous) + ")", error);
    }
    previous = starts[i];
  }
  starts.push_back(size);

  auto block = [&](size_t i) { return file_bytes.Slice(starts[i], starts[i + 1] - starts[i]); };
  const size_t first_block = starts.front();
  db->gap.assign(file + entries_end, file + first_block);
  size_t next = 0;
  if (app_info_offset != 0) {
    db->hasAppInfo = true;
    db->appInfo.assign(file + starts[next], file + starts[next + 1]);
    ++next;
  }
  if (sort_info_offset != 0) {
    db->hasSortInfo = true;
    db->sortInfo.assign(file + starts[next], file + starts[next + 1]);
    ++next;
  }
  // One allocation for the entry list: growing it step by step leaves freed blocks of megabytes.
  if (resources) {
    db->resources.reserve(count);
  } else {
    db->records.reserve(count);
  }
  for (size_t i = 0; i < count; ++i, ++next) {
    const size_t at = kPalmHeaderSize + i * entry_size;
    if (resources) {
      PalmResource resource;
      resource.type = Get32(file, at);
      resource.id = Get16(file, at + 4);
      resource.data = block(next);
      db->resources.push_back(std::move(resource));
    } else {
      PalmRecord record;
      record.attributes = file[at + 4];
      record.id = static_cast<uint32_t>(file[at + 5]) << 16 |
                  static_cast<uint32_t>(file[at + 6]) << 8 | file[at + 7];
      record.data = block(next);
      db->records.push_back(std::move(record));
    }
  }
  return true;
}

uint32_t FourCharCode(const char* text) {
  uint32_t code = 0;
  for (int i = 0; i < 4; ++i) {
    code = code << 8 | static_cast<uint8_t>(text[i]);
  }
  return code;
}

std::string FourCharText(uint32_t code) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i) text[i] = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
  return text;
}

}  // namespace hotsync
