// An internet client that passes every call on to another, in the manner of
// ForwardingFileSystem: a test overrides the calls it changes and keeps the rest real.
#ifndef REELBOX_TESTS_SUPPORT_FORWARDING_INTERNET_H
#define REELBOX_TESTS_SUPPORT_FORWARDING_INTERNET_H

#include <cstdint>
#include <string>

#include "platform/internet.h"

class ForwardingInternetClient : public InternetClient {
 public:
  explicit ForwardingInternetClient(InternetClient& target) : target_(target) {}
  bool IsConnected() override { return target_.IsConnected(); }
  bool CheckConnection(const char* url) override { return target_.CheckConnection(url); }
  InternetHandle OpenSession(const char* agent) override { return target_.OpenSession(agent); }
  InternetHandle OpenUrl(InternetHandle session, const char* url, uint32_t flags) override {
    return target_.OpenUrl(session, url, flags);
  }
  bool QueryStatusCode(InternetHandle url, uint32_t* status) override {
    return target_.QueryStatusCode(url, status);
  }
  bool QueryDataAvailable(InternetHandle url, uint32_t* available) override {
    return target_.QueryDataAvailable(url, available);
  }
  bool ReadUrl(InternetHandle url, void* buffer, uint32_t count, uint32_t* read) override {
    return target_.ReadUrl(url, buffer, count, read);
  }
  bool GetLastResponseInfo(uint32_t* code, char* buffer, uint32_t* length) override {
    return target_.GetLastResponseInfo(code, buffer, length);
  }
  bool Close(InternetHandle handle) override { return target_.Close(handle); }
  uint32_t LastError() override { return target_.LastError(); }
  void SetLastError(uint32_t code) override { target_.SetLastError(code); }
  std::string ErrorText(uint32_t code) override { return target_.ErrorText(code); }

 protected:
  InternetClient& target() { return target_; }

 private:
  InternetClient& target_;
};

#endif  // REELBOX_TESTS_SUPPORT_FORWARDING_INTERNET_H
