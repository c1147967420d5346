#include "conduit/settings_dialog_model.h"
#include "platform/env.h"

#include <gtest/gtest.h>

namespace {

const char kLegend[] =
    "Import/Export 'Ri Verid' items based on the settings specified on the device.\n\n"
    "Configure device using the 'Import/Export Items' menu option in Ro Vedevu.";

SettingsValues Defaults() {
  SettingsValues v;
  v.flags = 9;
  v.eventsInterval = 604800;
  v.lastEventsRun = 1234567;
  v.logLevel = 4;
  return v;
}

class SettingsDialogModelTest : public ::testing::Test {
 protected:
  const DialogControl& C(int id) const {
    const DialogControl* c = model.Form().Find(id);
    EXPECT_NE(c, nullptr) << id;
    return *c;
  }
  void Open(const SettingsValues& v) { model.Open(v, "v2.0 (0044)"); }
  SettingsDialogModel model{Env::Default()};
};

TEST(ScheduleRowFor, PicksTheLastRowNotAboveTheIntervalComparedUnsigned) {
  EXPECT_EQ(ScheduleRowFor(0), 0);
  EXPECT_EQ(ScheduleRowFor(86399), 0);
  EXPECT_EQ(ScheduleRowFor(86400), 1);
  EXPECT_EQ(ScheduleRowFor(100000), 1);
  EXPECT_EQ(ScheduleRowFor(604800), 2);
  EXPECT_EQ(ScheduleRowFor(1209600), 3);
  EXPECT_EQ(ScheduleRowFor(2592000), 4);
  EXPECT_EQ(ScheduleRowFor(0x80000000u), 4);
  EXPECT_EQ(ScheduleRowFor(kNoSchedule), 4);
}

TEST(SettingsAction, DoesNothingOnlyWhenBothJobsAreOff) {
  SettingsValues v = Defaults();
  EXPECT_EQ(SettingsAction(v), SyncAction::kSynchronize);
  v.eventsInterval = kNoSchedule;
  EXPECT_EQ(SettingsAction(v), SyncAction::kSynchronize);
  v.flags = 0;
  EXPECT_EQ(SettingsAction(v), SyncAction::kDoNothing);
  v.eventsInterval = 0;
  EXPECT_EQ(SettingsAction(v), SyncAction::kSynchronize);
}

TEST_F(SettingsDialogModelTest, OpeningWithDefaultsShowsWeeklyBothJobsAndStandardLog) {
  Open(Defaults());
  EXPECT_TRUE(C(kEventsCheck).checked);
  EXPECT_TRUE(C(kEventsCheck).bold);
  EXPECT_TRUE(C(kListsCheck).bold);
  const DialogControl& list = C(kScheduleList);
  ASSERT_EQ(list.rows.size(), 5u);
  EXPECT_EQ(list.rows[0], "during each sync");
  EXPECT_EQ(list.rows[1], "once per day");
  EXPECT_EQ(list.rows[2], "once per week");
  EXPECT_EQ(list.rows[3], "once every 2 weeks");
  EXPECT_EQ(list.rows[4], "once per month");
  EXPECT_EQ(list.selectedRow, 2);
  EXPECT_TRUE(list.enabled);
  EXPECT_TRUE(C(kScheduleLabel).enabled);
  EXPECT_TRUE(C(kScheduleText).enabled);
  EXPECT_EQ(C(kScheduleText).text,
            "Connect to the Internet and update Ruzur Ezezov\neach time the mobile device is "
            "synchronized, but no more than once per week.");
  EXPECT_TRUE(C(kListsCheck).checked);
  EXPECT_TRUE(C(kListsText).enabled);
  EXPECT_EQ(C(kListsText).text, kLegend);
  EXPECT_TRUE(C(kStandardLogRadio).checked);
  EXPECT_FALSE(C(kFullAuditRadio).checked);
  EXPECT_EQ(C(kVersionText).text, "v2.0 (0044)");
}

TEST_F(SettingsDialogModelTest, OpeningWithoutScheduleSelectsMonthlyAndDisablesTheSchedule) {
  SettingsValues v = Defaults();
  v.eventsInterval = kNoSchedule;
  v.flags = 1;  // the list job off
  v.logLevel = 8;
  Open(v);
  EXPECT_FALSE(C(kEventsCheck).checked);
  EXPECT_EQ(C(kScheduleList).selectedRow, 4);
  EXPECT_FALSE(C(kScheduleList).enabled);
  EXPECT_FALSE(C(kScheduleLabel).enabled);
  EXPECT_FALSE(C(kScheduleText).enabled);
  EXPECT_EQ(C(kScheduleText).text, "Movie Event Synchronization is disabled.");
  EXPECT_FALSE(C(kListsCheck).checked);
  EXPECT_FALSE(C(kListsText).enabled);
  EXPECT_EQ(C(kListsText).text, "Ri Verid Import/Export is disabled.");
  EXPECT_TRUE(C(kFullAuditRadio).checked);
  EXPECT_FALSE(C(kStandardLogRadio).checked);
}

TEST_F(SettingsDialogModelTest, ScheduleCheckBoxSwitchesListLabelAndText) {
  Open(Defaults());
  model.OnCheck(kEventsCheck, false);
  EXPECT_FALSE(C(kEventsCheck).checked);
  EXPECT_FALSE(C(kScheduleList).enabled);
  EXPECT_FALSE(C(kScheduleLabel).enabled);
  EXPECT_FALSE(C(kScheduleText).enabled);
  EXPECT_EQ(C(kScheduleText).text, "Movie Event Synchronization is disabled.");
  model.OnCheck(kEventsCheck, true);
  EXPECT_TRUE(C(kScheduleList).enabled);
  EXPECT_TRUE(C(kScheduleLabel).enabled);
  EXPECT_TRUE(C(kScheduleText).enabled);
  EXPECT_EQ(C(kScheduleText).text,
            "Connect to the Internet and update Ruzur Ezezov\neach time the mobile device is "
            "synchronized, but no more than once per week.");
}

TEST_F(SettingsDialogModelTest, ListJobCheckBoxSwitchesItsLegend) {
  Open(Defaults());
  model.OnCheck(kListsCheck, false);
  EXPECT_FALSE(C(kListsText).enabled);
  EXPECT_EQ(C(kListsText).text, "Ri Verid Import/Export is disabled.");
  model.OnCheck(kListsCheck, true);
  EXPECT_TRUE(C(kListsText).enabled);
  EXPECT_EQ(C(kListsText).text, kLegend);
}

TEST_F(SettingsDialogModelTest, SelectingARowShowsItsLongTextAndIgnoresRowsOutsideTheList) {
  Open(Defaults());
  model.OnSelect(kScheduleList, 0);
  EXPECT_EQ(C(kScheduleList).selectedRow, 0);
  EXPECT_EQ(C(kScheduleText).text,
            "Connect to the Internet and update Ruzur Ezezov\neach time the mobile device is "
            "synchronized.");
  model.OnSelect(kScheduleList, 5);
  model.OnSelect(kScheduleList, -1);
  EXPECT_EQ(C(kScheduleList).selectedRow, 0);
}

TEST_F(SettingsDialogModelTest, RadioButtonsExcludeEachOther) {
  Open(Defaults());
  model.OnCheck(kFullAuditRadio, true);
  EXPECT_TRUE(C(kFullAuditRadio).checked);
  EXPECT_FALSE(C(kStandardLogRadio).checked);
  model.OnCheck(kFullAuditRadio, false);  // not something a radio button reports; no effect
  EXPECT_TRUE(C(kFullAuditRadio).checked);
  model.OnCheck(kStandardLogRadio, true);
  EXPECT_TRUE(C(kStandardLogRadio).checked);
  EXPECT_FALSE(C(kFullAuditRadio).checked);
}

TEST_F(SettingsDialogModelTest, IntervalOffTheListIsStoredAsTheSelectedRowAndResetsTheLastRun) {
  SettingsValues v = Defaults();
  v.eventsInterval = 100000;
  Open(v);
  EXPECT_EQ(C(kScheduleList).selectedRow, 1);
  SettingsValues stored = model.Accept(v);
  EXPECT_EQ(stored.eventsInterval, 86400u);
  EXPECT_EQ(stored.lastEventsRun, 0u);
}

TEST_F(SettingsDialogModelTest, UnchangedIntervalKeepsTheLastRunAndTheOtherBits) {
  SettingsValues v = Defaults();
  v.flags = 0x109;
  v.logLevel = 0x14;
  Open(v);
  SettingsValues stored = model.Accept(v);
  EXPECT_EQ(stored.eventsInterval, 604800u);
  EXPECT_EQ(stored.lastEventsRun, 1234567u);
  EXPECT_EQ(stored.flags, 0x109u);
  EXPECT_EQ(stored.logLevel, 0x14u);
}

TEST_F(SettingsDialogModelTest, BothJobsOffStoresNoScheduleClearsBothFlagsAndDoesNothing) {
  Open(Defaults());
  model.OnCheck(kEventsCheck, false);
  model.OnCheck(kListsCheck, false);
  SettingsValues stored = model.Accept(Defaults());
  EXPECT_EQ(stored.eventsInterval, kNoSchedule);
  EXPECT_EQ(stored.flags & 9u, 0u);
  EXPECT_EQ(stored.lastEventsRun, 0u);
  EXPECT_EQ(SettingsAction(stored), SyncAction::kDoNothing);
}

TEST_F(SettingsDialogModelTest, SchedulingAgainSetsTheScheduleFlag) {
  SettingsValues v = Defaults();
  v.eventsInterval = kNoSchedule;
  v.flags = 0;
  Open(v);
  model.OnCheck(kEventsCheck, true);
  model.OnSelect(kScheduleList, 0);
  SettingsValues stored = model.Accept(v);
  EXPECT_EQ(stored.eventsInterval, 0u);
  EXPECT_EQ(stored.flags, 1u);
  EXPECT_EQ(SettingsAction(stored), SyncAction::kSynchronize);
}

TEST_F(SettingsDialogModelTest, LogLevelKeepsExactlyOneOfTheTwoBitsAndClearsBitOne) {
  SettingsValues v = Defaults();
  v.logLevel = 0x6 | 0x40;
  Open(v);
  model.OnCheck(kFullAuditRadio, true);
  EXPECT_EQ(model.Close(v).logLevel, 0x8u | 0x40);
  v.logLevel = 0xA;
  Open(v);
  EXPECT_TRUE(C(kFullAuditRadio).checked);
  model.OnCheck(kStandardLogRadio, true);
  EXPECT_EQ(model.Close(v).logLevel, 0x4u);
}

TEST_F(SettingsDialogModelTest, ReopeningAfterOkShowsTheSameChoices) {
  Open(Defaults());
  model.OnCheck(kListsCheck, false);
  model.OnSelect(kScheduleList, 3);
  model.OnCheck(kFullAuditRadio, true);
  const DialogForm before = model.Form();
  SettingsValues stored = model.Accept(Defaults());
  SettingsDialogModel reopened{Env::Default()};
  reopened.Open(stored, "v2.0 (0044)");
  ASSERT_EQ(reopened.Form().controls.size(), before.controls.size());
  for (size_t i = 0; i < before.controls.size(); ++i) {
    const DialogControl& a = before.controls[i];
    const DialogControl& b = reopened.Form().controls[i];
    EXPECT_EQ(a.text, b.text) << a.id;
    EXPECT_EQ(a.checked, b.checked) << a.id;
    EXPECT_EQ(a.enabled, b.enabled) << a.id;
    EXPECT_EQ(a.selectedRow, b.selectedRow) << a.id;
  }
}

TEST_F(SettingsDialogModelTest, UncheckedScheduleStillRemembersTheRowForLater) {
  Open(Defaults());
  model.OnSelect(kScheduleList, 1);
  model.OnCheck(kEventsCheck, false);
  EXPECT_EQ(model.Close(Defaults()).eventsInterval, kNoSchedule);
  model.OnCheck(kEventsCheck, true);
  EXPECT_EQ(model.Close(Defaults()).eventsInterval, 86400u);
}

}  // namespace
