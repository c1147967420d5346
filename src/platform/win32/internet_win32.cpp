// The internet client over WinInet, call for call. No time-out, proxy or redirection option is
// set: WinInet's own defaults apply.
#include "platform/internet.h"

#include <windows.h>
#include <wininet.h>

namespace {

HINTERNET Native(InternetHandle handle) { return reinterpret_cast<HINTERNET>(handle); }
InternetHandle Wrap(HINTERNET handle) { return reinterpret_cast<InternetHandle>(handle); }

class Win32InternetClient final : public InternetClient {
 public:
  bool IsConnected() override {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
  }

  bool CheckConnection(const char* url) override {
    return InternetCheckConnectionA(url, FLAG_ICC_FORCE_CONNECTION, 0) != FALSE;
  }

  InternetHandle OpenSession(const char* agent) override {
    return Wrap(InternetOpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  }

  InternetHandle OpenUrl(InternetHandle session, const char* url, uint32_t flags) override {
    return Wrap(InternetOpenUrlA(Native(session), url, nullptr, 0, flags, 0));
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
};

}  // namespace

std::unique_ptr<InternetClient> NewPlatformInternetClient() {
  return std::make_unique<Win32InternetClient>();
}

std::unique_ptr<InternetClient> NewPlatformInternetClient(const InternetTimeouts&) {
  return std::make_unique<Win32InternetClient>();
}
