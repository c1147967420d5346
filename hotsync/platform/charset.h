// Character sets of the program's text. Texts from the handheld and the conduit are Windows-1252;
// the program's own texts, names and paths are UTF-8 on Linux and Windows-1252 on Windows. What
// the program shows is turned into UTF-8 first and then into the character set of where it goes.
#ifndef HOTSYNC_PLATFORM_CHARSET_H
#define HOTSYNC_PLATFORM_CHARSET_H

#include <cstddef>
#include <string>

namespace hotsync {

enum class Charset { kUtf8, kWindows1252, kLatin1, kAscii };

// Windows-1252 text as UTF-8 (its five unassigned bytes become U+FFFD).
std::string Utf8OfWindows1252(const std::string& text);
// Text of mixed origin as UTF-8: what reads as UTF-8 stands as it is, every other byte is read as
// Windows-1252 (a conduit message may hold a handheld text beside a UTF-8 path).
std::string Utf8OfMixedText(const std::string& text);
// UTF-8 text in another character set; a character that set lacks becomes "?" ("~" for "…").
std::string EncodeUtf8(const std::string& utf8, Charset charset);
// The character set a locale setting names ("de_DE.UTF-8", "fr_FR.ISO-8859-1"); a locale that
// names none ("C", "POSIX", "") is ASCII.
Charset CharsetOfLocale(const std::string& locale);

// Characters (code points) in UTF-8 text.
size_t Utf8Length(const std::string& utf8);
// UTF-8 text cut to at most `width` characters, ending in "…" when cut.
std::string Utf8Fit(const std::string& utf8, size_t width);

}  // namespace hotsync

#endif  // HOTSYNC_PLATFORM_CHARSET_H
