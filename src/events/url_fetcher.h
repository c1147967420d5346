// Downloads a feed into the temporary file "TQConduit.tmp" and reads it back in chunks.
//
// UrlFetcher keeps the code and text of its last failure (500 bytes with the terminator), which
// the job quotes in its messages; every operation clears them first, except Fetch, which keeps a
// failed deletion of the previous file on record until a later failure replaces it.
// TempFileUrlFetcher downloads through its Env's Internet() in passes of up to 16 KB with a
// progress report for every 500 bytes, so a cancel is seen between passes. Not copyable.
#ifndef REELBOX_EVENTS_URL_FETCHER_H
#define REELBOX_EVENTS_URL_FETCHER_H

#include <cstdint>
#include <memory>
#include <string>

class Env;
class InternetClient;
class TextStream;

// What a download came to; the numbers are those the logs quote.
enum class FetchCode : int32_t {
  kDone = 0,
  kTransferFailed = 1,
  kNoNetwork = 2,
  kOpenUrlFailed = 3,
  kTempFileFailed = 8,
  kCancelled = 11,
};

// Results of the downloaded-file operations.
enum class DownloadedResult : int32_t {
  kOk = 0,
  kNotOpen = 6,
  kFileError = 8,  // the error is recorded
};

constexpr size_t kFetchErrorTextSize = 500;
constexpr const char* kFetchTempFileName = "TQConduit.tmp";
constexpr const char* kFetchAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

class UrlFetcher {
 public:
  // The error texts come from internet, which outlives the fetcher.
  explicit UrlFetcher(InternetClient& internet);
  UrlFetcher(const UrlFetcher&) = delete;
  UrlFetcher& operator=(const UrlFetcher&) = delete;
  virtual ~UrlFetcher();

  // true to go on, false when the user asked to stop. This base always goes on.
  virtual bool ReportProgress(const char* text);
  // Downloads url into the temporary file; a fetch code.
  virtual FetchCode Fetch(const char* url) = 0;
  // Opens the downloaded file for reading as text: kOk or kFileError.
  virtual DownloadedResult OpenDownloaded() = 0;
  // Reads up to count bytes into buffer; *read gets the count. kNotOpen when no file is open,
  // kFileError when reading fails.
  virtual DownloadedResult ReadDownloaded(uint32_t count, char* buffer, uint32_t* read) = 0;
  // Closes the downloaded file if open: kOk.
  virtual DownloadedResult CloseDownloaded() = 0;
  // Deletes the temporary file: kOk or kFileError.
  virtual DownloadedResult DeleteDownloaded() = 0;
  virtual std::string GetTempFilePath() const = 0;

  // The HTTP status of the last download's reply; 0 before the reply, or without one (FTP).
  uint32_t HttpStatus() const { return http_status_; }
  uint32_t ErrorCode() const { return error_code_; }
  const char* ErrorText() const { return error_text_; }
  void ClearError();
  // Records code with the system's message for it, or this conduit's own text when the system
  // has none. Code 0 clears the error.
  void SetInternetError(uint32_t code);

 protected:
  void SetHttpStatus(uint32_t status) { http_status_ = status; }

 private:
  InternetClient& internet_;
  uint32_t http_status_ = 0;
  uint32_t error_code_ = 0;
  char error_text_[kFetchErrorTextSize];
};

class TempFileUrlFetcher : public UrlFetcher {
 public:
  // env outlives the fetcher.
  explicit TempFileUrlFetcher(Env& env);
  ~TempFileUrlFetcher() override;

  FetchCode Fetch(const char* url) override;
  DownloadedResult OpenDownloaded() override;
  DownloadedResult ReadDownloaded(uint32_t count, char* buffer, uint32_t* read) override;
  DownloadedResult CloseDownloaded() override;
  DownloadedResult DeleteDownloaded() override;
  // "TQConduit.tmp" in a folder private to this fetcher (MakePrivateFolder) under the system
  // temporary folder, or under the root when the system reports none; empty when no such folder
  // could be had. The folder and the file are removed when the fetcher is destroyed.
  std::string GetTempFilePath() const override;

 private:
  Env& env_;
  std::unique_ptr<TextStream> downloaded_;
  std::string folder_;
  bool made_folder_ = false;
};

// What a fetch address becomes: leading spaces skipped; "http:", "https:" and "ftp:" (any case)
// kept, "webcal://" and "webcals://" read as "http://" and "https://", anything else gets
// "http://" in front; spaces, control and non-ASCII bytes and the characters an address cannot
// hold ("<>\^`{|} and the quote) percent-encoded.
std::string FetchAddress(const char* url);

#endif  // REELBOX_EVENTS_URL_FETCHER_H
