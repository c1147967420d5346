// The two forms of a movie item, their life cycle and copies, reading from the handheld, and the
// content comparison.
#include "movies/movie_item.h"

#include <cstring>
#include <functional>
#include <utility>

#include "device/device_database.h"
#include "diag/sync_log.h"
#include "platform/byte_scan.h"

using namespace movie_record;

namespace {

#if defined(REELBOX_SSE2)
// A bit per NUL of the sixteen bytes at p.
REELBOX_SSE2_TARGET inline uint32_t NulMarks16(const char* p) { return byte_scan::Marks16(p, '\0', '\0', '\0', '\0'); }

// The marks of a step fill the machine's word: four blocks of sixteen, or two on a 32-bit target.
using StepMarks = byte_scan::Word;
constexpr size_t kStepBytes = sizeof(StepMarks) * 8;

// Hands each NUL of bytes[from, size) to found (which counts *texts up) until kTextFieldCount
// texts are found, a step of blocks of sixteen at a time from the block holding from while a step
// is left, then one; gives where the blocks stopped (the bytes from there are left to the caller).
template <typename Found>
REELBOX_SSE2_TARGET size_t FindNulBlocks(const char* bytes, size_t size, size_t from, Found& found, int* texts) {
  size_t block = from & ~static_cast<size_t>(15);
  StepMarks wanted = ~StepMarks{0} << (from - block);
  while (*texts < kTextFieldCount) {
    StepMarks marks = 0;
    size_t step;
    if (block + kStepBytes <= size) {
      for (size_t k = 0; k < kStepBytes; k += 16) marks |= static_cast<StepMarks>(NulMarks16(bytes + block + k)) << k;
      step = kStepBytes;
    } else if (block + 16 <= size) {
      marks = NulMarks16(bytes + block);
      step = 16;
    } else {
      break;
    }
    for (marks &= wanted; marks != 0 && *texts < kTextFieldCount; marks &= marks - 1) {
      found(block + byte_scan::LowestBit(marks));
    }
    wanted = ~StepMarks{0};
    block += step;
  }
  return block > from ? block : from;
}
#endif

}  // namespace

MovieItem::MovieItem() = default;

MovieItem::MovieItem(const MovieItem& other) : DataRecord(other), Describable(other) { CopyFrom(other); }

// Assignment takes an item's content into another, e.g. a work item, without the run state of
// the item it came from: the target's markers are cleared, not copied.
MovieItem& MovieItem::operator=(const MovieItem& other) {
  if (this != &other) {
    CopyFrom(other);
    on_desktop_ = matched_ = write_back_ = 0;
  }
  return *this;
}

MovieItem::~MovieItem() = default;

void MovieItem::CopyFrom(const MovieItem& other) {
  if (other.packed_valid_) {
    StorePacked(other.packed_.get(), other.packed_size_);
    packed_valid_ = true;
  } else {
    InvalidatePacked();
  }
  // Beside a valid packed form the trans record is only its unpacked copy (or zero).
  if (other.packed_valid_ || !other.trans_) {
    trans_.reset();
    trans_valid_ = false;
  } else {
    Trans() = *other.trans_;
    std::memcpy(text_dirty_, other.text_dirty_, sizeof text_dirty_);
    trans_valid_ = other.trans_valid_;
  }
  record_id_ = other.record_id_;
  category_ = other.category_;
  FieldsPresent().Assign(other.FieldsPresent());
  on_desktop_ = other.on_desktop_;
  matched_ = other.matched_;
  write_back_ = other.write_back_;
  last_text_read_ = other.last_text_read_;
}

void MovieItem::Clear() {
  on_desktop_ = matched_ = write_back_ = 0;
  if (trans_) {
    // Only what the texts may have left is cleared: a work item is cleared for every line.
    std::memset(trans_->fixed, 0, sizeof trans_->fixed);
    for (int i = 0; i < kTextFieldCount; ++i) byte_scan::ZeroShort(trans_->Text(static_cast<TextField>(i)), text_dirty_[i]);
  }
  MarkTextsEmpty();
  trans_valid_ = false;
  InvalidatePacked();
}

void MovieItem::ResetAll() {
  Clear();
  record_id_ = 0xFFFFFFFFu;
  category_ = 0xFFFFFFFFu;
  FieldsPresent().SetAll(0);
}

