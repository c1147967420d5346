#include "support/http_server.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketLen = int;
#define CLOSE_SOCKET closesocket
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketLen = socklen_t;
#define CLOSE_SOCKET close
#endif

namespace {

constexpr long kMaxRedirectHops = 60;

#ifdef _WIN32
struct WinsockStarter {
  WinsockStarter() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
};
void StartSockets() { static WinsockStarter starter; }
using RawSocket = SOCKET;
#else
void StartSockets() {}
using RawSocket = int;
#endif

RawSocket Raw(intptr_t s) { return static_cast<RawSocket>(s); }

// Waits up to ms for the socket to become readable.
bool Readable(intptr_t s, int ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(Raw(s), &set);
  timeval tv{ms / 1000, (ms % 1000) * 1000};
  return select(static_cast<int>(Raw(s)) + 1, &set, nullptr, nullptr, &tv) > 0;
}

bool SendAll(intptr_t s, const std::string& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    int n = send(Raw(s), data.data() + sent, static_cast<int>(data.size() - sent), 0);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

std::string HeaderValue(const std::string& head, const char* name) {
  std::string lower = head;
  for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  std::string key = std::string("\n") + name + ":";
  size_t at = lower.find(key);
  if (at == std::string::npos) return "";
  at += key.size();
  while (at < head.size() && head[at] == ' ') ++at;
  size_t end = head.find_first_of("\r\n", at);
  return head.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The body as deflate data in stored blocks: real encoded data every decoder reads, made without a
// compressor.
std::string StoredBlocks(const std::string& body) {
  std::string out;
  size_t at = 0;
  do {
    size_t n = std::min<size_t>(body.size() - at, 65535);
    bool last = at + n == body.size();
    out += static_cast<char>(last ? 1 : 0);
    out += static_cast<char>(n & 0xFF);
    out += static_cast<char>(n >> 8);
    out += static_cast<char>(~n & 0xFF);
    out += static_cast<char>((~n >> 8) & 0xFF);
    out.append(body, at, n);
    at += n;
  } while (at < body.size());
  return out;
}

void AppendLittleEndian(std::string* out, uint32_t value) {
  for (int i = 0; i < 4; ++i) *out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Gzip(const std::string& body) {
  uint32_t crc = 0xFFFFFFFFu;
  for (char c : body) {
    crc ^= static_cast<unsigned char>(c);
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  std::string out("\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\xFF", 10);
  out += StoredBlocks(body);
  AppendLittleEndian(&out, ~crc);
  AppendLittleEndian(&out, static_cast<uint32_t>(body.size()));
  return out;
}

std::string Zlib(const std::string& body) {
  uint32_t a = 1, b = 0;
  for (char c : body) {
    a = (a + static_cast<unsigned char>(c)) % 65521;
    b = (b + a) % 65521;
  }
  std::string out("\x78\x01", 2);
  out += StoredBlocks(body);
  uint32_t adler = b << 16 | a;
  for (int i = 3; i >= 0; --i) out += static_cast<char>((adler >> (8 * i)) & 0xFF);
  return out;
}

std::string Response(int status, const char* reason, const std::string& extra_headers,
                     size_t length) {
  return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\n" + extra_headers +
         "Content-Length: " + std::to_string(length) + "\r\nConnection: close\r\n\r\n";
}

}  // namespace

HttpServer::HttpServer() {
  StartSockets();
  RawSocket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (static_cast<intptr_t>(s) < 0) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  SocketLen length = sizeof(address);
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 || listen(s, 16) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    CLOSE_SOCKET(s);
    return;
  }
  listener_ = static_cast<intptr_t>(s);
  port_ = ntohs(address.sin_port);
  acceptor_ = TestThread([this] { AcceptLoop(); });
}

HttpServer::~HttpServer() {
  stopping_ = true;
  if (acceptor_.joinable()) acceptor_.join();
  if (listener_ >= 0) CLOSE_SOCKET(Raw(listener_));
  std::vector<TestThread> workers;
  {
    TestLock lock(mutex_);
    workers.swap(workers_);
  }
  for (TestThread& t : workers) t.join();
}

std::string HttpServer::Url(const std::string& path) const { return "http://" + Address(path); }

std::string HttpServer::Address(const std::string& path) const {
  return "127.0.0.1:" + std::to_string(port_) + path;
}

void HttpServer::Serve(const std::string& path, std::string body, Mode mode) {
  TestLock lock(mutex_);
  routes_[path] = Route{mode, std::move(body)};
}

std::vector<HttpServer::Request> HttpServer::Requests() const {
  TestLock lock(mutex_);
  return requests_;
}

int HttpServer::RequestCount(const std::string& path) const {
  TestLock lock(mutex_);
  int count = 0;
  for (const Request& r : requests_) {
    if (r.path.substr(0, r.path.find('?')) == path) ++count;
  }
  return count;
}

int HttpServer::RefusingPort() {
  StartSockets();
  RawSocket s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  SocketLen length = sizeof(address);
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  // Bound but never listening, then released: the system refuses connections to it.
  CLOSE_SOCKET(s);
  return port;
}

void HttpServer::AcceptLoop() {
  while (!stopping_) {
    if (!Readable(listener_, 20)) continue;
    RawSocket s = accept(Raw(listener_), nullptr, nullptr);
    if (static_cast<intptr_t>(s) < 0) continue;
    TestLock lock(mutex_);
    workers_.emplace_back(TestThread([this, s] { Answer(static_cast<intptr_t>(s)); }));
  }
}

void HttpServer::Answer(intptr_t s) {
  // Read the request head; a client that only pings connects and closes without sending.
  std::string head;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (head.find("\r\n\r\n") == std::string::npos && !stopping_ &&
         std::chrono::steady_clock::now() < deadline) {
    if (!Readable(s, 20)) continue;
    char buffer[2048];
    int n = recv(Raw(s), buffer, sizeof(buffer), 0);
    if (n <= 0) break;
    head.append(buffer, static_cast<size_t>(n));
    if (head.size() > 65536) break;
    if (head[0] < 'A' || head[0] > 'Z') break;  // not HTTP (a TLS handshake, say): answer nothing
  }
  size_t line_end = head.find("\r\n");
  size_t first_space = head.find(' ');
  if (head.empty() || line_end == std::string::npos || first_space == std::string::npos ||
      first_space > line_end) {
    if (!head.empty()) {
      TestLock lock(mutex_);
      requests_.push_back(Request{"", "", head});
    }
    CLOSE_SOCKET(Raw(s));
    return;
  }
  size_t target_end = head.find(' ', first_space + 1);
  if (target_end == std::string::npos || target_end > line_end) target_end = line_end;
  std::string target = head.substr(first_space + 1, target_end - first_space - 1);
  std::string path = target.substr(0, target.find('?'));

  Route route{Mode::kNotFound, ""};
  {
    TestLock lock(mutex_);
    requests_.push_back(Request{target, HeaderValue(head, "user-agent"), head});
    auto found = routes_.find(path);
    if (found != routes_.end()) route = found->second;
  }

  static const std::string kNotFoundPage = "<html><body>404 Not Found</body></html>\n";
  static const std::string kErrorPage = "<html><body>500 Internal Server Error</body></html>\n";
  const std::string type = "Content-Type: text/calendar\r\n";
  switch (route.mode) {
    case Mode::kBody:
      SendAll(s, Response(200, "OK", type, route.body.size()) + route.body);
      break;
    case Mode::kNotFound:
      SendAll(s, Response(404, "Not Found", "Content-Type: text/html\r\n", kNotFoundPage.size()) +
                     kNotFoundPage);
      break;
    case Mode::kServerError:
      SendAll(s, Response(500, "Internal Server Error", "Content-Type: text/html\r\n",
                          kErrorPage.size()) + kErrorPage);
      break;
    case Mode::kStall: {
      SendAll(s, Response(200, "OK", type, route.body.size() + 1000) +
                     route.body.substr(0, route.body.size() / 2));
      auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(stall_ms_.load());
      while (!stopping_ && std::chrono::steady_clock::now() < until) {
        if (Readable(s, 20)) {
          char buffer[256];
          if (recv(Raw(s), buffer, sizeof(buffer), 0) <= 0) break;  // the client gave up
        }
      }
      break;
    }
    case Mode::kTrickle:
      // One byte, then a pause, until the body is sent or the client gave up.
      if (!SendAll(s, Response(200, "OK", type, route.body.size()))) break;
      for (char c : route.body) {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(stall_ms_.load());
        bool gone = false;
        while (!stopping_ && !gone && std::chrono::steady_clock::now() < until) {
          char buffer[256];
          if (Readable(s, 20) && recv(Raw(s), buffer, sizeof(buffer), 0) <= 0) gone = true;
        }
        if (gone || stopping_ || !SendAll(s, std::string(1, c))) break;
      }
      break;
    case Mode::kGzip:
    case Mode::kDeflate: {
      std::string accepted = HeaderValue(head, "accept-encoding");
      const char* name = route.mode == Mode::kGzip ? "gzip" : "deflate";
      if (accepted.find(name) == std::string::npos) {
        SendAll(s, Response(200, "OK", type, route.body.size()) + route.body);
        break;
      }
      std::string encoded = route.mode == Mode::kGzip ? Gzip(route.body) : Zlib(route.body);
      SendAll(s, Response(200, "OK", type + "Content-Encoding: " + name + "\r\n", encoded.size()) + encoded);
      break;
    }
    case Mode::kCloseEarly:
      SendAll(s, Response(200, "OK", type, route.body.size() * 2 + 1) + route.body);
      break;
    case Mode::kRedirectLoop: {
      // Counts the hops in the query, so every answer differs, as a misconfigured server's might.
      size_t query = target.find('?');
      long hop = query == std::string::npos ? 0 : std::strtol(target.c_str() + query + 1, nullptr, 10);
      if (hop >= kMaxRedirectHops) {
        // A client that follows without limit (Wine's WinInet does) must still come to an end.
        SendAll(s, Response(500, "Internal Server Error", "", 0));
        break;
      }
      SendAll(s, Response(302, "Found", "Location: " + path + "?" + std::to_string(hop + 1) + "\r\n",
                          0));
      break;
    }
  }
#ifdef _WIN32
  shutdown(Raw(s), SD_SEND);
#else
  shutdown(Raw(s), SHUT_WR);
#endif
  // Let the client read everything before the socket goes (a close with unread input resets).
  auto linger = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (!stopping_ && std::chrono::steady_clock::now() < linger) {
    if (!Readable(s, 20)) continue;
    char buffer[256];
    if (recv(Raw(s), buffer, sizeof(buffer), 0) <= 0) break;
  }
  CLOSE_SOCKET(Raw(s));
}
