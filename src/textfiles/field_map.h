// Column maps of the tab-delimited files: which record field stands in which column.
//
// A FieldMap holds one field index per column (-1 for a column that carries no field). The base
// class knows no field names; MovieFieldMap knows the 34 movie field names, starts in the default
// column order and can be replaced by a custom order read from a file's header line.
#ifndef REELBOX_TEXTFILES_FIELD_MAP_H
#define REELBOX_TEXTFILES_FIELD_MAP_H

#include <cstddef>
#include <cstdint>
#include <vector>

#include "movies/movie_field.h"

class FieldMap {
 public:
  // A buffer of this size holds any field name.
  static constexpr size_t kNameBufferSize = 32;

  // Count 0, capacity 0, a one-entry array holding -1.
  FieldMap();
  FieldMap(const FieldMap&) = delete;
  FieldMap& operator=(const FieldMap&) = delete;

  // Frees the array: count 0, capacity 0, no array.
  virtual void Clear();
  virtual ~FieldMap();
  // Final: the reader asks these for every field of every line, and a final one is called
  // directly.
  virtual int32_t Count() const final { return count_; }
  // The field of a column 0 .. Count() - 1; -1 for any other column.
  virtual int32_t FieldForColumn(int32_t column) const final {
    return (column >= 0 && column < count_) ? entries_[static_cast<size_t>(column)] : -1;
  }
  // The field of each column 0 .. Count() - 1, valid until the map changes.
  const int32_t* ColumnFields() const { return entries_.data(); }
  // The first column holding the field, or -1.
  virtual int32_t ColumnForField(int32_t field) const;
  // FieldName of the column's field.
  virtual char* ColumnName(int32_t column, char* buffer, size_t size) const;
  // The field's name into buffer (size bytes, cut to fit); index -1 gives an empty text. Null for a
  // field without a name. The base map knows no names.
  virtual char* FieldName(int32_t field, char* buffer, size_t size) const;
  // The field whose name equals text (ASCII letter case ignored), or -1. The base map knows none.
  virtual int32_t FieldIndexByName(const char* text) const;
  virtual bool CanCustomize() const { return false; }
  // Back to the default column order; the base map has none and is only cleared.
  virtual void RevertToDefault();
  // Empties the map and makes room for max(n, 1) columns; false (and the default order) when the
  // room cannot be had.
  virtual bool BeginCustom(int32_t n);
  // Adds a column; false when the map is full or has no array.
  virtual bool Append(int32_t field);

  int32_t Capacity() const { return capacity_; }

 protected:
  void SetEntries(const int32_t* fields, int32_t count);

 private:
  int32_t count_ = 0;
  int32_t capacity_ = 0;
  bool has_array_ = true;
  std::vector<int32_t> entries_;
};

class MovieFieldMap : public FieldMap {
 public:
  static constexpr int32_t kFieldCount = kMovieFieldCount;

  // The default column order.
  MovieFieldMap();

  char* FieldName(int32_t field, char* buffer, size_t size) const override;
  int32_t FieldIndexByName(const char* text) const override;
  bool CanCustomize() const override { return true; }
  // The 34 columns of the default order; Append is refused until BeginCustom.
  void RevertToDefault() override;
};

// The name of a movie field 0 to 33, else null.
const char* MovieFieldName(int32_t field);

#endif  // REELBOX_TEXTFILES_FIELD_MAP_H
