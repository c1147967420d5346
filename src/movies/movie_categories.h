// MovieCategories: the category names of the open Movie-Lists database for one import/export run.
//
// The run creates one instance, loads it and makes it current; the text conversions of MovieItem
// (the Category field) find it through CurrentMovieCategories(). Without a current instance every
// category exports as "Unfiled Movies" and every imported name goes to category 0.
#ifndef REELBOX_MOVIES_MOVIE_CATEGORIES_H
#define REELBOX_MOVIES_MOVIE_CATEGORIES_H

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "diag/text_string.h"

class DeviceDatabase;

class MovieCategories {
 public:
  static constexpr int32_t kSlotCount = 16;
  static constexpr int32_t kNameSize = 16;
  // Bytes of the application information block that Load reads.
  static constexpr uint16_t kAppInfoReadSize = 326;

  // REQUIRES: database outlives this object (it may be null: Load then does nothing).
  explicit MovieCategories(DeviceDatabase* database);
  MovieCategories(const MovieCategories&) = delete;
  MovieCategories& operator=(const MovieCategories&) = delete;
  virtual ~MovieCategories();

  // Number of names in the index.
  virtual int32_t Count() const;
  // The slot of the first indexed name that starts with text (letter case ignored), else -1.
  virtual int32_t FindPrefix(const char* text) const;
  // The slot's name; false (name untouched) for a slot outside 0 to 15.
  virtual bool GetName(int32_t slot, TextString& name) const;
  // The same into buffer (kNameSize bytes), which is returned; null for a slot outside 0 to 15.
  const char* NameInto(int32_t slot, char* buffer) const;
  // Reads the names from the database's application information block. On a read failure the index
  // stays empty (the slots keep what they held).
  virtual void Load();
  // The slot whose name equals text under the TextString comparison, else -1.
  virtual int32_t FindExact(const char* text) const;

  // Fills the slots and the index from a block (Load's work after the read): every slot with a
  // name is entered, whatever the block's first word; a missing block part counts as empty slots.
  void LoadFromBlock(const uint8_t* block, size_t size);

 private:
  void Enter(const char* name, int32_t slot);

  DeviceDatabase* database_;
  char slots_[kSlotCount][kNameSize];
  // Sorted by TextString::Compare, one entry per distinct name.
  std::vector<std::pair<TextString, int32_t>> index_;
};

MovieCategories* CurrentMovieCategories();
// REQUIRES: no conversion in progress. Null forgets the current instance.
void SetCurrentMovieCategories(MovieCategories* categories);

#endif  // REELBOX_MOVIES_MOVIE_CATEGORIES_H
