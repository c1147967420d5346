// The fetcher: its error record, the download (connection check, ping, then the response copied
// into the temporary file in passes of up to 16 KB, with a progress report for every 500 bytes as
// when passes were that size) and the downloaded file read back.
#include "events/url_fetcher.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "diag/sync_log.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/internet.h"
#include "platform/text_stream.h"

UrlFetcher::UrlFetcher(InternetClient& internet) : internet_(internet) { error_text_[0] = '\0'; }

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
  std::string text = internet_.ErrorText(code);
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

TempFileUrlFetcher::TempFileUrlFetcher(Env& env) : UrlFetcher(env.Internet()), env_(env) {
  FileSystem& files = env_.Files();
  std::string parent = files.TempFolder();
  if (parent.empty()) parent = std::string(1, files.PathSeparator());
  // A folder of this fetcher's own: two syncs at once must not share a download, and nobody
  // else may plant a link or a feed where it is written.
  if (files.MakePrivateFolder(parent, &folder_, &made_folder_) != 0) folder_.clear();
}

TempFileUrlFetcher::~TempFileUrlFetcher() {
  CloseDownloaded();
  if (made_folder_) {
    FileSystem& files = env_.Files();
    files.RemoveFile(GetTempFilePath());
    files.RemoveFolder(folder_);
  }
}

std::string TempFileUrlFetcher::GetTempFilePath() const {
  // Without a private folder the path names no folder, so the download cannot be created.
  return folder_.empty() ? std::string() : JoinPath(env_.Files(), folder_, kFetchTempFileName);
}

DownloadedResult TempFileUrlFetcher::OpenDownloaded() {
  ClearError();
  CloseDownloaded();
  uint32_t error = TextStream::Open(env_.Files(), GetTempFilePath(), FileMode::kReadExisting, &downloaded_);
  if (error != 0) {
    SetInternetError(error);
    return DownloadedResult::kFileError;
  }
  return DownloadedResult::kOk;
}

DownloadedResult TempFileUrlFetcher::ReadDownloaded(uint32_t count, char* buffer, uint32_t* read) {
  ClearError();
  *read = 0;
  if (!downloaded_) return DownloadedResult::kNotOpen;
  *read = static_cast<uint32_t>(downloaded_->Read(buffer, count));
  if (downloaded_->Error()) {
    // A failing disk must not pass for the end of the feed.
    SetInternetError(downloaded_->ErrorCode());
    return DownloadedResult::kFileError;
  }
  return DownloadedResult::kOk;
}

DownloadedResult TempFileUrlFetcher::CloseDownloaded() {
  ClearError();
  if (downloaded_) {
    downloaded_->Close();
    downloaded_.reset();
  }
  return DownloadedResult::kOk;
}

DownloadedResult TempFileUrlFetcher::DeleteDownloaded() {
  ClearError();
  uint32_t error = env_.Files().RemoveFile(GetTempFilePath());
  if (error != 0) {
    SetInternetError(error);
    return DownloadedResult::kFileError;
  }
  return DownloadedResult::kOk;
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
  std::string address;
  // Calendar sites hand out webcal links: the same address over HTTP.
  if (StartsWithIgnoringCase(url, "webcal://")) {
    address = std::string("http://") + (url + 9);
  } else if (StartsWithIgnoringCase(url, "webcals://")) {
    address = std::string("https://") + (url + 10);
  } else if (StartsWithIgnoringCase(url, "http:") || StartsWithIgnoringCase(url, "https:") ||
             StartsWithIgnoringCase(url, "ftp:")) {
    address = url;
  } else {
    address = std::string("http://") + url;
  }
  // Bytes an address cannot hold as they are go encoded, the same on every target; an escape
  // already written stays as it is.
  static const char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  for (char c : address) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F || std::strchr("\"<>\\^`{|}", c) != nullptr) {
      encoded += '%';
      encoded += kHex[u >> 4];
      encoded += kHex[u & 15];
    } else {
      encoded += c;
    }
  }
  return encoded;
}

namespace {

constexpr uint32_t kPassSize = 16384;
constexpr uint32_t kReportEvery = 500;
constexpr uint32_t kResponseInfoSize = 500;
constexpr uint32_t kOpenFlags = kInternetFlagReload | kInternetFlagNoCookies | kInternetFlagNoUi;

// Closes what a download opened exactly once, whatever the way out.
class DownloadHandles {
 public:
  explicit DownloadHandles(InternetClient& client) : client_(client) {}
  DownloadHandles(const DownloadHandles&) = delete;
  DownloadHandles& operator=(const DownloadHandles&) = delete;
  ~DownloadHandles() {
    if (url) client_.Close(url);
    if (session) client_.Close(session);
    if (file) file->Close();
  }
  InternetHandle session = nullptr;
  InternetHandle url = nullptr;
  std::unique_ptr<TextStream> file;

 private:
  InternetClient& client_;
};

}  // namespace

