#include "mymovies/movie_lists_block.h"

#include <cstring>

namespace {

constexpr size_t kNameSlotSize = 16;
constexpr size_t kNamesOffset = 2;
constexpr size_t kUniqueIdsOffset = kNamesOffset + 16 * kNameSlotSize;  // 258
constexpr size_t kLastUniqueIdOffset = kUniqueIdsOffset + 16;           // 274

const char* const kDefaultCategories[kMovieListsCategoryCount] = {
    "Unfiled Movies", "Favorites", "My Top 20", "Recorded", "To Buy", "To Rent"};

}  // namespace

void BuildMovieListsBlock(uint8_t* block) {
  std::memset(block, 0, kMovieListsBlockSize);
  // The handheld reads this word low byte first, whatever the byte order of the records.
  block[0] = 0x05;
  block[1] = 0x00;
  for (int slot = 0; slot < kMovieListsCategoryCount; ++slot) {
    // Every default name is shorter than its slot, so it stays NUL-terminated.
    std::memcpy(block + kNamesOffset + slot * kNameSlotSize, kDefaultCategories[slot],
                std::strlen(kDefaultCategories[slot]));
    block[kUniqueIdsOffset + slot] = static_cast<uint8_t>(slot);
  }
  block[kLastUniqueIdOffset] = kMovieListsCategoryCount;
}
