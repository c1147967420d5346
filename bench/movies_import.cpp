// Writes an export file of 100,000 generated movie lines, then parses it back through DataParser;
// prints the time of each for n and n/4 lines so that growth faster than the work shows.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "movies/movie_item.h"
#include "movies/record_generator.h"
#include "textfiles/field_map.h"
#include "support/temp_dir.h"
#include "textfiles/data_parser.h"
#include "textfiles/write_item.h"
#include "textfiles/desktop_file.h"
#include "platform/env.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Run(uint32_t lines) {
  TempDir dir;
  std::string path = dir.Sub("MyMoviesImport.tab");
  MovieFieldMap map;
  Clock& clock = Env::Default().Time();
  auto start = std::chrono::steady_clock::now();
  {
    DesktopFile out(Env::Default().Files(), path.c_str());
    out.OpenWrite();
    WriteItem(clock, &out, &map, nullptr);
    MovieItem item;
    for (uint32_t n = 0; n < lines; ++n) {
      std::vector<uint8_t> bytes = record_generator::PackedRecord(n);
      item.SetPackedRecord(bytes.data(), static_cast<uint32_t>(bytes.size()));
      WriteItem(clock, &out, &map, &item);
    }
    out.Close();
  }
  double write = Seconds(start);
  size_t bytes = static_cast<size_t>(std::filesystem::file_size(path));

  start = std::chrono::steady_clock::now();
  DesktopFile in(Env::Default().Files(), path.c_str());
  DataParser parser(clock);
  parser.Attach(&in, &map);
  MovieItem item;
  uint32_t parsed = 0;
  uint64_t check = 0;
  for (;;) {
    item.Reset();
    bool custom = false;
    if (parser.ParseItem(&item, true, &custom) != ParseResult::kOk) break;
    check += item.BuildKey().Length();
    ++parsed;
  }
  parser.Stop();
  double parse = Seconds(start);
  std::printf("%6u lines (%zu bytes): write %.3fs  parse %.3fs  (%u parsed, check %llu)\n", lines, bytes, write,
              parse, parsed, static_cast<unsigned long long>(check));
}

}  // namespace

int main() {
  Run(25000);
  Run(100000);
  return 0;
}
