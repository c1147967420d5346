// The fetcher's error record and the downloaded file; the download itself is in url_fetch.cpp.
#include "events/url_fetcher.h"

#include <cstdio>
#include <cstring>

#include "platform/env.h"
#include "platform/files.h"
#include "platform/internet.h"
#include "platform/text_stream.h"

UrlFetcher::UrlFetcher() { error_text_[0] = '\0'; }

UrlFetcher::~UrlFetcher() = default;

bool UrlFetcher::ReportProgress(const char*) { return true; }

void UrlFetcher::ClearError() {
  error_code_ = 0;
  error_text_[0] = '\0';
}

void UrlFetcher::SetInternetError(uint32_t code) {
  error_code_ = code;
  error_text_[0] = '\0';
  if (code == 0) return;
  std::string text = Env::Current().Internet().ErrorText(code);
  if (!text.empty()) {
    std::snprintf(error_text_, sizeof(error_text_), "%s", text.c_str());
  } else if (code == kInternetErrorUnrecognizedScheme) {
    std::snprintf(error_text_, sizeof(error_text_), "%s",
                  "Invalid URL scheme (must be 'http://' or 'ftp://')");
  } else if (code == kInternetErrorNameNotResolved) {
    std::snprintf(error_text_, sizeof(error_text_),
                  "Unable to resolve internet address - check internet connection (%lx)",
                  static_cast<unsigned long>(code));
  } else if (code == kInternetErrorCannotConnect) {
    std::snprintf(error_text_, sizeof(error_text_), "Unable to connect to the internet (%lx)",
                  static_cast<unsigned long>(code));
  } else {
    std::snprintf(error_text_, sizeof(error_text_), "Unknown error %lx",
                  static_cast<unsigned long>(code));
  }
}

TempFileUrlFetcher::TempFileUrlFetcher() {
  FileSystem& files = Env::Current().Files();
  std::string parent = files.TempFolder();
  if (parent.empty()) parent = std::string(1, files.PathSeparator());
  // A folder of this fetcher's own: two syncs at once must not share a download, and nobody
  // else may plant a link or a feed where it is written.
  if (files.MakePrivateFolder(parent, &folder_, &made_folder_) != 0) folder_.clear();
}

TempFileUrlFetcher::~TempFileUrlFetcher() {
  CloseDownloaded();
  if (made_folder_) {
    FileSystem& files = Env::Current().Files();
    files.RemoveFile(GetTempFilePath());
    files.RemoveFolder(folder_);
  }
}

std::string TempFileUrlFetcher::GetTempFilePath() const {
  // Without a private folder the path names no folder, so the download cannot be created.
  return folder_.empty() ? std::string() : JoinPath(folder_, kFetchTempFileName);
}

int32_t TempFileUrlFetcher::OpenDownloaded() {
  ClearError();
  CloseDownloaded();
  uint32_t error = TextStream::Open(GetTempFilePath(), FileMode::kReadExisting, &downloaded_);
  if (error != 0) {
    SetInternetError(error);
    return kDownloadedFileError;
  }
  return 0;
}

int32_t TempFileUrlFetcher::ReadDownloaded(uint32_t count, char* buffer, uint32_t* read) {
  ClearError();
  *read = 0;
  if (!downloaded_) return kDownloadedNotOpen;
  *read = static_cast<uint32_t>(downloaded_->Read(buffer, count));
  if (downloaded_->Error()) {
    // A failing disk must not pass for the end of the feed.
    SetInternetError(downloaded_->ErrorCode());
    return kDownloadedFileError;
  }
  return 0;
}

int32_t TempFileUrlFetcher::CloseDownloaded() {
  ClearError();
  if (downloaded_) {
    downloaded_->Close();
    downloaded_.reset();
  }
  return 0;
}

int32_t TempFileUrlFetcher::DeleteDownloaded() {
  ClearError();
  uint32_t error = Env::Current().Files().RemoveFile(GetTempFilePath());
  if (error != 0) {
    SetInternetError(error);
    return kDownloadedFileError;
  }
  return 0;
}

namespace {

bool StartsWithIgnoringCase(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix) {
    char c = *text;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != *prefix) return false;
  }
  return true;
}

}  // namespace

std::string FetchAddress(const char* url) {
  while (*url == ' ') ++url;
  if (StartsWithIgnoringCase(url, "http:") || StartsWithIgnoringCase(url, "https:") ||
      StartsWithIgnoringCase(url, "ftp:")) {
    return url;
  }
  return std::string("http://") + url;
}
