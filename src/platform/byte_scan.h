// Finding the first of a few byte values in a run of text, sixteen bytes a step with SSE2, else
// eight. The C library's memchr looks for one value only, and the Windows runtime's looks at one
// byte at a time.
#ifndef REELBOX_PLATFORM_BYTE_SCAN_H
#define REELBOX_PLATFORM_BYTE_SCAN_H

#include <cstddef>
#include <cstdint>
#include <cstring>

// SSE2 is always there on x86-64; on 32-bit x86 it is used when the processor has it (every one
// since 2003), and the scans fall back to words of eight bytes on older ones.
#if defined(__SSE2__)
#include <emmintrin.h>
#define REELBOX_SSE2 1
#define REELBOX_SSE2_TARGET
#elif defined(__i386__)
#include <cpuid.h>
#include <emmintrin.h>
#define REELBOX_SSE2 1
#define REELBOX_SSE2_TARGET __attribute__((target("sse2")))
#endif

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the marks are read in little-endian order");

namespace byte_scan {

constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;

constexpr uint64_t Broadcast(unsigned char b) { return 0x0101010101010101ull * b; }

// The top bit of each byte of w that is zero, and no other bit (exact, unlike the shorter form
// whose borrows mark bytes above a zero byte too).
inline uint64_t ZeroBytes(uint64_t w) { return ~(((w & kLow7) + kLow7) | w | kLow7); }

inline uint64_t Load(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// The word the scans step by where no SSE2 form runs: the machine's own (64-bit arithmetic on a
// 32-bit target takes two instructions for each, and calls for some).
#if UINTPTR_MAX > 0xFFFFFFFFu
using Word = uint64_t;
#else
using Word = uint32_t;
#endif

constexpr Word BroadcastWord(unsigned char b) { return static_cast<Word>(Broadcast(b)); }

inline Word ZeroByteMarks(Word w) {
  constexpr Word kLow = static_cast<Word>(kLow7);
  return ~(((w & kLow) + kLow) | w | kLow);
}

inline Word LoadWord(const char* p) {
  Word w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// The index, in memory order, of the lowest marked byte of a non-zero mask (little-endian words).
inline size_t FirstMarked(Word mask) {
  if constexpr (sizeof(Word) == 8) return static_cast<size_t>(__builtin_ctzll(mask)) >> 3;
  return static_cast<size_t>(__builtin_ctz(static_cast<uint32_t>(mask))) >> 3;
}

// The index of the lowest set bit of a non-zero mask; one of 64 bits in the two halves' own
// instructions on a 32-bit target, whose 64-bit form is a call into the compiler's runtime.
inline size_t LowestBit(uint32_t mask) { return static_cast<size_t>(__builtin_ctz(mask)); }
inline size_t LowestBit(uint64_t mask) {
#if UINTPTR_MAX > 0xFFFFFFFFu
  return static_cast<size_t>(__builtin_ctzll(mask));
#else
  const uint32_t low = static_cast<uint32_t>(mask);
  if (low != 0) return static_cast<size_t>(__builtin_ctz(low));
  return 32 + static_cast<size_t>(__builtin_ctz(static_cast<uint32_t>(mask >> 32)));
#endif
}

#if defined(REELBOX_SSE2)
// Whether the SSE2 forms run here.
#if defined(__SSE2__)
inline bool UseSse2() { return true; }
#else
inline bool UseSse2() {
  static const bool kHas = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) != 0 && (d & bit_SSE2) != 0;
  }();
  return kHas;
}
#endif

// A bit per byte of the sixteen at p that equals one of the four values.
REELBOX_SSE2_TARGET inline uint32_t Marks16(const char* p, char a, char b, char c, char d) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(a)), _mm_cmpeq_epi8(v, _mm_set1_epi8(b))),
                                    _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(c)), _mm_cmpeq_epi8(v, _mm_set1_epi8(d))));
  return static_cast<uint32_t>(_mm_movemask_epi8(hits));
}

// Moves *p over the blocks of sixteen without any of the four values; the first marked byte of the
// block where it stops, or null when fewer than sixteen bytes are left.
REELBOX_SSE2_TARGET inline const char* Find16(const char** p, const char* end, char a, char b, char c, char d) {
  for (; end - *p >= 16; *p += 16) {
    const uint32_t hit = Marks16(*p, a, b, c, d);
    if (hit != 0) return *p + __builtin_ctz(hit);
  }
  return nullptr;
}

