// The handheld database that holds the user's movie list, and the category block a new one gets.
#ifndef REELBOX_MYMOVIES_MOVIE_LISTS_BLOCK_H
#define REELBOX_MYMOVIES_MOVIE_LISTS_BLOCK_H

#include <cstddef>
#include <cstdint>

constexpr const char* kMovieListsName = "Movie-Lists";
// "QV03" and "QVX3", first character in the most significant byte.
constexpr uint32_t kMovieListsType = 0x51563033u;
constexpr uint32_t kMovieListsCreator = 0x51565833u;
constexpr uint32_t kMovieListsVersion = 1;

constexpr size_t kMovieListsBlockSize = 276;
constexpr int kMovieListsCategoryCount = 6;

// Fills block (kMovieListsBlockSize bytes) with the standard category block of a new database:
// the six default categories "Unfiled Movies", "Favorites", "My Top 20", "Recorded", "To Buy" and
// "To Rent" in slots 0 to 5 with unique ids 0 to 5, the last unique id 6, everything else zero.
void BuildMovieListsBlock(uint8_t* block);

#endif  // REELBOX_MYMOVIES_MOVIE_LISTS_BLOCK_H
