#include "mymovies/movie_lists_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(MovieListsBlock, NewDatabaseGetsTheSixDefaultCategories) {
  uint8_t block[kMovieListsBlockSize];
  std::memset(block, 0xAA, sizeof(block));
  BuildMovieListsBlock(block);

  uint8_t expected[kMovieListsBlockSize] = {0};
  expected[0] = 5;
  const char* names[] = {"Unfiled Movies", "Favorites", "My Top 20", "Recorded", "To Buy", "To Rent"};
  for (int i = 0; i < 6; ++i) {
    std::memcpy(expected + 2 + 16 * i, names[i], std::strlen(names[i]));
    expected[258 + i] = static_cast<uint8_t>(i);
  }
  expected[274] = 6;
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block), sizeof(block)),
            std::string(reinterpret_cast<char*>(expected), sizeof(expected)));
}

TEST(MovieListsBlock, TypeAndCreatorAreTheFourCharacterCodes) {
  EXPECT_EQ(kMovieListsType, (uint32_t('Q') << 24) | (uint32_t('V') << 16) | (uint32_t('0') << 8) | '3');
  EXPECT_EQ(kMovieListsCreator, (uint32_t('Q') << 24) | (uint32_t('V') << 16) | (uint32_t('X') << 8) | '3');
}

}  // namespace