// As Find16 for two values, thirty-two bytes a step while that many are left: the line ends of a
// file are looked for this way over every byte of it.
REELBOX_SSE2_TARGET inline uint32_t TwoMarks16(const char* at, __m128i a, __m128i b) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  return static_cast<uint32_t>(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, a), _mm_cmpeq_epi8(v, b))));
}

REELBOX_SSE2_TARGET inline const char* FindTwo16(const char** p, const char* end, char a, char b) {
  const __m128i va = _mm_set1_epi8(a);
  const __m128i vb = _mm_set1_epi8(b);
  for (; end - *p >= 32; *p += 32) {
    const uint32_t hit = TwoMarks16(*p, va, vb) | TwoMarks16(*p + 16, va, vb) << 16;
    if (hit != 0) return *p + __builtin_ctz(hit);
  }
  for (; end - *p >= 16; *p += 16) {
    const uint32_t hit = TwoMarks16(*p, va, vb);
    if (hit != 0) return *p + __builtin_ctz(hit);
  }
  return nullptr;
}

REELBOX_SSE2_TARGET inline bool HighByte16(const char** p, const char* end) {
  for (; end - *p >= 16; *p += 16) {
    if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(*p))) != 0) return true;
  }
  return false;
}
#endif

// The first byte of [p, end) equal to a or b, or end.
inline const char* FindEither(const char* p, const char* end, char a, char b) {
#if defined(REELBOX_SSE2)
  // Short texts skip the call (a 32-bit target cannot inline the SSE2 form into this one).
  if (end - p >= 16 && UseSse2()) {
    if (const char* hit = FindTwo16(&p, end, a, b)) return hit;
  }
#endif
  const Word wa = BroadcastWord(static_cast<unsigned char>(a));
  const Word wb = BroadcastWord(static_cast<unsigned char>(b));
  for (; end - p >= static_cast<ptrdiff_t>(sizeof(Word)); p += sizeof(Word)) {
    const Word w = LoadWord(p);
    const Word hit = ZeroByteMarks(w ^ wa) | ZeroByteMarks(w ^ wb);
    if (hit != 0) return p + FirstMarked(hit);
  }
  while (p < end && *p != a && *p != b) ++p;
  return p;
}

// The first byte of [p, end) equal to a, or end.
inline const char* FindByte(const char* p, const char* end, char a) {
#if !defined(_WIN32)
  // Long runs go to the C library here: its memchr uses the widest vectors the processor has. The
  // Windows runtime's looks at one byte at a time.
  if (end - p >= 64) {
    const void* hit = std::memchr(p, a, static_cast<size_t>(end - p));
    return hit != nullptr ? static_cast<const char*>(hit) : end;
  }
#endif
  return FindEither(p, end, a, a);
}

// The first byte of [p, end) equal to a, b, c or d, or end.
inline const char* FindAny(const char* p, const char* end, char a, char b, char c, char d) {
#if defined(REELBOX_SSE2)
  if (end - p >= 16 && UseSse2()) {
    if (const char* hit = Find16(&p, end, a, b, c, d)) return hit;
  }
#endif
  const Word wa = BroadcastWord(static_cast<unsigned char>(a));
  const Word wb = BroadcastWord(static_cast<unsigned char>(b));
  const Word wc = BroadcastWord(static_cast<unsigned char>(c));
  const Word wd = BroadcastWord(static_cast<unsigned char>(d));
  for (; end - p >= static_cast<ptrdiff_t>(sizeof(Word)); p += sizeof(Word)) {
    const Word w = LoadWord(p);
    const Word hit = ZeroByteMarks(w ^ wa) | ZeroByteMarks(w ^ wb) | ZeroByteMarks(w ^ wc) | ZeroByteMarks(w ^ wd);
    if (hit != 0) return p + FirstMarked(hit);
  }
  while (p < end && *p != a && *p != b && *p != c && *p != d) ++p;
  return p;
}

