// A small HTTP/1.1 server on 127.0.0.1 for tests: listens on an ephemeral port, serves each
// connection on its own thread and answers every request with "Connection: close".
//
// Each path (the request target without its query) has a route: a body to serve, or one of the
// misbehaviours a feed server can show. Unknown paths get 404. The server records every request
// it received. Destroying it stops it and joins its threads; a stalled answer ends at once then.
#ifndef REELBOX_TESTS_SUPPORT_HTTP_SERVER_H
#define REELBOX_TESTS_SUPPORT_HTTP_SERVER_H

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/threads.h"

class HttpServer {
 public:
  enum class Mode {
    kBody,          // 200 with the body
    kNotFound,      // 404 with a short HTML body
    kServerError,   // 500 with a short HTML body
    kStall,         // 200 announcing more than it sends: sends half the body, then stalls
    kTrickle,       // 200 with the body sent one byte at a time, a stall time apart
    kCloseEarly,    // 200 announcing twice the body's length, sends the body, closes
    kRedirectLoop,  // 302 to the same path again; after 60 hops 500, so no client loops forever
    kGzip,          // 200 with the body gzip-encoded when the request accepts gzip, else plain
    kDeflate,       // the same with the deflate encoding (zlib format)
  };

  struct Request {
    std::string path;        // request target, query included
    std::string user_agent;  // empty when absent
    std::string head;        // the first bytes received (up to the end of the headers)
  };

  HttpServer();
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // false when the server could not listen; the test should then fail.
  bool ok() const { return listener_ >= 0; }
  int port() const { return port_; }
  // "http://127.0.0.1:<port><path>"; path begins with "/".
  std::string Url(const std::string& path) const;
  // The same without the scheme, as a handheld list stores its address.
  std::string Address(const std::string& path) const;

  void Serve(const std::string& path, std::string body, Mode mode = Mode::kBody);
  // How long a stalled answer waits before closing (the server never holds a thread longer), and
  // the pause between two bytes of a trickled one.
  void SetStallMs(uint32_t ms) { stall_ms_ = ms; }

  std::vector<Request> Requests() const;
  int RequestCount(const std::string& path) const;

  // A port on 127.0.0.1 on which nothing listens: connections are refused.
  static int RefusingPort();

 private:
  struct Route {
    Mode mode = Mode::kBody;
    std::string body;
  };

  void AcceptLoop();
  void Answer(intptr_t socket);

  intptr_t listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<uint32_t> stall_ms_{10000};
  mutable TestMutex mutex_;
  std::map<std::string, Route> routes_;
  std::vector<Request> requests_;
  std::vector<TestThread> workers_;
  TestThread acceptor_;
};

#endif  // REELBOX_TESTS_SUPPORT_HTTP_SERVER_H
