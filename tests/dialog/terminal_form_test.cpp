#include "platform/terminal_form.h"

#include <gtest/gtest.h>

#include "conduit/settings_dialog_model.h"
#include "platform/env.h"

namespace {

SettingsValues Defaults() {
  SettingsValues v;
  v.flags = 9;
  v.eventsInterval = 604800;
  v.logLevel = 4;
  return v;
}

class TerminalFormTest : public ::testing::Test {
 protected:
  TerminalFormTest() { model.Open(Defaults(), "v2.0 (0044)"); }
  std::string Screen() {
    std::string all;
    for (const std::string& line : form().Lines(80)) all += line + "\n";
    return all;
  }
  TerminalForm& form() {
    if (!form_) form_ = std::make_unique<TerminalForm>(model);
    return *form_;
  }
  int Press(TerminalKey key, int times = 1) {
    int result = 0;
    for (int i = 0; i < times && result == 0; ++i) result = form().Press(key);
    return result;
  }
  SettingsDialogModel model{Env::Default()};
  std::unique_ptr<TerminalForm> form_;
};

TEST_F(TerminalFormTest, ShowsEveryTextOfTheDialogWithinEightyColumnsAndTwentyFourRows) {
  const std::vector<std::string> lines = form().Lines(80);
  EXPECT_LE(lines.size(), 24u);
  for (const std::string& line : lines) EXPECT_LE(line.size(), 80u) << line;
  const std::string screen = Screen();
  for (const char* text :
       {"Cinevane Synchronization Settings", "Sync Actions for Reelbox", "[x] Ruzur Ezezov",
        "Synchronize Ruzur Ezezov [once per week", "Connect to the Internet and update Ruzur Ezezov",
        "[x] Dever Ororido Import/Export", "Import/Export 'Ri Verid' items based", "Ro Vedevu.",
        "Event Log", "(*) Standard log", "( ) Full activity audit (slower)", "[View log...]",
        "OK", "Cancel", "v2.0 (0044)"}) {
    EXPECT_NE(screen.find(text), std::string::npos) << text << "\n" << screen;
  }
}

TEST_F(TerminalFormTest, TabVisitsTheEnabledControlsInTemplateOrder) {
  const int order[] = {kScheduleList, kListsCheck, kStandardLogRadio, kFullAuditRadio,
                       kViewLogButton, kDialogOk, kDialogCancel, kEventsCheck};
  EXPECT_EQ(form().focusedId(), kEventsCheck);
  for (int id : order) {
    Press(TerminalKey::kTab);
    EXPECT_EQ(form().focusedId(), id);
  }
  Press(TerminalKey::kBackTab);
  EXPECT_EQ(form().focusedId(), kDialogCancel);
  Press(TerminalKey::kDown);
  Press(TerminalKey::kSpace);  // the schedule goes off, its list can no longer take the focus
  Press(TerminalKey::kTab);
  EXPECT_EQ(form().focusedId(), kListsCheck);
}

TEST_F(TerminalFormTest, SpaceTogglesACheckBoxThroughTheRules) {
  Press(TerminalKey::kSpace);
  EXPECT_FALSE(model.Form().Find(kEventsCheck)->checked);
  EXPECT_NE(Screen().find("[ ] Ruzur Ezezov"), std::string::npos);
  EXPECT_NE(Screen().find("Movie Event Synchronization is disabled."), std::string::npos);
  Press(TerminalKey::kSpace);
  EXPECT_TRUE(model.Form().Find(kEventsCheck)->checked);
}

TEST_F(TerminalFormTest, ListPicksRowsWithArrowsAndThroughItsOpenList) {
  Press(TerminalKey::kTab);
  Press(TerminalKey::kRight);
  EXPECT_EQ(model.Form().Find(kScheduleList)->selectedRow, 3);
  Press(TerminalKey::kRight, 3);  // stops at the last row
  EXPECT_EQ(model.Form().Find(kScheduleList)->selectedRow, 4);
  Press(TerminalKey::kEnter);
  EXPECT_TRUE(form().listOpen());
  EXPECT_NE(Screen().find("|during each sync"), std::string::npos);
  Press(TerminalKey::kUp, 4);
  Press(TerminalKey::kEscape);  // closes the list, keeps the dialog and the row
  EXPECT_FALSE(form().listOpen());
  EXPECT_EQ(model.Form().Find(kScheduleList)->selectedRow, 4);
  Press(TerminalKey::kSpace);
  Press(TerminalKey::kUp, 4);
  EXPECT_EQ(Press(TerminalKey::kEnter), 0);
  EXPECT_EQ(model.Form().Find(kScheduleList)->selectedRow, 0);
  EXPECT_NE(Screen().find("each time the mobile device is synchronized."), std::string::npos);
}

TEST_F(TerminalFormTest, RadioButtonIsPickedWithSpace) {
  Press(TerminalKey::kTab, 4);
  EXPECT_EQ(form().focusedId(), kFullAuditRadio);
  Press(TerminalKey::kSpace);
  EXPECT_TRUE(model.Form().Find(kFullAuditRadio)->checked);
  EXPECT_FALSE(model.Form().Find(kStandardLogRadio)->checked);
}

TEST_F(TerminalFormTest, EscapeCancelsAndEnterPressesTheFocusedButtonOrOk) {
  EXPECT_EQ(Press(TerminalKey::kEscape), kDialogCancel);
  EXPECT_EQ(Press(TerminalKey::kEnter), kDialogOk);  // on a check box: the default button
  Press(TerminalKey::kBackTab);
  EXPECT_EQ(form().focusedId(), kDialogCancel);
  EXPECT_EQ(Press(TerminalKey::kEnter), kDialogCancel);
  Press(TerminalKey::kBackTab);
  EXPECT_EQ(Press(TerminalKey::kSpace), kDialogOk);
}

TEST_F(TerminalFormTest, RenderMarksFocusInReverseAndDisabledControlsDim) {
  model.OnCheck(kListsCheck, false);
  const std::string screen = form().Render(80, 24);
  EXPECT_EQ(screen.rfind("\x1b[0m\x1b[H\x1b[2J", 0), 0u);
  EXPECT_NE(screen.find("\x1b[0;1;7m[x] Ruzur Ezezov"), std::string::npos);
  EXPECT_NE(screen.find("\x1b[0;2mRi Verid Import/Export is disabled."), std::string::npos);
  // A screen too small for the form shows what it needs instead of a form without its buttons.
  EXPECT_EQ(form().Render(80, 3).find("Ruzur Ezezov\x1b"), form().Render(80, 3).npos);
  EXPECT_NE(form().Render(80, 3).find("The terminal is 80 x 3; the form"), std::string::npos);
  EXPECT_FALSE(form().Fits(80, 3));
  EXPECT_TRUE(form().Fits(80, 24));
}

TEST(DecodeTerminalKey, ReadsKeysAndEscapeSequences) {
  size_t used = 0;
  EXPECT_EQ(DecodeTerminalKey("\x1b[A", false, &used), TerminalKey::kUp);
  EXPECT_EQ(used, 3u);
  EXPECT_EQ(DecodeTerminalKey("\x1bOB", false, &used), TerminalKey::kDown);
  EXPECT_EQ(DecodeTerminalKey("\x1b[Zx", false, &used), TerminalKey::kBackTab);
  EXPECT_EQ(used, 3u);
  EXPECT_EQ(DecodeTerminalKey("\x1b[1;5C", false, &used), TerminalKey::kOther);
  EXPECT_EQ(used, 6u);
  EXPECT_EQ(DecodeTerminalKey("\t", false, &used), TerminalKey::kTab);
  EXPECT_EQ(DecodeTerminalKey("\r", false, &used), TerminalKey::kEnter);
  EXPECT_EQ(DecodeTerminalKey(" ", false, &used), TerminalKey::kSpace);
  EXPECT_EQ(DecodeTerminalKey("\x03", false, &used), TerminalKey::kEscape);
}

TEST(DecodeTerminalKey, WaitsForTheRestOfASequenceOnlyWhileMoreMayCome) {
  size_t used = 9;
  EXPECT_EQ(DecodeTerminalKey("\x1b", true, &used), TerminalKey::kNone);
  EXPECT_EQ(used, 0u);
  EXPECT_EQ(DecodeTerminalKey("\x1b[", true, &used), TerminalKey::kNone);
  EXPECT_EQ(used, 0u);
  EXPECT_EQ(DecodeTerminalKey("\x1b", false, &used), TerminalKey::kEscape);
  EXPECT_EQ(used, 1u);
  EXPECT_EQ(DecodeTerminalKey("\x1bx", false, &used), TerminalKey::kEscape);
  EXPECT_EQ(used, 1u);
  EXPECT_EQ(DecodeTerminalKey("\x1b[1;", false, &used), TerminalKey::kOther);
  EXPECT_EQ(used, 4u);
}

}  // namespace
