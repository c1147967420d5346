#include "textfiles/text_encoding.h"

#include <cstring>
#include <memory>
#include <vector>

#include "platform/files.h"

namespace {

constexpr size_t kScanBlock = 16384;

// Windows-1252 bytes 0x80 to 0x9F by their code points; the five bytes Windows leaves undefined
// stand for the C1 control of the same number, as Windows' own conversion has it.
constexpr uint16_t kHighBlock[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The Windows-1252 byte of a code point, or 0 when it has none.
uint8_t ToWindows1252(uint32_t code) {
  // U+0080 to U+009F are what a Latin-1 reading made of Windows-1252's bytes 0x80 to 0x9F (the euro
  // sign, dashes, curly quotes): they go back to those bytes.
  if (code <= 0xFF) return static_cast<uint8_t>(code);
  for (int i = 0; i < 32; ++i) {
    if (kHighBlock[i] == code) return static_cast<uint8_t>(0x80 + i);
  }
  return 0;
}

// Decodes one well-formed sequence at text[i]; its length into *size, or 0 when malformed.
uint32_t Decode(const uint8_t* text, size_t length, size_t i, size_t* size) {
  Utf8Scanner scanner;
  uint8_t lead = text[i];
  size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
  *size = 0;
  if (i + n > length) return 0;
  scanner.Feed(text + i, n);
  if (!scanner.Valid()) return 0;
  *size = n;
  if (n == 1) return lead;
  uint32_t code = lead & (n == 2 ? 0x1F : n == 3 ? 0x0F : 0x07);
  for (size_t k = 1; k < n; ++k) code = (code << 6) | (text[i + k] & 0x3F);
  return code;
}

}  // namespace

void Utf8Scanner::Feed(const uint8_t* bytes, size_t size) {
  for (size_t i = 0; i < size && valid_; ++i) {
    // Import files are mostly ASCII: eight plain bytes at a time.
    if (pending_ == 0) {
      uint64_t word;
      while (i + sizeof word <= size) {
        std::memcpy(&word, bytes + i, sizeof word);
        if (word & 0x8080808080808080ull) break;
        i += sizeof word;
      }
      if (i >= size) break;
    }
    uint32_t b = bytes[i];
    if (pending_ > 0) {
      if (b < lower_ || b > upper_) {
        valid_ = false;
        break;
      }
      lower_ = 0x80;
      upper_ = 0xBF;
      --pending_;
      continue;
    }
    if (b < 0x80) continue;
    multi_byte_ = true;
    if (b >= 0xC2 && b <= 0xDF) {
      pending_ = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      pending_ = 2;
      if (b == 0xE0) lower_ = 0xA0;  // overlong
      if (b == 0xED) upper_ = 0x9F;  // surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
      pending_ = 3;
      if (b == 0xF0) lower_ = 0x90;  // overlong
      if (b == 0xF4) upper_ = 0x8F;  // above U+10FFFF
    } else {
      valid_ = false;
    }
  }
}

bool IsUtf8File(FileSystem& files, const char* path) {
  std::unique_ptr<File> file;
  if (files.OpenFile(path, FileMode::kReadExisting, &file) != 0) return false;
  std::vector<uint8_t> block(kScanBlock);
  Utf8Scanner scanner;
  bool first = true;
  for (;;) {
    size_t got = 0;
    if (file->Read(block.data(), block.size(), &got) != 0) return false;
    if (got == 0) break;
    if (first && got >= kUtf8ByteOrderMarkSize && std::memcmp(block.data(), kUtf8ByteOrderMark, 3) == 0) return true;
    first = false;
    scanner.Feed(block.data(), got);
    if (scanner.Failed()) return false;
  }
  return scanner.Valid() && scanner.HasMultiByte();
}

int32_t Utf8ToWindows1252(char* text, size_t* length, bool* replacement) {
  uint8_t* bytes = reinterpret_cast<uint8_t*>(text);
  size_t out = 0;
  int32_t replaced = 0;
  for (size_t i = 0; i < *length;) {
    size_t size = 0;
    uint32_t code = Decode(bytes, *length, i, &size);
    uint8_t mapped = '?';
    if (size == 0) {
      size = 1;  // a malformed byte stands alone
      ++replaced;
    } else {
      mapped = ToWindows1252(code);
      if (code == kReplacementCharacter && replacement != nullptr) *replacement = true;
      if (mapped == 0 && code != 0) {
        mapped = '?';
        ++replaced;
      }
    }
    bytes[out++] = mapped;
    i += size;
  }
  *length = out;
  return replaced;
}
