#include "textfiles/field_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Decode(const std::string& line) {
  std::vector<std::string> fields;
  size_t position = 0;
  TextString field;
  while (DecodeField(line.data(), line.size(), &position, &field)) fields.emplace_back(field.Text());
  // Decoding inside the line itself gives the same texts.
  std::string own = line + '\0';
  size_t at = 0;
  size_t n = 0;
  while (const char* text = DecodeFieldInPlace(&own[0], line.size(), &at)) {
    EXPECT_EQ(text, n < fields.size() ? fields[n] : std::string("<no such field>"));
    ++n;
  }
  EXPECT_EQ(n, fields.size());
  return fields;
}

TEST(FieldCodec, EncodingEscapesQuotesTabsAndLineBreaks) {
  EXPECT_STREQ(EncodeField("plain").Text(), "plain");
  EXPECT_STREQ(EncodeField("say \"hi\"").Text(), "\"say \"\"hi\"\"\"");
  EXPECT_STREQ(EncodeField("a\tb").Text(), "a<<TAB>>b");
  EXPECT_STREQ(EncodeField("a\nb").Text(), "a<<CR>>b");
  EXPECT_STREQ(EncodeField("a\rb").Text(), "a<<LF>>b");
  EXPECT_STREQ(EncodeField("a\n\rb").Text(), "a<<CRLF>>b");
  EXPECT_STREQ(EncodeField("a\r\nb").Text(), "a<<LF>><<CR>>b");
  EXPECT_STREQ(EncodeField("  padded \x0b").Text(), "padded");
  EXPECT_STREQ(EncodeField("").Text(), "");
  // Short and long texts are looked at a word or a block at a time: one character that needs
  // more than a copy is found wherever it stands.
  for (size_t n = 1; n <= 40; ++n) {
    const std::string plain(n, 'x');
    EXPECT_STREQ(EncodeField(plain.c_str()).Text(), plain.c_str());
    for (size_t at = 0; at < n; ++at) {
      const std::string before(at, 'x');
      const std::string after(n - at - 1, 'x');
      auto encoded = [&](char c) { return std::string(EncodeField((before + c + after).c_str()).Text()); };
      EXPECT_EQ(encoded('\t'), before + "<<TAB>>" + after);
      EXPECT_EQ(encoded('\n'), before + "<<CR>>" + after);
      EXPECT_EQ(encoded('\r'), before + "<<LF>>" + after);
      EXPECT_EQ(encoded('"'), "\"" + before + "\"\"" + after + "\"");
      const bool at_an_end = at == 0 || at == n - 1;
      EXPECT_EQ(encoded(' '), at_an_end ? before + after : before + ' ' + after);
      // Other control characters are written as they are (a vertical tab at an end is trimmed).
      EXPECT_EQ(encoded('\v'), at_an_end ? before + after : before + '\v' + after);
      EXPECT_EQ(encoded('\x01'), before + '\x01' + after);
      if (at + 1 < n) {
        const std::string rest(n - at - 2, 'x');
        EXPECT_EQ(EncodeField((before + "\n\r" + rest).c_str()).Text(), before + "<<CRLF>>" + rest);
        // A quote after another mark still puts the whole text in quotes.
        EXPECT_EQ(EncodeField((before + '\t' + rest + '"').c_str()).Text(), '"' + before + "<<TAB>>" + rest + "\"\"\"");
      }
    }
  }
}

TEST(FieldCodec, DecodingSplitsAtTabsOutsideQuotes) {
  EXPECT_EQ(Decode("a\tb\tc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(Decode("a\t\tc"), (std::vector<std::string>{"a", "", "c"}));
  EXPECT_EQ(Decode("a\t"), (std::vector<std::string>{"a"}));  // nothing after a trailing TAB
  EXPECT_EQ(Decode("\t\t"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(Decode("\"x\ty\"\tz"), (std::vector<std::string>{"x\ty", "z"}));
  EXPECT_EQ(Decode("  \" q \"  "), (std::vector<std::string>{"q"}));
  EXPECT_EQ(Decode("\""), (std::vector<std::string>{"\""}));
  EXPECT_EQ(Decode("\"never closed\tstill inside"), (std::vector<std::string>{"\"never closed\tstill inside"}));
  EXPECT_EQ(Decode("a<<CRLF>>b<<CR>>c<<LF>>d<<TAB>>e\"\"f"),
            (std::vector<std::string>{"a\n\rb\nc\rd\te\"f"}));
  EXPECT_EQ(Decode(std::string("ab\0cd\tef", 8)), (std::vector<std::string>{"ab", "ef"}));
  EXPECT_TRUE(Decode("").empty());
}

TEST(FieldCodec, DecodedTextsAreCutTo1999Bytes) {
  std::vector<std::string> fields = Decode(std::string(2500, 'x') + "\tnext");
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields[0], std::string(1999, 'x'));
  EXPECT_EQ(fields[1], "next");
}

TEST(FieldCodec, EveryTextReadsBackAsWritten) {
  std::vector<std::string> texts = {
      "\"", "\"\"", "a\"", "\"a", "x\ty", "tab at end\t", "\n", "\r\n", "\n\r", "\n\n\r\r",
      "quote\" and\ttab", std::string(500, '\t'), std::string(500, '"'), "mixed \"\t\n\r end"};
  // Texts of every length around the sizes that are looked at a block at a time, with marks of every
  // kind close together.
  const std::string marks = "ab\"\tc\n\rd\n\"\"e\r\n\tfg";
  for (size_t n = 1; n <= 70; ++n) {
    std::string text;
    while (text.size() < n) text += marks;
    texts.push_back(text.substr(text.size() - n));
  }
  for (const std::string& text : texts) {
    TextString encoded = EncodeField(text.c_str());
    size_t position = 0;
    TextString decoded;
    ASSERT_TRUE(DecodeField(encoded.Text(), static_cast<size_t>(encoded.Length()), &position, &decoded));
    EXPECT_EQ(std::string(decoded.Text()), text) << encoded.Text();
    EXPECT_EQ(position, static_cast<size_t>(encoded.Length()));
  }
}

}  // namespace
