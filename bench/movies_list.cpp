// Fills a DesktopItemList with 65,535 movie items in shuffled key order, looks every key up, walks
// the list in key order and clears it; prints the time of each step for n and n/4 items so that
// growth faster than the work shows.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "movies/movie_item.h"
#include "movies/record_generator.h"
#include "mymovies/desktop_item_list.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Run(uint32_t count) {
  std::vector<uint32_t> order(count);
  for (uint32_t i = 0; i < count; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));

  auto start = std::chrono::steady_clock::now();
  std::vector<MovieItem*> items;
  std::vector<std::string> keys;
  for (uint32_t n : order) {
    std::vector<uint8_t> bytes = record_generator::PackedRecord(n);
    MovieItem* item = new MovieItem;
    item->SetPackedRecord(bytes.data(), static_cast<uint32_t>(bytes.size()));
    keys.emplace_back(item->BuildKey().Text());
    items.push_back(item);
  }
  double make = Seconds(start);

  start = std::chrono::steady_clock::now();
  DesktopItemList list;
  for (size_t i = 0; i < items.size(); ++i) list.Add(*items[i], keys[i].c_str());
  double fill = Seconds(start);

  start = std::chrono::steady_clock::now();
  size_t found = 0;
  for (const std::string& key : keys) {
    ItemRef ref = kNoItem;
    found += list.Find(key.c_str(), &ref) ? 1 : 0;
  }
  double find = Seconds(start);

  start = std::chrono::steady_clock::now();
  TextString key;
  ItemRef ref = kNoItem;
  MovieItem item;
  size_t walked = 0;
  for (bool more = list.First(&key, &ref); more; more = list.Next(&key, &ref)) {
    list.Load(ref, &item);
    walked += item.GetPackedSize() ? 1 : 0;
  }
  double walk = Seconds(start);

  start = std::chrono::steady_clock::now();
  list.Clear();
  double clear = Seconds(start);
  for (MovieItem* listed : items) delete listed;
  std::printf("%6u items: build %.3fs  add %.3fs  find %.3fs  walk %.3fs  clear %.3fs  (found %zu, walked %zu)\n",
              count, make, fill, find, walk, clear, found, walked);
}

}  // namespace

int main() {
  Run(65535 / 4);
  Run(65535);
  return 0;
}
