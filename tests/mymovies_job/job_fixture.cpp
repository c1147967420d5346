#include "job_fixture.h"

#include "failing_new.h"

#include <cstring>

#include "conduit/sync_driver.h"
#include "diag/sync_log.h"
#include "hotsync_session.h"
#include "mymovies/my_movies_job.h"
#include "platform/env.h"
#include "platform/files.h"

namespace {

const char* g_cancel_text = nullptr;
int g_cancel_occurrence = 0;
int g_seen = 0;
bool g_cancelling = false;

int32_t Progress(const char* text) {
  if (g_cancel_text && std::strcmp(text, g_cancel_text) == 0 && ++g_seen >= g_cancel_occurrence) g_cancelling = true;
  return g_cancelling ? 1 : 0;
}

uint16_t Swap(uint16_t value) { return static_cast<uint16_t>((value >> 8) | (value << 8)); }

}  // namespace

JobTest::JobTest() : documents_env_(new FixedDocumentsEnv(documents_.path())) {
  conduit_ = root_.conduitFolder();
  sep_ = std::string(1, Env::Default().Files().PathSeparator());
  Env::Default().Files().MakeDirectory(conduit_);
}

JobTest::~JobTest() { SetLogLevel(4); }

void JobTest::UseDocumentsFolder(const std::string& folder, uint32_t result) {
  documents_env_.reset();
  documents_env_.reset(new FixedDocumentsEnv(folder, result));
}

void JobTest::WriteHandheld(const std::vector<reelbox_test::SampleMovie>& movies, const std::string& block) {
  std::vector<std::pair<std::string, uint8_t>> records;
  for (const auto& movie : movies) records.emplace_back(reelbox_test::PackSampleMovie(movie), movie.category);
  WriteRawRecords(records, block);
}

void JobTest::WriteRawRecords(const std::vector<std::pair<std::string, uint8_t>>& records, const std::string& block) {
  hotsync::PalmDatabase db = reelbox_test::NewRecordDatabase("Movie-Lists", "QV03", "QVX3");
  db.hasAppInfo = !block.empty();
  db.appInfo.assign(block.begin(), block.end());
  for (const auto& record : records) reelbox_test::AddTestRecord(&db, record.first, record.second);
  ASSERT_TRUE(reelbox_test::WritePalmFile(root_.DatabasePath("Movie-Lists"), db));
}

int32_t JobTest::RunJob(uint16_t preference, bool audit, const char* cancel_text, int occurrence) {
  g_cancel_text = cancel_text;
  g_cancel_occurrence = occurrence;
  g_seen = 0;
  g_cancelling = false;
  EXPECT_EQ(root_.BeginSession(), 0);
  for (const Fault& fault : faults_) HsInjectFault(fault.operation.c_str(), fault.nth, fault.code);
  faults_.clear();
  SyncInput input;
  std::memset(&input, 0, sizeof input);
  input.progress = &Progress;
  std::strncpy(reinterpret_cast<char*>(input.properties.bytes + kFolderOffset), conduit_.c_str(),
               kSyncPropertiesSize - kFolderOffset - 1);
  int32_t result = -100;
  {
    SyncDriver driver(*documents_env_);
    EXPECT_EQ(driver.LoadSettings(input), 0);
    SyncLog log(*documents_env_, &driver, conduit_, "kvrtdebuglog.txt", conduit_, "kvrtsynclog.txt");
    SetLogLevel(audit ? 8 : 4);
    driver.DevicePreference() = Swap(preference);
    reelbox_test::FailAllocation(fail_allocation_);
    result = ToInt(RunMyMoviesJob(driver));
    allocations_ = reelbox_test::AllocationsSince();
    reelbox_test::FailAllocation(0);
    preference_after_ = Swap(driver.DevicePreference());
    cancelled_after_ = driver.Cancelled();
  }
  EXPECT_EQ(HsEndSession(), 0);
  entries_.clear();
  char text[2048];
  for (int32_t i = 0; i < HsGetLogEntryCount(); ++i) {
    int32_t code = 0;
    HsGetLogEntry(i, text, sizeof text, &code);
    if (code != -1) entries_.emplace_back(text, code);
  }
  return result;
}

hotsync::PalmDatabase JobTest::Handheld() {
  hotsync::PalmDatabase db;
  std::string error;
  EXPECT_TRUE(reelbox_test::ReadPalmFile(root_.DatabasePath("Movie-Lists"), &db, &error)) << error;
  return db;
}

std::string ExportHeader() {
  return "Title\tYear\tRunningTime\tMediaType\tCategory\tDirector\tCountry\tGenre\tCast\tLoanStatus\tLoanDate\t"
         "DueDate\tLoanLocation\tOwned\tViewed\tAcquired\tPrice\tCatalog\tMediaQuantity\tMediaRegion\tColor\t"
         "ScreenEncoding\tFilmProcess\tMadeForTV\tAudioMono\tAudioStereo\tAudioDD20\tAudioDD51\tAudioDTS\t"
         "AudioTHX\tRating\tMPAA\tAwards\tNotes\r\n";
}

std::string SimpleExportLine(const std::string& title, int year, const std::string& run_time,
                             const std::string& category, const std::string& notes) {
  return title + "\t" + std::to_string(year) + "\t" + run_time + "\tDVD\t" + category +
         "\t\t\t\t\tNone\t\t\t\tFalse\tTrue\t\t\t\t1\t1\tTrue\tNone\t\tFalse\tFalse\tFalse\tFalse\tFalse\t"
         "False\tFalse\tNR\t[NR]\t\t" + notes + "\r\n";
}

size_t CountOf(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++count;
  return count;
}