#if defined(REELBOX_SSE2)
// Per byte lane, whether an odd number of the sixteen-byte blocks of [*p, end) hold a there: the
// parity of these bits is that of the count. Moves *p past the blocks.
REELBOX_SSE2_TARGET inline uint32_t OddLanes16(const char** p, const char* end, char a) {
  const __m128i va = _mm_set1_epi8(a);
  __m128i odd = _mm_setzero_si128();
  for (; end - *p >= 16; *p += 16) {
    odd = _mm_xor_si128(odd, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(*p)), va));
  }
  return static_cast<uint32_t>(_mm_movemask_epi8(odd));
}
#endif

inline bool Parity(uint64_t w) { return __builtin_parityll(w) != 0; }
inline bool Parity(uint32_t w) { return __builtin_parity(w) != 0; }

// Whether [p, end) holds an odd number of bytes equal to a, without stopping at each of them.
inline bool OddCount(const char* p, const char* end, char a) {
  bool odd = false;
#if defined(REELBOX_SSE2)
  if (end - p >= 16 && UseSse2()) odd = Parity(OddLanes16(&p, end, a));
#endif
  const Word wa = BroadcastWord(static_cast<unsigned char>(a));
  Word lanes = 0;
  for (; end - p >= static_cast<ptrdiff_t>(sizeof(Word)); p += sizeof(Word)) lanes ^= ZeroByteMarks(LoadWord(p) ^ wa);
  odd ^= Parity(lanes);
  for (; p < end; ++p) odd ^= *p == a;
  return odd;
}

// Each ASCII capital of w as its small letter; every other byte as it is (words of 8 or 4 bytes).
template <typename T>
inline T FoldLetters(T w) {
  const T high = static_cast<T>(Broadcast(0x80));
  const T low = w & ~high;
  const T at_least_a = low + static_cast<T>(Broadcast(0x80 - 'A'));
  const T above_z = low + static_cast<T>(Broadcast(0x80 - 'Z' - 1));
  const T capitals = at_least_a & ~above_z & ~w & high;
  return w | (capitals >> 2);
}

// Whether the n bytes at a and at b are the same with ASCII capitals taken as small letters (no
// other byte folds); eight bytes a step.
inline bool FoldedEqual(const char* a, const char* b, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const uint64_t x = Load(a + i);
    const uint64_t y = Load(b + i);
    if (x != y && FoldLetters(x) != FoldLetters(y)) return false;
  }
  if (i == n) return true;
  if (n >= 8) {
    // The last eight bytes, overlapping the word before.
    const uint64_t x = Load(a + n - 8);
    const uint64_t y = Load(b + n - 8);
    return x == y || FoldLetters(x) == FoldLetters(y);
  }
  for (; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + ('a' - 'A'));
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + ('a' - 'A'));
    if (x != y) return false;
  }
  return true;
}

// The marks of a word (bit 7 of each marked byte) as a bit per byte.
inline uint32_t WordMarkBits(uint64_t marks) {
  return static_cast<uint32_t>(((marks >> 7) * 0x0102040810204080ull) >> 56);
}

// The marks of a word of eight bytes: bit 7 of each byte equal to one of the four values.
inline uint64_t WordMarks(const char* p, char a, char b, char c, char d) {
  const uint64_t w = Load(p);
  return ZeroBytes(w ^ Broadcast(static_cast<unsigned char>(a))) | ZeroBytes(w ^ Broadcast(static_cast<unsigned char>(b))) |
         ZeroBytes(w ^ Broadcast(static_cast<unsigned char>(c))) | ZeroBytes(w ^ Broadcast(static_cast<unsigned char>(d)));
}

#if defined(REELBOX_SSE2)
// A bit per byte of the thirty-two at p that equals one of the four values: one call on a 32-bit
// target, whose SSE2 forms cannot be inlined into code built without SSE2.
REELBOX_SSE2_TARGET inline uint32_t Marks32(const char* p, char a, char b, char c, char d) {
  return Marks16(p, a, b, c, d) | Marks16(p + 16, a, b, c, d) << 16;
}
#endif

