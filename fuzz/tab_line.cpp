// Import files are outside input. Decode the fields of any line and check that writing a decoded
// text and reading it again gives it back; then parse the bytes as a whole import file.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "movies/movie_item.h"
#include "textfiles/field_map.h"
#include "textfiles/data_parser.h"
#include "textfiles/desktop_file.h"
#include "textfiles/field_codec.h"
#include "platform/env.h"

namespace {

void CheckFields(const char* line, size_t length) {
  size_t position = 0;
  TextString field;
  size_t fields = 0;
  std::string own(line, length);
  own += '\0';
  size_t own_position = 0;
  while (DecodeField(line, length, &position, &field)) {
    if (position > length || static_cast<size_t>(field.Length()) > kMaxFieldText) abort();
    // Decoding in place must give the same text and stop at the same place.
    const char* in_place = DecodeFieldInPlace(&own[0], length, &own_position);
    if (in_place == nullptr || std::strcmp(in_place, field.Text()) != 0 || own_position != position) abort();
    if (++fields > length + 1) abort();
    if (field.Find("<") >= 0) continue;  // escape names in the text itself are read as escapes
    TextString encoded = EncodeField(field.Text());
    size_t again = 0;
    TextString decoded;
    if (!DecodeField(encoded.Text(), static_cast<size_t>(encoded.Length()), &again, &decoded)) {
      if (CompareTrimmed(field.Text(), "") != 0) abort();
      continue;
    }
    if (CompareTrimmed(field.Text(), decoded.Text()) != 0) abort();
  }
}

void ParseFile(const uint8_t* data, size_t size) {
  static std::string path = "/tmp/fuzz_tab_line_" + std::to_string(getpid()) + ".tab";
  FILE* out = fopen(path.c_str(), "wb");
  if (out == nullptr) return;
  fwrite(data, 1, size, out);
  fclose(out);
  DesktopFile file(Env::Default().Files(), path.c_str());
  MovieFieldMap map;
  DataParser parser(Env::Default().Time());
  parser.Attach(&file, &map);
  MovieItem item;
  for (int lines = 0; lines < 100000; ++lines) {
    item.Reset();
    bool custom = false;
    const ParseResult result = parser.ParseItem(&item, true, &custom);
    // A file that is no TAB-separated text is refused as a whole.
    if (result == ParseResult::kEnd || result == ParseResult::kNotText) break;
    if (result != ParseResult::kOk) abort();  // a movie record takes every text
    item.GetPackedSize();
    item.BuildKey();
  }
  parser.Stop();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckFields(reinterpret_cast<const char*>(data), size);
  ParseFile(data, size);
  return 0;
}
