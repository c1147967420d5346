// The internet client over libcurl: a multi handle per URL, pumped by the caller's reads, so the
// download stays pull-style like WinInet and a cancel between reads is seen at once.
#include "platform/internet.h"

#include "platform/system.h"

#include <curl/curl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <strings.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

struct InternetObject {
  virtual ~InternetObject() = default;
};

namespace {

// Above this much unread data the transfer is paused until the reader catches up, so a server
// that sends without end cannot fill the memory.
constexpr size_t kMaxBuffered = 1 << 20;
constexpr const char* kProtocols = "http,https,ftp";

struct Session final : InternetObject {
  std::string agent;
};

struct Url final : InternetObject {
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  std::string data;  // received, not yet read: data[offset..]
  size_t offset = 0;
  bool paused = false;
  bool saw_location = false;  // in the headers of the response being received
  bool headers_done = false;  // the final response's headers (or its first bytes) arrived
  bool done = false;
  CURLcode result = CURLE_OK;
  curl_slist* headers = nullptr;
  // When the transfer fails for want of data; moved on by every byte received.
  std::chrono::steady_clock::time_point deadline;
  std::chrono::milliseconds stall{0};

  ~Url() override {
    if (multi && easy) curl_multi_remove_handle(multi, easy);
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
    curl_slist_free_all(headers);
  }
  size_t Buffered() const { return data.size() - offset; }
};

size_t OnBody(char* bytes, size_t size, size_t count, void* user) {
  auto* url = static_cast<Url*>(user);
  if (url->Buffered() >= kMaxBuffered) {
    url->paused = true;
    return CURL_WRITEFUNC_PAUSE;
  }
  if (url->offset > 0 && url->offset == url->data.size()) {
    url->data.clear();
    url->offset = 0;
  }
  if (url->data.size() + size * count > url->data.capacity()) {
    // Room for the announced body (up to the buffer's bound) at once, rather than a copy of all
    // received so far at every doubling.
    curl_off_t length = -1;
    if (curl_easy_getinfo(url->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length > 0) {
      url->data.reserve(std::min<size_t>(static_cast<size_t>(length), kMaxBuffered));
    }
  }
  url->data.append(bytes, size * count);
  url->headers_done = true;
  url->deadline = std::chrono::steady_clock::now() + url->stall;
  return size * count;
}

size_t OnHeader(char* bytes, size_t size, size_t count, void* user) {
  auto* url = static_cast<Url*>(user);
  size_t n = size * count;
  url->deadline = std::chrono::steady_clock::now() + url->stall;
  // The blank line ends one response's headers; a redirection is followed by another response.
  if (n <= 2 && (n == 0 || bytes[0] == '\r' || bytes[0] == '\n')) {
    long status = 0;
    curl_easy_getinfo(url->easy, CURLINFO_RESPONSE_CODE, &status);
    bool redirect = status >= 300 && status < 400 && url->saw_location;
    if (status >= 200 && !redirect) url->headers_done = true;
    url->saw_location = false;
  } else if (n >= 9 && strncasecmp(bytes, "location:", 9) == 0) {
    url->saw_location = true;
  }
  return n;
}

uint32_t MapCurlError(CURLcode code) {
  switch (code) {
    case CURLE_OK: return 0;
    case CURLE_UNSUPPORTED_PROTOCOL: return kInternetErrorUnrecognizedScheme;
    case CURLE_URL_MALFORMAT: return kInternetErrorInvalidUrl;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return kInternetErrorNameNotResolved;
    case CURLE_COULDNT_CONNECT: return kInternetErrorCannotConnect;
    case CURLE_OPERATION_TIMEDOUT: return kInternetErrorTimeout;
    case CURLE_TOO_MANY_REDIRECTS: return kInternetErrorRedirectFailed;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE: return kInternetErrorSecureChannel;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY: return kInternetErrorConnectionAborted;
    default: return kInternetErrorInternal;
  }
}

class PosixInternetClient final : public InternetClient {
 public:
  explicit PosixInternetClient(const InternetTimeouts& timeouts)
      : timeouts_(timeouts), system_(NewPlatformSystemServices()) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
  }

  bool IsConnected() override {
    // Any interface up counts, loopback included, so a feed server on this computer is reachable.
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool up = false;
    for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
      if ((a->ifa_flags & IFF_UP) && (a->ifa_flags & IFF_RUNNING)) up = true;
    }
    freeifaddrs(list);
    if (!up) last_error_ = kInternetErrorCannotConnect;
    return up;
  }

  bool CheckConnection(const char* url) override {
    CURL* easy = curl_easy_init();
    if (!easy) return Fail(kInternetErrorInternal);
    SetCommon(easy, url);
    curl_easy_setopt(easy, CURLOPT_CONNECT_ONLY, 1L);
    CURLcode code = curl_easy_perform(easy);
    curl_easy_cleanup(easy);
    if (code != CURLE_OK) return Fail(MapCurlError(code));
    return true;
  }

  InternetHandle OpenSession(const char* agent) override {
    auto* session = new Session();
    session->agent = agent ? agent : "";
    return session;
  }

