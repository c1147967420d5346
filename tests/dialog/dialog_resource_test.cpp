// The win32 resource script must hold the same dialog the portable model (and the terminal form)
// works from: same controls in the same order, ids, kinds, texts and places.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "conduit/settings_dialog_model.h"

namespace {

const std::string kResources = std::string(REELBOX_SOURCE_DIR) + "/src/resources/";

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Splits a statement's arguments at commas outside quotes; quoted texts lose their quotes and
// have their \n and \0 escapes undone.
std::vector<std::string> Arguments(const std::string& line) {
  std::vector<std::string> out(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (quoted && c == '\\' && i + 1 < line.size()) {
      char e = line[++i];
      out.back() += e == 'n' ? '\n' : e == '0' ? '\0' : e;
    } else if (!quoted && c == ',') {
      out.emplace_back();
    } else if (quoted || c != ' ' || !out.back().empty()) {
      out.back() += c;
    }
  }
  for (std::string& a : out) {
    while (!a.empty() && a.back() == ' ') a.pop_back();
  }
  return out;
}

int Id(const std::string& text) {
  if (text == "IDC_STATIC") return kDialogNoId;
  if (text == "IDOK") return kDialogOk;
  if (text == "IDCANCEL") return kDialogCancel;
  return std::stoi(text);
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// One control statement of a DIALOGEX body.
DialogControl ParseControl(const std::string& statement) {
  std::istringstream in(statement);
  std::string keyword;
  in >> keyword;
  std::string rest;
  std::getline(in, rest);
  std::vector<std::string> a = Arguments(rest);
  DialogControl c;
  size_t at = 0;
  if (keyword != "COMBOBOX") c.text = a[at++];
  c.id = Id(a[at++]);
  std::string style;
  if (keyword == "CONTROL") {
    at++;  // window class
    style = a[at++];
  }
  c.x = std::stoi(a[at]);
  c.y = std::stoi(a[at + 1]);
  c.width = std::stoi(a[at + 2]);
  c.height = std::stoi(a[at + 3]);
  if (a.size() > at + 4) style += "|" + a[at + 4];
  using K = DialogControlKind;
  if (keyword == "GROUPBOX") c.kind = K::kGroupBox;
  if (keyword == "LTEXT") c.kind = Has(style, "NOT WS_VISIBLE") ? K::kPicture : K::kStatic;
  if (keyword == "RTEXT") c.kind = K::kRightStatic;
  if (keyword == "PUSHBUTTON") c.kind = K::kPushButton;
  if (keyword == "DEFPUSHBUTTON") c.kind = K::kDefaultPushButton;
  if (keyword == "COMBOBOX") {
    EXPECT_TRUE(Has(style, "CBS_DROPDOWNLIST")) << statement;
    c.kind = K::kDropDownList;
  }
  if (keyword == "CONTROL") {
    c.kind = Has(style, "BS_AUTOCHECKBOX") ? K::kCheckBox : K::kRadioButton;
    EXPECT_TRUE(Has(style, "BS_AUTOCHECKBOX") || Has(style, "BS_AUTORADIOBUTTON")) << statement;
    c.groupStart = c.kind == K::kRadioButton && Has(style, "WS_GROUP");
  }
  return c;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    size_t start = line.find_first_not_of(" \t");
    lines.push_back(start == std::string::npos ? "" : line.substr(start));
  }
  return lines;
}

TEST(DialogResource, TemplateMatchesTheModelControlByControl) {
  const std::vector<std::string> lines = Lines(ReadText(kResources + "dialog.rc"));
  const DialogForm model = SettingsDialogModel::Template();
  size_t i = 0;
  while (i < lines.size() && lines[i].rfind("6004 DIALOGEX", 0) != 0) ++i;
  ASSERT_LT(i, lines.size()) << "no dialog 6004";
  EXPECT_EQ(lines[i], "6004 DIALOGEX 0, 0, 310, 206");
  std::vector<DialogControl> controls;
  bool body = false;
  for (++i; i < lines.size() && lines[i] != "END"; ++i) {
    const std::string& line = lines[i];
    if (line.rfind("CAPTION", 0) == 0) {
      EXPECT_EQ(Arguments(line.substr(8))[0], model.title);
    }
    if (line.rfind("FONT", 0) == 0) {
      std::vector<std::string> font = Arguments(line.substr(5));
      EXPECT_EQ(std::stoi(font[0]), model.fontPoints);
      EXPECT_EQ(font[1], model.fontFace);
    }
    if (line == "BEGIN") {
      body = true;
    } else if (body && !line.empty()) {
      controls.push_back(ParseControl(line));
    }
  }
  EXPECT_EQ(model.width, 310);
  EXPECT_EQ(model.height, 206);
  ASSERT_EQ(controls.size(), model.controls.size());
  for (size_t k = 0; k < controls.size(); ++k) {
    const DialogControl& rc = controls[k];
    const DialogControl& m = model.controls[k];
    SCOPED_TRACE("control " + std::to_string(k) + " id " + std::to_string(m.id));
    EXPECT_EQ(rc.id, m.id);
    EXPECT_EQ(rc.kind, m.kind);
    EXPECT_EQ(rc.text, m.text);
    EXPECT_EQ(rc.x, m.x);
    EXPECT_EQ(rc.y, m.y);
    EXPECT_EQ(rc.width, m.width);
    EXPECT_EQ(rc.height, m.height);
    EXPECT_EQ(rc.groupStart, m.groupStart);
  }
}

TEST(DialogResource, ListEntriesOfTheTemplateMatchTheModel) {
  const std::vector<std::string> lines = Lines(ReadText(kResources + "dialog.rc"));
  std::vector<std::string> rows;
  for (const std::string& line : lines) {
    if (line.rfind("1018, 0x0403,", 0) != 0) continue;
    std::vector<std::string> a = Arguments(line);
    std::string text = a[3];
    EXPECT_EQ(std::to_string(text.size()) + "L", a[2]) << "length with terminator";
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\0');
    text.pop_back();
    rows.push_back(text);
  }
  EXPECT_EQ(rows, SettingsDialogModel::Template().Find(kScheduleList)->rows);
}

uint32_t Le(const std::string& bytes, size_t at, int width) {
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
  return v;
}

TEST(DialogResource, JobPicturesAre48By24With16Colours) {
  for (const char* name : {"bitmaps/events.bmp", "bitmaps/lists.bmp"}) {
    SCOPED_TRACE(name);
    const std::string bmp = ReadText(kResources + name);
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(Le(bmp, 2, 4), bmp.size());
    EXPECT_EQ(Le(bmp, 18, 4), 48u);
    EXPECT_EQ(Le(bmp, 22, 4), 24u);
    EXPECT_EQ(Le(bmp, 28, 2), 4u);  // bits per pixel
    EXPECT_EQ(Le(bmp, 30, 4), 0u);  // not compressed
  }
  const std::string rc = ReadText(kResources + "dialog.rc");
  EXPECT_TRUE(Has(rc, "133 BITMAP \"bitmaps/events.bmp\""));
  EXPECT_TRUE(Has(rc, "135 BITMAP \"bitmaps/lists.bmp\""));
}

}  // namespace
