// Running programs from tests: arguments, extra environment, working folder, captured output
// (standard output and error together) and exit status, with a time limit after which the
// program is killed. CreateProcess on win32, fork/exec elsewhere.
#ifndef REELBOX_TESTS_SUPPORT_PROCESS_H
#define REELBOX_TESTS_SUPPORT_PROCESS_H

#include <string>
#include <vector>

namespace reelbox_test {

struct ProcessOptions {
  std::vector<std::string> environment;  // "NAME=VALUE" added to (or replacing in) the current one
  std::string workingFolder;             // empty: the current folder
  int timeoutMs = 120000;
};

struct ProcessResult {
  bool started = false;
  bool timedOut = false;
  int exitStatus = -1;  // the program's exit status (killed: -1)
  std::string output;
};

// A program started by a test. Not copyable; the destructor kills it if it still runs.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Start(const std::string& program, const std::vector<std::string>& args,
             const ProcessOptions& options = ProcessOptions());
  // Waits up to timeout_ms; true when the program ended (its status in *exit_status).
  bool Wait(int timeout_ms, int* exit_status);
  void Kill();
  // Sends an interrupt (Ctrl-C); false where tests cannot (win32).
  bool Interrupt();
  // What the program wrote so far.
  std::string Output() const;

 private:
  std::string outputPath_;
  bool running_ = false;
#ifdef _WIN32
  void* process_ = nullptr;
#else
  int pid_ = -1;
#endif
};

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const ProcessOptions& options = ProcessOptions());

// Turns the target's text line ends of a program's output ("\r\n" on Windows, "\n" elsewhere)
// into "\n". False when the output holds a carriage return that ends no line of that kind: a
// line with a line end of its own in it, which a terminal shows as an overwritten line.
bool ToPlainLineEnds(std::string* output);

// A program or library of the build, beside the test executables ("hotsync" -> ".../hotsync.exe").
std::string BuiltProgram(const std::string& name);
std::string BuiltLibrary(const std::string& windows_name);  // "testconduit.dll" -> libtestconduit.so

}  // namespace reelbox_test

#endif  // REELBOX_TESTS_SUPPORT_PROCESS_H