FetchCode TempFileUrlFetcher::Fetch(const char* url) {
  LogAudit("Checking internet connection...\n");
  ClearError();
  SetHttpStatus(0);
  InternetClient& client = env_.Internet();
  DeleteDownloaded();  // usually fails: no file yet; its error stays on record
  client.SetLastError(0);

  std::string address = FetchAddress(url ? url : "");
  const char* target = address.c_str();
  if (!client.IsConnected()) {
    LogAudit("\nUnable to connect to '%s' - because there does not seem to be a network connection\n",
             target);
    return FetchCode::kNoNetwork;
  }
  if (client.CheckConnection(target)) {
    LogDebug("URL Ping Success.\n");
  } else {
    static const char kPingFailed[] =
        "\nUnable to ping '%s' - %s\nThis may be a firewall/proxy.  Attempting connection anyway.\n";
    LogDebug(kPingFailed, target, ErrorText());
    LogAudit(kPingFailed, target, ErrorText());
  }

  DownloadHandles handles(client);
  std::string path = GetTempFilePath();
  // Made new, never through a link: the file of the last download was deleted above.
  if (TextStream::Open(env_.Files(), path, FileMode::kWriteCreateNew, &handles.file) != 0) {
    LogAudit("Failed to open temp file '%s'!\n", path.c_str());
    return FetchCode::kTempFileFailed;
  }
  handles.session = client.OpenSession(kFetchAgent);
  if (!handles.session) {
    SetInternetError(client.LastError());
    LogAudit("\nUnable to connect to '%s' - because a WinInet session could not be established (%lx - %s)\n",
             target, static_cast<unsigned long>(ErrorCode()), ErrorText());
    return FetchCode::kNoNetwork;
  }
  LogAudit("\nInternet Connection seems to be OK.\n");
  if (!ReportProgress("Connecting")) {
    LogDebug("<Connection Aborted due to apparent user cancel>");
    return FetchCode::kCancelled;
  }

  LogAudit("Opening URL\n");
  handles.url = client.OpenUrl(handles.session, target, kOpenFlags);
  if (!handles.url) {
    SetInternetError(client.LastError());
    LogAudit("\nInvalid Internet connection handle attempting to connect to '%s' - error #%lx (%s)\n",
             target, static_cast<unsigned long>(ErrorCode()), ErrorText());
    char info[kResponseInfoSize] = "";
    uint32_t info_code = 0;
    uint32_t length = sizeof(info);
    if (client.GetLastResponseInfo(&info_code, info, &length)) {
      LogAudit("Additional information (code %lu): %s\n", static_cast<unsigned long>(info_code), info);
    } else {
      LogAudit("[No Additional Information Available]\n");
    }
    return FetchCode::kOpenUrlFailed;
  }

  uint32_t status = 0;
  if (client.QueryStatusCode(handles.url, &status)) {
    SetHttpStatus(status);
    if (status >= 400) {
      // An error page is no calendar: the reader ends the list with "No response from server".
      LogDebug("HTTP status %lu from '%s': the reply is not read\n", static_cast<unsigned long>(status), target);
      return FetchCode::kDone;
    }
  }
  LogAudit("Connection opened.  Writing data to temp file '%s'\n", path.c_str());
  client.SetLastError(0);
  if (!ReportProgress("Transferring")) return FetchCode::kCancelled;

  uint32_t total = 0;
  for (int pass = 0;; ++pass) {
    LogAudit("Beginning read Pass #%i, %lu bytes read so far\n", pass, static_cast<unsigned long>(total));
    uint32_t last_error = client.LastError();
    char info[kResponseInfoSize] = "";
    uint32_t info_code = 0;
    uint32_t length = kResponseInfoSize - 1;
    if (client.GetLastResponseInfo(&info_code, info, &length)) {
      LogAudit("last internet response info (code %lx/%lu): %s\n", static_cast<unsigned long>(last_error),
               static_cast<unsigned long>(info_code), info);
    } else {
      info_code = 0;
      LogAudit("last internet response info : [code %lx : No Additional Information Available]\n",
               static_cast<unsigned long>(last_error));
    }
    if (last_error == 0 && info_code == 0) {
      uint32_t available = 0;
      if (client.QueryDataAvailable(handles.url, &available)) {
        LogAudit("There are apparently %lu bytes available to be read\n", static_cast<unsigned long>(available));
      } else {
        SetInternetError(client.LastError());
        LogAudit("\nUnable to determine bytes of data available at '%s' - (err %lx) %s\n", target,
                 static_cast<unsigned long>(ErrorCode()), ErrorText());
        SetInternetError(0);
      }
    }
    char buffer[kPassSize + 1];
    uint32_t got = 0;
    bool ok = client.ReadUrl(handles.url, buffer, kPassSize, &got);
    // Taken at once: writing the file and the log line below sets the thread's last error anew.
    uint32_t read_error = ok ? 0 : client.LastError();
    if (ok) {
      buffer[got] = '\0';
      // As text up to the first NUL byte, like a C string.
      handles.file->Write(buffer, std::strlen(buffer));
      total += got;
    }
    LogAudit("Ending read Pass #%i, %lu bytes read so far\n", pass, static_cast<unsigned long>(total));
    if (!ok) {
      SetInternetError(read_error);
      LogAudit("\nUnable to connect to '%s' - %s\n", target, ErrorText());
      return FetchCode::kTransferFailed;
    }
    if (got == 0) break;
    // A report after every pass, and one for every 500 bytes of a large one, as 500-byte passes had.
    for (uint32_t reported = 0; reported == 0 || reported < got; reported += kReportEvery) {
      if (!ReportProgress("Transferring")) return FetchCode::kCancelled;
    }
  }
  // A temporary file that could not be written completely is no download.
  uint32_t closed = handles.file->Close();
  handles.file.reset();
  if (closed != 0) {
    SetInternetError(closed);
    LogAudit("Failed to write temp file '%s'!\n", path.c_str());
    return FetchCode::kTempFileFailed;
  }
  return FetchCode::kDone;
}