bool MovieItem::Reset() {
  ResetAll();
  trans_valid_ = true;
  category_ = 0;
  SetMediaRegion(1);
  SetOwned(false);
  SetViewed(true);
  SetProdAttr(0x0200);
  return true;
}

DeviceError MovieItem::ReadFrom(DeviceDatabase* source) {
  ResetAll();
  if (source == nullptr) return DeviceError::kNotOpen;
  uint32_t id = 0;
  if (source->GetCurrentRecordId(&id) == DeviceError::kOk) record_id_ = id;
  int32_t category = 0;
  if (source->GetCurrentCategory(&category) == DeviceError::kOk) category_ = static_cast<uint32_t>(category);
  // Read straight into the item's own buffer, kept at the largest record's size: a work item reads
  // every record of a pass.
  if (!packed_ || packed_capacity_ < kPackedBufferSize) {
    packed_capacity_ = kPackedBufferSize;
    packed_.reset(new uint8_t[packed_capacity_]);
  }
  uint32_t size = 0;
  DeviceError result = source->CopyCurrentRecord(packed_.get(), packed_capacity_, &size);
  if (result == DeviceError::kOk) {
    packed_size_ = size;
    packed_valid_ = true;
    packed_texts_found_ = false;
  }
  return result;
}

bool MovieItem::SetPackedRecord(const uint8_t* data, uint32_t size) {
  if (size > kPackedBufferSize || (data == nullptr && size != 0)) {
    ResetAll();
    return false;
  }
  // The item's own buffer takes the bytes when they fit and are not in it already: a work item is
  // loaded for every entry of a pass.
  const std::less<const uint8_t*> before;
  const bool own = packed_ && !before(data, packed_.get()) && before(data, packed_.get() + packed_capacity_);
  if (packed_ && !own && size <= packed_capacity_) {
    ResetAll();
    if (size) std::memcpy(packed_.get(), data, size);
    packed_size_ = size;
    packed_valid_ = true;
    packed_texts_found_ = false;
    return true;
  }
  // Copied before the reset: data may be this item's own packed bytes.
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[size > 0 ? size : 1]);
  if (size) std::memcpy(bytes.get(), data, size);
  ResetAll();
  packed_ = std::move(bytes);
  packed_capacity_ = size > 0 ? size : 1;
  packed_size_ = size;
  packed_valid_ = true;
  packed_texts_found_ = false;
  return true;
}

void MovieItem::StorePacked(const uint8_t* data, uint32_t size) {
  // Never a null buffer: callers get a pointer even for zero bytes. The buffer is kept while it is
  // large enough: a work item is loaded and packed again for every record of a pass.
  if (!packed_ || packed_capacity_ < size) {
    packed_capacity_ = size > 0 ? size : 1;
    packed_.reset(new uint8_t[packed_capacity_]);
  }
  if (size && data != packed_.get()) std::memcpy(packed_.get(), data, size);
  packed_size_ = size;
  packed_texts_found_ = false;
}

void MovieItem::FindPackedTexts() const {
  // The same walk as unpacking, without the copies: text i runs to the i-th NUL after the fixed
  // part, the last one found to the record's end, the rest are empty.
  const size_t size = packed_size_;
  const char* const bytes = reinterpret_cast<const char*>(packed_.get());
  size_t position = size < kFixedSize ? size : kFixedSize;
  int i = 0;
  auto text_ends_at = [&](size_t at) {
    const size_t length = at - position;
    packed_text_at_[i] = static_cast<uint16_t>(position);
    packed_text_size_[i] = static_cast<uint16_t>(length < kCapacity[i] - 1 ? length : kCapacity[i] - 1);
    position = at + 1;
    ++i;
  };
  size_t scanned = position;
#if defined(REELBOX_SSE2)
  // Blocks of sixteen at the buffer's own alignment, in order: loads that start inside the texts
  // just copied there wait for the copy's stores.
  if (byte_scan::UseSse2()) scanned = FindNulBlocks(bytes, size, position, text_ends_at, &i);
#endif
  for (; i < kTextFieldCount && scanned < size; ++scanned) {
    if (bytes[scanned] == '\0') text_ends_at(scanned);
  }
  if (i < kTextFieldCount && position < size) text_ends_at(size);
  for (; i < kTextFieldCount; ++i) {
    packed_text_at_[i] = 0;
    packed_text_size_[i] = 0;
  }
  packed_texts_found_ = true;
}