  InternetHandle OpenUrl(InternetHandle session, const char* url, uint32_t flags) override {
    auto* owner = dynamic_cast<Session*>(session);
    if (!owner || !url) {
      Fail(kInternetErrorInvalidUrl);
      return nullptr;
    }
    auto* handle = new Url();
    handle->easy = curl_easy_init();
    handle->multi = curl_multi_init();
    if (!handle->easy || !handle->multi) {
      delete handle;
      Fail(kInternetErrorInternal);
      return nullptr;
    }
    CURL* easy = handle->easy;
    SetCommon(easy, url);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, owner->agent.c_str());
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(timeouts_.max_redirects));
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, kProtocols);
    // Servers may send a feed compressed when asked; libcurl undoes it.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
    // libcurl's own low-speed check averages over seconds; a plain idle deadline is exact.
    handle->stall = std::chrono::milliseconds(timeouts_.stall_ms);
    handle->deadline = std::chrono::steady_clock::now() + handle->stall +
                       std::chrono::milliseconds(timeouts_.connect_ms);
    if (flags & kInternetFlagReload) {
      static const char* const kNoCache[] = {"Cache-Control: no-cache", "Pragma: no-cache"};
      for (const char* h : kNoCache) handle->headers = curl_slist_append(handle->headers, h);
      curl_easy_setopt(easy, CURLOPT_HTTPHEADER, handle->headers);
    }
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, handle);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, handle);
    curl_multi_add_handle(handle->multi, easy);
    while (!handle->headers_done && !handle->done) Pump(handle);
    if (handle->done && handle->result != CURLE_OK && !handle->headers_done) {
      Fail(MapCurlError(handle->result));
      delete handle;
      return nullptr;
    }
    return handle;
  }

  bool QueryStatusCode(InternetHandle url, uint32_t* status) override {
    auto* handle = dynamic_cast<Url*>(url);
    if (!handle || !status) return Fail(kInternetErrorInternal);
    const char* scheme = nullptr;
    long code = 0;
    if (curl_easy_getinfo(handle->easy, CURLINFO_SCHEME, &scheme) != CURLE_OK || !scheme ||
        strncasecmp(scheme, "http", 4) != 0 || curl_easy_getinfo(handle->easy, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) {
      return Fail(kInternetErrorInternal);
    }
    *status = static_cast<uint32_t>(code);
    return true;
  }

  bool QueryDataAvailable(InternetHandle url, uint32_t* available) override {
    auto* handle = dynamic_cast<Url*>(url);
    if (!handle || !available) return Fail(kInternetErrorInternal);
    if (handle->Buffered() == 0 && !handle->done) Pump(handle);
    if (handle->Buffered() == 0 && handle->done && handle->result != CURLE_OK) {
      return Fail(MapCurlError(handle->result));
    }
    *available = static_cast<uint32_t>(std::min<size_t>(handle->Buffered(), UINT32_MAX));
    return true;
  }

  bool ReadUrl(InternetHandle url, void* buffer, uint32_t count, uint32_t* read) override {
    auto* handle = dynamic_cast<Url*>(url);
    if (read) *read = 0;
    if (!handle || !buffer || !read) return Fail(kInternetErrorInternal);
    if (count == 0) return true;
    while (handle->Buffered() == 0 && !handle->done) Pump(handle);
    if (handle->Buffered() == 0) {
      // Everything received has been read: a clean end, or the failure that ended the transfer.
      if (handle->result != CURLE_OK) return Fail(MapCurlError(handle->result));
      return true;
    }
    size_t n = std::min<size_t>(count, handle->Buffered());
    std::memcpy(buffer, handle->data.data() + handle->offset, n);
    handle->offset += n;
    *read = static_cast<uint32_t>(n);
    if (handle->paused && handle->Buffered() < kMaxBuffered / 2) {
      handle->paused = false;
      curl_easy_pause(handle->easy, CURLPAUSE_CONT);
    }
    return true;
  }

  bool GetLastResponseInfo(uint32_t* code, char* buffer, uint32_t* length) override {
    // Like WinInet for HTTP: no server response text is kept.
    if (code) *code = 0;
    if (buffer && length && *length > 0) buffer[0] = '\0';
    if (length) *length = 0;
    return true;
  }

  bool Close(InternetHandle handle) override {
    if (!handle) return Fail(kInternetErrorInternal);
    delete handle;
    return true;
  }

  uint32_t LastError() override { return last_error_; }
  void SetLastError(uint32_t code) override { last_error_ = code; }

  std::string ErrorText(uint32_t code) override {
    if (code >= 12000 && code < 13000) return "";  // as on Windows: the system has no text
    return system_->SystemErrorText(code);
  }

 private:
  bool Fail(uint32_t code) {
    last_error_ = code;
    return false;
  }

  void SetCommon(CURL* easy, const char* url) {
    curl_easy_setopt(easy, CURLOPT_URL, url);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, kProtocols);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeouts_.connect_ms));
  }

  // Moves the transfer on: waits at most a moment for the network, then notes its end.
  void Pump(Url* handle) {
    int running = 0;
    curl_multi_perform(handle->multi, &running);
    int messages = 0;
    while (CURLMsg* message = curl_multi_info_read(handle->multi, &messages)) {
      if (message->msg == CURLMSG_DONE) {
        handle->done = true;
        handle->result = message->data.result;
      }
    }
    if (running == 0 && !handle->done) {
      handle->done = true;  // paused transfers keep running; this is a finished one
    }
    if (handle->done || handle->paused) return;
    if (std::chrono::steady_clock::now() >= handle->deadline) {
      handle->done = true;
      handle->result = CURLE_OPERATION_TIMEDOUT;
      return;
    }
    curl_multi_poll(handle->multi, nullptr, 0, 100, nullptr);
  }

  InternetTimeouts timeouts_;
  // Error texts as the system gives them; the client's own, so it needs no Env.
  std::unique_ptr<SystemServices> system_;
  uint32_t last_error_ = 0;
};

}  // namespace

std::unique_ptr<InternetClient> NewPlatformInternetClient() {
  return NewPlatformInternetClient(InternetTimeouts());
}

std::unique_ptr<InternetClient> NewPlatformInternetClient(const InternetTimeouts& timeouts) {
  return std::make_unique<PosixInternetClient>(timeouts);
}
