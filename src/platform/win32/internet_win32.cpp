// The internet client over WinInet, call for call, with the same bounds as the native client:
// connect and receive time-outs set on the session, redirections followed here (WinInet follows
// without a limit) up to the bound, and reads that never wait for more than the server has sent,
// so a server that sends a byte now and then still gives a progress report after each read.
// Wine's WinInet (8.0) accepts the receive time-out but does not apply it; Windows' does.
#include "platform/internet.h"

#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <string>

namespace {

HINTERNET Native(InternetHandle handle) { return reinterpret_cast<HINTERNET>(handle); }
InternetHandle Wrap(HINTERNET handle) { return reinterpret_cast<InternetHandle>(handle); }

bool IsRedirection(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The Location header of a reply, empty when there is none.
std::string Location(HINTERNET url) {
  char text[2048];
  DWORD size = sizeof(text);
  if (!HttpQueryInfoA(url, HTTP_QUERY_LOCATION, text, &size, nullptr)) return std::string();
  return std::string(text, size);
}

bool IsFollowedScheme(const std::string& url) {
  auto starts = [&](const char* scheme) { return _strnicmp(url.c_str(), scheme, strlen(scheme)) == 0; };
  return starts("http://") || starts("https://") || starts("ftp://");
}

class Win32InternetClient final : public InternetClient {
 public:
  explicit Win32InternetClient(const InternetTimeouts& timeouts) : timeouts_(timeouts) {}

  bool IsConnected() override {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
  }

  bool CheckConnection(const char* url) override {
    return InternetCheckConnectionA(url, FLAG_ICC_FORCE_CONNECTION, 0) != FALSE;
  }

  InternetHandle OpenSession(const char* agent) override {
    HINTERNET session = InternetOpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    // Handles opened in the session inherit these; without them a silent server holds the sync.
    if (session) SetTimeouts(session);
    return Wrap(session);
  }

  InternetHandle OpenUrl(InternetHandle session, const char* url, uint32_t flags) override {
    std::string current = url ? url : "";
    for (uint32_t hops = 0;; ++hops) {
      HINTERNET handle = InternetOpenUrlA(Native(session), current.c_str(), nullptr, 0,
                                          flags | INTERNET_FLAG_NO_AUTO_REDIRECT, 0);
      if (!handle) return nullptr;
      // On the request as well: not every WinInet hands the session's time-outs on to requests.
      SetTimeouts(handle);
      DWORD status = 0;
      DWORD size = sizeof(status);
      if (!HttpQueryInfoA(handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
          !IsRedirection(status)) {
        return Wrap(handle);
      }
      std::string location = Location(handle);
      if (location.empty()) return Wrap(handle);  // nowhere to go: this reply is the answer
      char next[2048];
      DWORD length = sizeof(next);
      bool combined = InternetCombineUrlA(current.c_str(), location.c_str(), next, &length, ICU_NO_ENCODE) != FALSE;
      InternetCloseHandle(handle);
      if (!combined || !IsFollowedScheme(next) || hops + 1 > timeouts_.max_redirects) {
        ::SetLastError(kInternetErrorRedirectFailed);
        return nullptr;
      }
      current = next;
    }
  }

  bool QueryStatusCode(InternetHandle url, uint32_t* status) override {
    DWORD code = 0;
    DWORD size = sizeof(code);
    if (!HttpQueryInfoA(Native(url), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr)) return false;
    if (status) *status = code;
    return true;
  }

  bool QueryDataAvailable(InternetHandle url, uint32_t* available) override {
    DWORD count = 0;
    BOOL ok = InternetQueryDataAvailable(Native(url), &count, 0, 0);
    if (available) *available = count;
    return ok != FALSE;
  }

  bool ReadUrl(InternetHandle url, void* buffer, uint32_t count, uint32_t* read) override {
    // InternetReadFile waits until it has count bytes; ask for no more than has arrived. The
    // availability query waits for the first byte, within the receive time-out.
    DWORD available = 0;
    if (InternetQueryDataAvailable(Native(url), &available, 0, 0) && available > 0 && available < count) {
      count = available;
    }
    DWORD n = 0;
    BOOL ok = InternetReadFile(Native(url), buffer, count, &n);
    if (read) *read = n;
    return ok != FALSE;
  }

  bool GetLastResponseInfo(uint32_t* code, char* buffer, uint32_t* length) override {
    DWORD error = 0;
    DWORD size = length ? *length : 0;
    BOOL ok = InternetGetLastResponseInfoA(&error, buffer, &size);
    if (code) *code = error;
    if (length) *length = size;
    return ok != FALSE;
  }

  bool Close(InternetHandle handle) override { return InternetCloseHandle(Native(handle)) != FALSE; }

  uint32_t LastError() override { return GetLastError(); }
  void SetLastError(uint32_t code) override { ::SetLastError(code); }

  std::string ErrorText(uint32_t code) override {
    char text[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                             0, text, sizeof(text), nullptr);
    std::string out(text, n);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
  }

 private:
  void SetTimeouts(HINTERNET handle) {
    DWORD connect = timeouts_.connect_ms;
    DWORD stall = timeouts_.stall_ms;
    InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof(connect));
    InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &stall, sizeof(stall));
    InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &stall, sizeof(stall));
    InternetSetOptionA(handle, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &stall, sizeof(stall));
  }

  InternetTimeouts timeouts_;
};

}  // namespace

std::unique_ptr<InternetClient> NewPlatformInternetClient() {
  return NewPlatformInternetClient(InternetTimeouts());
}

std::unique_ptr<InternetClient> NewPlatformInternetClient(const InternetTimeouts& timeouts) {
  return std::make_unique<Win32InternetClient>(timeouts);
}