MovieTransRecord& MovieItem::NewTrans() const {
  trans_.reset(new MovieTransRecord);
  std::memset(trans_.get(), 0, sizeof *trans_);
  MarkTextsEmpty();
  return *trans_;
}

void MovieItem::Compact() {
  if (!packed_valid_ && trans_valid_) GetPackedRecord();
  if (!packed_valid_) return;
  trans_.reset();
  trans_valid_ = false;
}

const uint8_t* MovieItem::GetPackedRecord(uint32_t* size) {
  if (!packed_valid_) {
    if (!trans_valid_) return nullptr;
    // Every text's length is known: the record is packed straight into the item's own buffer.
    size_t most = kFixedSize;
    for (int i = 0; i < kTextFieldCount; ++i) most += text_dirty_[i] + 1u;
    if (!packed_ || packed_capacity_ < most) {
      packed_capacity_ = static_cast<uint32_t>(most);
      packed_.reset(new uint8_t[packed_capacity_]);
    }
    packed_size_ = static_cast<uint32_t>(PackMovieRecord(Trans(), text_dirty_, packed_.get()));
    packed_texts_found_ = false;
    packed_valid_ = true;
  }
  if (size) *size = packed_size_;
  return packed_.get();
}

uint32_t MovieItem::GetPackedSize() {
  GetPackedRecord();
  if (!packed_valid_ || packed_size_ == 0) {
    LogDebug("Unexpected zero-length packed record!\n");
    return 0;
  }
  return packed_size_;
}

const MovieTransRecord* MovieItem::GetTransRecord() { return MakeTransValid() ? &Trans() : nullptr; }

bool MovieItem::Unpack() const {
  if (!packed_valid_) return false;
  UnpackMovieRecordOver(packed_.get(), packed_size_, &Trans(), text_dirty_);
  trans_valid_ = true;
  return true;
}

namespace {

uint32_t DayOf(uint32_t seconds) { return seconds - seconds % 86400u; }

bool IsBlank(unsigned char c) { return c == 0x20 || (c >= 0x09 && c <= 0x0D); }

}  // namespace

int CompareTrimmed(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return (a == nullptr && b == nullptr) ? 0 : (a == nullptr ? -1 : 1);
  while (IsBlank(static_cast<unsigned char>(*a))) ++a;
  while (IsBlank(static_cast<unsigned char>(*b))) ++b;
  size_t la = std::strlen(a);
  size_t lb = std::strlen(b);
  while (la > 0 && IsBlank(static_cast<unsigned char>(a[la - 1]))) --la;
  while (lb > 0 && IsBlank(static_cast<unsigned char>(b[lb - 1]))) --lb;
  if (la == 0) return lb == 0 ? 0 : -1;
  if (lb == 0) return 1;
  int order = std::memcmp(a, b, la < lb ? la : lb);
  if (order != 0) return order < 0 ? -1 : 1;
  if (la == lb) return 0;
  return la > lb ? 1 : -1;
}

bool MovieItem::IsSameAs(const MovieItem& other) const {
  if (DayOf(GetAlarmDueDate()) != DayOf(other.GetAlarmDueDate())) return false;
  if (DayOf(GetLoanDate()) != DayOf(other.GetLoanDate())) return false;
  if (DayOf(GetDueDate()) != DayOf(other.GetDueDate())) return false;
  if (GetStatus() != other.GetStatus()) return false;
  if (GetGenre() != other.GetGenre()) return false;
  if (GetScreenEncoding() != other.GetScreenEncoding()) return false;
  if (GetWideScreenProcess() != other.GetWideScreenProcess()) return false;
  if (GetProdAttr() != other.GetProdAttr()) return false;
  if (GetRatingAttr() != other.GetRatingAttr()) return false;
  if (GetMyRating() != other.GetMyRating()) return false;
  if (GetTechAttr() != other.GetTechAttr()) return false;
  if (GetMediaAttr() != other.GetMediaAttr()) return false;
  if (GetAwardsAttr() != other.GetAwardsAttr()) return false;
  for (int i = 0; i < kTextFieldCount; ++i) {
    TextField field = static_cast<TextField>(i);
    MakeTransValid();
    other.MakeTransValid();
    if (CompareTrimmed(Trans().Text(field), other.Trans().Text(field)) != 0) return false;
  }
  return true;
}
