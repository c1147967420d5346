#include "support/process.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include <cstring>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#endif

namespace fs = std::filesystem;

namespace reelbox_test {
namespace {

std::string NewOutputPath() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  return (fs::temp_directory_path() / ("reelbox-out-" + std::to_string(stamp) + "-" +
                                       std::to_string(counter++) + ".txt"))
      .string();
}

std::string ExecutableFolder() {
#ifdef _WIN32
  char path[MAX_PATH + 1] = {0};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return fs::path(path).parent_path().string();
#else
  return fs::read_symlink("/proc/self/exe").parent_path().string();
#endif
}

#ifdef _WIN32
// Quoting that the C runtime's argument splitter undoes.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') out.append(backslashes * 2 + 1, '\\');
    else out.append(backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  return out + "\"";
}

std::string EnvironmentBlock(const std::vector<std::string>& extra) {
  std::vector<std::string> entries;
  char* current = GetEnvironmentStringsA();
  for (char* p = current; *p != 0; p += std::strlen(p) + 1) entries.push_back(p);
  FreeEnvironmentStringsA(current);
  for (const std::string& add : extra) {
    const std::string key = add.substr(0, add.find('=') + 1);
    for (auto it = entries.begin(); it != entries.end();) {
      it = _strnicmp(it->c_str(), key.c_str(), key.size()) == 0 ? entries.erase(it) : it + 1;
    }
    entries.push_back(add);
  }
  std::string block;
  for (const std::string& entry : entries) block += entry + '\0';
  return block + '\0';
}
#endif

}  // namespace

ChildProcess::~ChildProcess() {
  Kill();
  std::error_code error;
  if (!outputPath_.empty()) fs::remove(outputPath_, error);
}

std::string ChildProcess::Output() const {
  std::ifstream in(outputPath_, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifdef _WIN32

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options) {
  outputPath_ = NewOutputPath();
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE output = CreateFileA(outputPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return false;
  std::string command_line = Quote(program);
  for (const std::string& arg : args) command_line += " " + Quote(arg);
  std::string environment = EnvironmentBlock(options.environment);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION info = {};
  const BOOL ok = CreateProcessA(
      program.c_str(), &command_line[0], nullptr, nullptr, TRUE, 0, &environment[0],
      options.workingFolder.empty() ? nullptr : options.workingFolder.c_str(), &startup, &info);
  CloseHandle(output);
  if (!ok) return false;
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  running_ = true;
  return true;
}

bool ChildProcess::Wait(int timeout_ms, int* exit_status) {
  if (!running_) return false;
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeout_ms)) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  CloseHandle(process_);
  process_ = nullptr;
  running_ = false;
  *exit_status = static_cast<int>(code);
  return true;
}

void ChildProcess::Kill() {
  if (!running_) return;
  TerminateProcess(process_, 1);
  WaitForSingleObject(process_, INFINITE);
  CloseHandle(process_);
  process_ = nullptr;
  running_ = false;
}

bool ChildProcess::Interrupt() { return false; }

#else

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options) {
  outputPath_ = NewOutputPath();
  const int output = ::open(outputPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (output < 0) return false;
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(output);
    return false;
  }
  if (pid == 0) {
    ::dup2(output, 1);
    ::dup2(output, 2);
    if (!options.workingFolder.empty() && ::chdir(options.workingFolder.c_str()) != 0) ::_exit(127);
    for (const std::string& entry : options.environment) {
      const size_t equals = entry.find('=');
      ::setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
    }
    std::vector<char*> pointers;
    for (std::string& arg : argv) pointers.push_back(&arg[0]);
    pointers.push_back(nullptr);
    ::execv(program.c_str(), pointers.data());
    ::_exit(127);
  }
  ::close(output);
  pid_ = pid;
  running_ = true;
  return true;
}

bool ChildProcess::Wait(int timeout_ms, int* exit_status) {
  if (!running_) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      running_ = false;
      *exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void ChildProcess::Kill() {
  if (!running_) return;
  ::kill(pid_, SIGKILL);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  running_ = false;
}

bool ChildProcess::Interrupt() { return running_ && ::kill(pid_, SIGINT) == 0; }

#endif

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options) {
  ProcessResult result;
  ChildProcess child;
  result.started = child.Start(program, args, options);
  if (!result.started) return result;
  if (!child.Wait(options.timeoutMs, &result.exitStatus)) {
    child.Kill();
    result.timedOut = true;
  }
  result.output = child.Output();
  return result;
}

std::string BuiltProgram(const std::string& name) {
#ifdef _WIN32
  return (fs::path(ExecutableFolder()) / (name + ".exe")).string();
#else
  return (fs::path(ExecutableFolder()) / name).string();
#endif
}

std::string BuiltLibrary(const std::string& windows_name) {
#ifdef _WIN32
  return (fs::path(ExecutableFolder()) / windows_name).string();
#else
  const std::string stem = windows_name.substr(0, windows_name.find_last_of('.'));
  return (fs::path(ExecutableFolder()) / ("lib" + stem + ".so")).string();
#endif
}

bool ToPlainLineEnds(std::string* output) {
#ifdef _WIN32
  const bool text_mode = true;
#else
  const bool text_mode = false;
#endif
  std::string plain;
  bool clean = true;
  for (size_t i = 0; i < output->size(); ++i) {
    const char c = (*output)[i];
    if (c != '\r') {
      plain += c;
      continue;
    }
    const bool line_end = text_mode && i + 1 < output->size() && (*output)[i + 1] == '\n' &&
                         (plain.empty() || plain.back() != '\r');
    if (!line_end) {
      clean = false;
      plain += c;
    }
  }
  *output = plain;
  return clean;
}

}  // namespace reelbox_test
