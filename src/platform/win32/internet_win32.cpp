// The internet client over WinInet, call for call, with the same bounds as the native client.
//
// The session is asynchronous so that no wait is left to WinInet: opening a URL, and waiting for
// the next bytes of a reply, end after the connect and stall time-outs even where WinInet does not
// apply its own (Wine's accepts a receive time-out but ignores it). Redirections are followed
// here up to the bound (WinInet follows without a limit), and a read takes only what has arrived,
// so a server that sends a byte now and then still gives a progress report after each read.
//
// Completions arrive on WinInet's threads and are handed over through an event. A request's state
// lives until WinInet reports its handle closing; when that report does not come in time, the
// state is left allocated rather than freed under a late completion.
#include "platform/internet.h"

#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

struct InternetObject {
  explicit InternetObject(HINTERNET h) : handle(h) {}
  virtual ~InternetObject() = default;
  HINTERNET handle;
};

namespace {

constexpr DWORD kClosingWaitMs = 2000;

// WinInet is loaded at the first use of the internet, from the system folder: most syncs fetch no
// feed, and loading it with the conduit costs every sync several milliseconds (more under Wine).
// It stays loaded for the life of the process, as WinInet's threads may call back late.
struct WinInet {
  decltype(&::InternetCheckConnectionA) CheckConnectionA;
  decltype(&::InternetCloseHandle) CloseHandle;
  decltype(&::InternetCombineUrlA) CombineUrlA;
  decltype(&::InternetGetConnectedState) GetConnectedState;
  decltype(&::InternetGetLastResponseInfoA) GetLastResponseInfoA;
  decltype(&::InternetOpenA) OpenA;
  decltype(&::InternetOpenUrlA) OpenUrlA;
  decltype(&::InternetQueryDataAvailable) QueryDataAvailable;
  decltype(&::InternetReadFile) ReadFile;
  decltype(&::InternetSetOptionA) SetOptionA;
  decltype(&::InternetSetStatusCallbackA) SetStatusCallbackA;
  decltype(&::HttpQueryInfoA) HttpQueryInfoA;
};

// Null when WinInet cannot be loaded.
const WinInet* LoadWinInet() {
  static const WinInet* const loaded = []() -> const WinInet* {
    char path[MAX_PATH + 16];
    const UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::strcpy(path + n, "\\wininet.dll");
    HMODULE module = LoadLibraryA(path);
    if (module == nullptr) return nullptr;
    static WinInet api;
    bool complete = true;
    auto resolve = [&](auto* slot, const char* name) {
      FARPROC proc = GetProcAddress(module, name);
      complete = complete && proc != nullptr;
      *slot = reinterpret_cast<std::remove_pointer_t<decltype(slot)>>(reinterpret_cast<void*>(proc));
    };
    resolve(&api.CheckConnectionA, "InternetCheckConnectionA");
    resolve(&api.CloseHandle, "InternetCloseHandle");
    resolve(&api.CombineUrlA, "InternetCombineUrlA");
    resolve(&api.GetConnectedState, "InternetGetConnectedState");
    resolve(&api.GetLastResponseInfoA, "InternetGetLastResponseInfoA");
    resolve(&api.OpenA, "InternetOpenA");
    resolve(&api.OpenUrlA, "InternetOpenUrlA");
    resolve(&api.QueryDataAvailable, "InternetQueryDataAvailable");
    resolve(&api.ReadFile, "InternetReadFile");
    resolve(&api.SetOptionA, "InternetSetOptionA");
    resolve(&api.SetStatusCallbackA, "InternetSetStatusCallbackA");
    resolve(&api.HttpQueryInfoA, "HttpQueryInfoA");
    return complete ? &api : nullptr;
  }();
  return loaded;
}

// Only for handles WinInet gave: it is loaded then.
const WinInet& Net() { return *LoadWinInet(); }

// What WinInet's threads report about one request.
struct Pending {
  Pending() : done(CreateEventA(nullptr, FALSE, FALSE, nullptr)), closed(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~Pending() {
    if (done) CloseHandle(done);
    if (closed) CloseHandle(closed);
  }
  HANDLE done;
  HANDLE closed;
  volatile HINTERNET created = nullptr;
  volatile DWORD_PTR result = 0;
  volatile DWORD error = 0;
  bool abandoned = false;  // a wait for it timed out
  // Answers land here, never in the caller's memory: WinInet may write them after a time-out.
  DWORD available = 0;
  DWORD read = 0;
  std::vector<char> buffer;
};

void CALLBACK OnStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info, DWORD) {
  auto* pending = reinterpret_cast<Pending*>(context);
  if (pending == nullptr) return;
  auto* async = static_cast<INTERNET_ASYNC_RESULT*>(info);
  switch (status) {
    case INTERNET_STATUS_HANDLE_CREATED:
      pending->created = reinterpret_cast<HINTERNET>(async->dwResult);
      break;
    case INTERNET_STATUS_REQUEST_COMPLETE:
      pending->result = async->dwResult;
      pending->error = async->dwError;
      SetEvent(pending->done);
      break;
    case INTERNET_STATUS_HANDLE_CLOSING:
      SetEvent(pending->closed);
      break;
    default:
      break;
  }
}

struct Session final : InternetObject {
  Session(HINTERNET h, bool d) : InternetObject(h), decoding(d) {}
  bool decoding;  // WinInet undoes compressed replies: they may be asked for
};

struct Url final : InternetObject {
  Url(HINTERNET h, Pending* p) : InternetObject(h), pending(p) {}
  Pending* pending;
};

// Closes a request's handle and frees its state once WinInet is done with it. A request given up
// in mid-wait may still be answered (Wine answers when the server finally sends or closes): it
// loses its callback first, so no answer calls into a library that may be unloaded by then, and
// its state stays allocated for the answer.
void Release(HINTERNET handle, Pending* pending) {
  if (!handle) {
    delete pending;
    return;
  }
  if (pending->abandoned) {
    Net().SetStatusCallbackA(handle, nullptr);
    Net().CloseHandle(handle);
    return;
  }
  Net().CloseHandle(handle);
  if (WaitForSingleObject(pending->closed, kClosingWaitMs) == WAIT_OBJECT_0) delete pending;
}

bool IsRedirection(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The Location header of a reply, empty when there is none.
std::string Location(HINTERNET url) {
  char text[2048];
  DWORD size = sizeof(text);
  if (!Net().HttpQueryInfoA(url, HTTP_QUERY_LOCATION, text, &size, nullptr)) return std::string();
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
    if (!LoadWinInet()) return Fail(kInternetErrorInternal);
    DWORD flags = 0;
    return Net().GetConnectedState(&flags, 0) != FALSE;
  }

  bool CheckConnection(const char* url) override {
    if (!LoadWinInet()) return Fail(kInternetErrorInternal);
    return Net().CheckConnectionA(url, FLAG_ICC_FORCE_CONNECTION, 0) != FALSE;
  }

  InternetHandle OpenSession(const char* agent) override {
    if (!LoadWinInet()) return Fail(kInternetErrorInternal), nullptr;
    HINTERNET session = Net().OpenA(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_ASYNC);
    if (!session) return nullptr;
    Net().SetStatusCallbackA(session, OnStatus);
    SetTimeouts(session);
    // Systems whose WinInet cannot decode refuse the option; they are then sent plain replies.
    BOOL decode = TRUE;
    bool decoding = Net().SetOptionA(session, INTERNET_OPTION_HTTP_DECODING, &decode, sizeof(decode)) != FALSE;
    return new Session(session, decoding);
  }

  InternetHandle OpenUrl(InternetHandle session, const char* url, uint32_t flags) override {
    if (!dynamic_cast<Session*>(session)) return Fail(kInternetErrorInternal), nullptr;
    std::string current = url ? url : "";
    for (uint32_t hops = 0;; ++hops) {
      auto* pending = new Pending();
      HINTERNET handle = Open(session->handle, dynamic_cast<Session*>(session)->decoding, current,
                              flags | INTERNET_FLAG_NO_AUTO_REDIRECT, pending);
      if (!handle) return nullptr;
      DWORD status = 0;
      DWORD size = sizeof(status);
      if (!Net().HttpQueryInfoA(handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) ||
          !IsRedirection(status)) {
        return new Url(handle, pending);
      }
      std::string location = Location(handle);
      if (location.empty()) return new Url(handle, pending);  // nowhere to go: this reply is the answer
      char next[2048];
      DWORD length = sizeof(next);
      bool combined = Net().CombineUrlA(current.c_str(), location.c_str(), next, &length, ICU_NO_ENCODE) != FALSE;
      Release(handle, pending);
      if (!combined || !IsFollowedScheme(next) || hops + 1 > timeouts_.max_redirects) {
        return Fail(kInternetErrorRedirectFailed), nullptr;
      }
      current = next;
    }
  }

  bool QueryStatusCode(InternetHandle url, uint32_t* status) override {
    auto* u = dynamic_cast<Url*>(url);
    if (!u) return Fail(kInternetErrorInternal);
    DWORD code = 0;
    DWORD size = sizeof(code);
    if (!Net().HttpQueryInfoA(u->handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code, &size, nullptr)) return false;
    if (status) *status = code;
    return true;
  }

  bool QueryDataAvailable(InternetHandle url, uint32_t* available) override {
    auto* u = dynamic_cast<Url*>(url);
    if (!u) return Fail(kInternetErrorInternal);
    DWORD count = 0;
    bool ok = WaitForData(u, &count);
    if (available) *available = count;
    return ok;
  }

  bool ReadUrl(InternetHandle url, void* buffer, uint32_t count, uint32_t* read) override {
    if (read) *read = 0;
    auto* u = dynamic_cast<Url*>(url);
    if (!u || !buffer || !read) return Fail(kInternetErrorInternal);
    if (count == 0) return true;
    // Only what has arrived: InternetReadFile would wait until it has count bytes.
    DWORD available = 0;
    if (!WaitForData(u, &available)) return false;
    if (available == 0) return true;  // the reply is complete
    if (available < count) count = available;
    Pending* pending = u->pending;
    pending->buffer.resize(count);
    pending->read = 0;
    ResetEvent(pending->done);
    if (!Net().ReadFile(u->handle, pending->buffer.data(), count, &pending->read)) {
      if (GetLastError() != ERROR_IO_PENDING) return false;
      if (!Wait(pending, timeouts_.stall_ms)) return false;
      if (!pending->result) return Fail(pending->error);
    }
    DWORD n = pending->read <= count ? pending->read : count;
    std::memcpy(buffer, pending->buffer.data(), n);
    *read = n;
    return true;
  }

  bool GetLastResponseInfo(uint32_t* code, char* buffer, uint32_t* length) override {
    if (!LoadWinInet()) {
      if (code) *code = 0;
      if (length) *length = 0;
      return Fail(kInternetErrorInternal);
    }
    DWORD error = 0;
    DWORD size = length ? *length : 0;
    BOOL ok = Net().GetLastResponseInfoA(&error, buffer, &size);
    if (code) *code = error;
    if (length) *length = size;
    return ok != FALSE;
  }

  bool Close(InternetHandle handle) override {
    if (!handle) return Fail(kInternetErrorInternal);
    if (auto* u = dynamic_cast<Url*>(handle)) {
      Release(u->handle, u->pending);
    } else {
      Net().SetStatusCallbackA(handle->handle, nullptr);
      Net().CloseHandle(handle->handle);
    }
    delete handle;
    return true;
  }

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
  static bool Fail(DWORD code) {
    ::SetLastError(code);
    return false;
  }

  void SetTimeouts(HINTERNET handle) {
    DWORD connect = timeouts_.connect_ms;
    DWORD stall = timeouts_.stall_ms;
    Net().SetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof(connect));
    Net().SetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &stall, sizeof(stall));
    Net().SetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &stall, sizeof(stall));
  }

  // Waits for the request's completion; false with kInternetErrorTimeout when it does not come.
  static bool Wait(Pending* pending, DWORD ms) {
    if (WaitForSingleObject(pending->done, ms) == WAIT_OBJECT_0) return true;
    pending->abandoned = true;
    return Fail(kInternetErrorTimeout);
  }

  // Opens url and waits for its reply's headers, within the connect and stall time-outs. On
  // failure pending is released (or left to WinInet) and the last error is set.
  HINTERNET Open(HINTERNET session, bool decoding, const std::string& url, DWORD flags, Pending* pending) {
    // gzip only: Wine's WinInet takes "deflate" for raw deflate data and fails to open a reply in
    // the zlib form the HTTP standard names; servers that compress all offer gzip.
    static const char kAcceptCompressed[] = "Accept-Encoding: gzip\r\n";
    HINTERNET handle = Net().OpenUrlA(session, url.c_str(), decoding ? kAcceptCompressed : nullptr,
                                      decoding ? static_cast<DWORD>(-1) : 0, flags, reinterpret_cast<DWORD_PTR>(pending));
    if (!handle) {
      DWORD error = GetLastError();
      if (error != ERROR_IO_PENDING) {
        // Nothing was started when no handle was made; otherwise WinInet still reports on it.
        if (pending->created) {
          Release(pending->created, pending);
        } else {
          delete pending;
        }
        return Fail(error), nullptr;
      }
      if (!Wait(pending, timeouts_.connect_ms + timeouts_.stall_ms)) {
        if (pending->created) Release(pending->created, pending);  // else left to WinInet
        return Fail(kInternetErrorTimeout), nullptr;
      }
      handle = reinterpret_cast<HINTERNET>(pending->result);
      if (!handle) {
        DWORD failed = pending->error;
        if (pending->created) {
          Release(pending->created, pending);
        } else {
          delete pending;
        }
        return Fail(failed), nullptr;
      }
    }
    SetTimeouts(handle);
    return handle;
  }

  // How many bytes can be read at once; 0 when the reply is complete. Waits at most the stall
  // time-out for the first byte.
  bool WaitForData(Url* u, DWORD* count) {
    *count = 0;
    Pending* pending = u->pending;
    DWORD deadline = GetTickCount() + timeouts_.stall_ms;
    for (;;) {
      ResetEvent(pending->done);
      if (Net().QueryDataAvailable(u->handle, &pending->available, 0, 0)) {
        *count = pending->available;
        return true;
      }
      if (GetLastError() != ERROR_IO_PENDING) return false;
      DWORD now = GetTickCount();
      DWORD left = static_cast<LONG>(deadline - now) > 0 ? deadline - now : 0;
      if (!Wait(pending, left)) return false;
      if (!pending->result) return Fail(pending->error);
      // The data has arrived: asking again answers at once.
    }
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