// Blocks of thirty-two bytes in which the bytes equal to any of four values are marked at once, a
// bit per byte: with SSE2 where it runs, else from four words.
struct MarkBlock {
  static constexpr size_t kSize = 32;
  static uint32_t Marks(const char* p, char a, char b, char c, char d) {
#if defined(REELBOX_SSE2)
    if (UseSse2()) return Marks32(p, a, b, c, d);
#endif
    return WordForm(p, a, b, c, d);
  }
  // The marks as the processors without SSE2 make them.
  static uint32_t WordForm(const char* p, char a, char b, char c, char d) {
    return WordMarkBits(WordMarks(p, a, b, c, d)) | WordMarkBits(WordMarks(p + 8, a, b, c, d)) << 8 |
           WordMarkBits(WordMarks(p + 16, a, b, c, d)) << 16 | WordMarkBits(WordMarks(p + 24, a, b, c, d)) << 24;
  }
  // The index of the lowest marked byte of non-zero marks.
  static size_t Index(uint32_t marks) { return static_cast<size_t>(__builtin_ctz(marks)); }
  // The marks of the first n bytes (n below kSize).
  static uint32_t FirstBytes(size_t n) { return (uint32_t{1} << n) - 1; }
};

// True when a byte of [p, end) has its top bit set (the text is not plain ASCII).
inline bool HasHighByte(const char* p, const char* end) {
#if defined(REELBOX_SSE2)
  if (end - p >= 16 && UseSse2() && HighByte16(&p, end)) return true;
#endif
  uint64_t any = 0;
  for (; end - p >= 8; p += 8) any |= Load(p);
  for (; p < end; ++p) any |= static_cast<unsigned char>(*p);
  return (any & Broadcast(0x80)) != 0;
}

// Copies n bytes, without a call for the short texts of a record: up to sixteen bytes as two
// overlapping loads and stores (the 32-bit runtime's copy starts slowly), more through memcpy.
inline void CopyShort(char* out, const char* in, size_t n) {
  if (n >= 8 && n <= 16) {
    const uint64_t head = Load(in);
    const uint64_t tail = Load(in + n - 8);
    std::memcpy(out, &head, 8);
    std::memcpy(out + n - 8, &tail, 8);
  } else if (n >= 4 && n < 8) {
    uint32_t head;
    uint32_t tail;
    std::memcpy(&head, in, 4);
    std::memcpy(&tail, in + n - 4, 4);
    std::memcpy(out, &head, 4);
    std::memcpy(out + n - 4, &tail, 4);
  } else if (n < 4) {
    for (size_t i = 0; i < n; ++i) out[i] = in[i];
  } else {
    std::memcpy(out, in, n);
  }
}

// Clears n bytes, without a call for the short texts of a record (as CopyShort copies them).
inline void ZeroShort(char* out, size_t n) {
  if (n >= 8 && n <= 16) {
    const uint64_t zero = 0;
    std::memcpy(out, &zero, 8);
    std::memcpy(out + n - 8, &zero, 8);
  } else if (n >= 4 && n < 8) {
    const uint32_t zero = 0;
    std::memcpy(out, &zero, 4);
    std::memcpy(out + n - 4, &zero, 4);
  } else if (n < 4) {
    for (size_t i = 0; i < n; ++i) out[i] = 0;
  } else {
    std::memset(out, 0, n);
  }
}

// Whether n bytes at a equal n bytes at b, without a call for short texts: up to sixteen bytes as
// two overlapping words each.
inline bool SameShort(const char* a, const char* b, size_t n) {
  if (n >= 8 && n <= 16) return Load(a) == Load(b) && Load(a + n - 8) == Load(b + n - 8);
  if (n >= 4 && n < 8) {
    uint32_t a_head, a_tail, b_head, b_tail;
    std::memcpy(&a_head, a, 4);
    std::memcpy(&a_tail, a + n - 4, 4);
    std::memcpy(&b_head, b, 4);
    std::memcpy(&b_tail, b + n - 4, 4);
    return a_head == b_head && a_tail == b_tail;
  }
  if (n < 4) {
    for (size_t i = 0; i < n; ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
  return std::memcmp(a, b, n) == 0;
}

// The length of a NUL-terminated text, for the short texts of a record (no call into the runtime).
inline size_t TextLength(const char* text) {
  size_t n = 0;
  while (text[n] != '\0') ++n;
  return n;
}

}  // namespace byte_scan

#endif  // REELBOX_PLATFORM_BYTE_SCAN_H
