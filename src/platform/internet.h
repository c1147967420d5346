// The internet client: connected state, ping, sessions, URL reads.
//
// The calls follow the Windows internet client (WinInet) one for one, so the download is written
// once for both targets: ask whether the computer is connected, ping the address, open a session,
// open a URL in it (this waits for the response headers), then pull the response in reads of up
// to N bytes until a read gives 0 bytes. Every failing call leaves an error code in LastError():
// an internet error (12000 and above, the kInternetError* values) or a system error code.
// An HTTP error status (404, 500) is not a failure of the calls: QueryStatusCode tells it.
//
// Handles are owned by the caller and released with Close (a URL handle before its session).
// A client serves one thread at a time; the conduit uses it only on the synchronization thread.
#ifndef REELBOX_PLATFORM_INTERNET_H
#define REELBOX_PLATFORM_INTERNET_H

#include <cstdint>
#include <memory>
#include <string>

// Opaque handle of a session or an open URL.
struct InternetObject;
using InternetHandle = InternetObject*;

// Flags of OpenUrl, with WinInet's values.
constexpr uint32_t kInternetFlagReload = 0x80000000u;     // never answer from a cache
constexpr uint32_t kInternetFlagNoCookies = 0x00080000u;  // neither send nor store cookies
constexpr uint32_t kInternetFlagNoUi = 0x00000200u;       // never show a dialog

// Error codes with WinInet's values: the ones the conduit distinguishes among all the system gives.
constexpr uint32_t kInternetErrorTimeout = 12002;
constexpr uint32_t kInternetErrorInternal = 12004;
constexpr uint32_t kInternetErrorInvalidUrl = 12005;
constexpr uint32_t kInternetErrorUnrecognizedScheme = 12006;
constexpr uint32_t kInternetErrorNameNotResolved = 12007;
constexpr uint32_t kInternetErrorCannotConnect = 12029;
constexpr uint32_t kInternetErrorConnectionAborted = 12030;
constexpr uint32_t kInternetErrorRedirectFailed = 12156;
constexpr uint32_t kInternetErrorSecureChannel = 12157;

class InternetClient {
 public:
  InternetClient() = default;
  InternetClient(const InternetClient&) = delete;
  InternetClient& operator=(const InternetClient&) = delete;
  virtual ~InternetClient() = default;

  // Whether the computer has a network connection (InternetGetConnectedState).
  virtual bool IsConnected() = 0;
  // Connects to the host and port of url and disconnects (InternetCheckConnectionA with
  // FLAG_ICC_FORCE_CONNECTION). true when the connection could be made.
  virtual bool CheckConnection(const char* url) = 0;
  // Starts a session with the given agent name and the system's proxy settings (InternetOpenA).
  // nullptr on failure.
  virtual InternetHandle OpenSession(const char* agent) = 0;
  // Opens url in session with the given kInternetFlag* flags and waits for the response headers,
  // following at most InternetTimeouts::max_redirects redirections (InternetOpenUrlA). nullptr on
  // failure (cannot connect, bad scheme, kInternetErrorRedirectFailed for one redirection too
  // many, TLS failure ...).
  // REQUIRES: session is an open session handle.
  virtual InternetHandle OpenUrl(InternetHandle session, const char* url, uint32_t flags) = 0;
  // Stores in *status the HTTP status of the response opened (HttpQueryInfoA with
  // HTTP_QUERY_STATUS_CODE); false when it has none (an FTP transfer).
  virtual bool QueryStatusCode(InternetHandle url, uint32_t* status) = 0;
  // Stores in *available how many bytes can be read without waiting (InternetQueryDataAvailable).
  virtual bool QueryDataAvailable(InternetHandle url, uint32_t* available) = 0;
  // Reads up to count bytes into buffer and stores the number read in *read; 0 bytes read with
  // success means the response is complete (InternetReadFile). Waits only for the first byte
  // (within the stall time-out), never for count bytes. false when the transfer failed.
  virtual bool ReadUrl(InternetHandle url, void* buffer, uint32_t count, uint32_t* read) = 0;
  // The last server response text of this thread (InternetGetLastResponseInfoA): *code gets its
  // code, buffer its text (NUL-terminated), *length its length. In: *length is the buffer size.
  virtual bool GetLastResponseInfo(uint32_t* code, char* buffer, uint32_t* length) = 0;
  // Releases a handle (InternetCloseHandle). A null handle gives false.
  virtual bool Close(InternetHandle handle) = 0;
  // The calling thread's last error value, and a way to set it (GetLastError, SetLastError).
  virtual uint32_t LastError() = 0;
  virtual void SetLastError(uint32_t code) = 0;
  // The system's message for an error code (FormatMessageA from the system, default language,
  // no inserts), without a trailing line end; empty when the system has none. The system has none
  // for the internet error codes.
  virtual std::string ErrorText(uint32_t code) = 0;
};

// How long the client waits, and how many redirections it follows, on both targets.
struct InternetTimeouts {
  uint32_t connect_ms = 60000;  // to open the connection, name resolution included
  uint32_t stall_ms = 30000;    // without receiving a byte before a read fails
  uint32_t max_redirects = 10;
};

// The implementation of this target.
std::unique_ptr<InternetClient> NewPlatformInternetClient();
// The same with other time-outs and bound.
std::unique_ptr<InternetClient> NewPlatformInternetClient(const InternetTimeouts& timeouts);

#endif  // REELBOX_PLATFORM_INTERNET_H
