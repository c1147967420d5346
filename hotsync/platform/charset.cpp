#include "platform/charset.h"

#include <cstdint>

namespace hotsync {
namespace {

const uint16_t kHigh1252[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void AppendUtf8(std::string* out, uint32_t code) {
  if (code < 0x80) {
    *out += static_cast<char>(code);
  } else if (code < 0x800) {
    *out += static_cast<char>(0xC0 | (code >> 6));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    *out += static_cast<char>(0xE0 | (code >> 12));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    *out += static_cast<char>(0xF0 | (code >> 18));
    *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    *out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

uint32_t CodeOf1252(unsigned char c) { return c >= 0x80 && c < 0xA0 ? kHigh1252[c - 0x80] : c; }

// The length of the well-formed UTF-8 sequence at text[at] (its code in *code), 0 when there is
// none: overlong forms, surrogates and values past U+10FFFF are not UTF-8.
size_t Utf8SequenceAt(const std::string& text, size_t at, uint32_t* code) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  size_t length = 0;
  uint32_t value = 0;
  uint32_t least = 0;
  if (lead < 0x80) {
    *code = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char next = static_cast<unsigned char>(text[at + i]);
    if ((next & 0xC0) != 0x80) return 0;
    value = value << 6 | (next & 0x3F);
  }
  if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *code = value;
  return length;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string Utf8OfWindows1252(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) AppendUtf8(&out, CodeOf1252(c));
  return out;
}

std::string Utf8OfMixedText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t at = 0; at < text.size();) {
    uint32_t code = 0;
    const size_t length = Utf8SequenceAt(text, at, &code);
    if (length == 0) {
      AppendUtf8(&out, CodeOf1252(static_cast<unsigned char>(text[at])));
      ++at;
    } else {
      out.append(text, at, length);
      at += length;
    }
  }
  return out;
}

std::string EncodeUtf8(const std::string& utf8, Charset charset) {
  if (charset == Charset::kUtf8) return utf8;
  std::string out;
  out.reserve(utf8.size());
  for (size_t at = 0; at < utf8.size();) {
    uint32_t code = 0;
    size_t length = Utf8SequenceAt(utf8, at, &code);
    if (length == 0) length = 1, code = 0xFFFD;
    at += length;
    int byte = -1;
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF && charset != Charset::kAscii)) {
      byte = static_cast<int>(code);
    } else if (charset == Charset::kWindows1252) {
      for (int i = 0; i < 32; ++i) {
        if (kHigh1252[i] == code && code != 0xFFFD) byte = 0x80 + i;
      }
    }
    if (byte >= 0) {
      out += static_cast<char>(byte);
    } else {
      out += code == 0x2026 ? '~' : '?';
    }
  }
  return out;
}

Charset CharsetOfLocale(const std::string& locale) {
  std::string name;
  const size_t dot = locale.find('.');
  if (dot != std::string::npos) {
    for (size_t i = dot + 1; i < locale.size() && locale[i] != '@'; ++i) {
      if (locale[i] != '-' && locale[i] != '_') name += Lower(locale[i]);
    }
  }
  if (name == "utf8") return Charset::kUtf8;
  if (name == "cp1252" || name == "windows1252") return Charset::kWindows1252;
  if (name == "iso88591" || name == "latin1") return Charset::kLatin1;
  return Charset::kAscii;
}

size_t Utf8Length(const std::string& utf8) {
  size_t count = 0;
  for (unsigned char c : utf8) count += (c & 0xC0) != 0x80;
  return count;
}

std::string Utf8Fit(const std::string& utf8, size_t width) {
  if (Utf8Length(utf8) <= width) return utf8;
  if (width == 0) return std::string();
  size_t kept = 0;
  size_t at = 0;
  while (at < utf8.size()) {
    const bool starts = (static_cast<unsigned char>(utf8[at]) & 0xC0) != 0x80;
    if (starts && kept == width - 1) break;
    if (starts) ++kept;
    ++at;
  }
  return utf8.substr(0, at) + "\xE2\x80\xA6";
}

}  // namespace hotsync
