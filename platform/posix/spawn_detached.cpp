#include "platform/posix/spawn_detached.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "common/host_error.h"
#include "common/text.h"

namespace velmora::posix {

namespace {

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void ReportAndExit(int fd, int error) noexcept {
  [[maybe_unused]] const ssize_t n = ::write(fd, &error, sizeof error);
  ::_exit(127);
}

[[noreturn]] void RunGrandchild(char* const* argv, int reportFd) noexcept {
  const int devNull = ::open("/dev/null", O_RDWR);
  if (devNull < 0) ReportAndExit(reportFd, errno);
  for (int fd = 0; fd <= 2; ++fd)
    if (::dup2(devNull, fd) < 0) ReportAndExit(reportFd, errno);
  if (devNull > 2) ::close(devNull);
  // What we ignore or catch is ours; the new program starts with defaults.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  sigemptyset(&dfl.sa_mask);
  for (int sig = 1; sig < NSIG; ++sig)
    ::sigaction(sig, &dfl, nullptr);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::execv(argv[0], argv);
  ReportAndExit(reportFd, errno);
}

bool IsExecutableFile(const std::filesystem::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

}  // namespace

void SpawnDetached(const std::filesystem::path& program, const std::vector<std::string>& args) {
  std::vector<std::string> words;
  words.push_back(program.string());
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words)
    argv.push_back(w.data());
  argv.push_back(nullptr);

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0)
    Raise(err::kFileIo, Concat("cannot start ", program.string(), ": ", std::strerror(errno)));

  // Our signal handlers must not run in the child before exec.
  sigset_t all;
  sigset_t old;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &old);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(report[0]);
    if (::setsid() < 0) ReportAndExit(report[1], errno);
    // The grandchild is adopted by init (or a subreaper) when the child ends.
    const pid_t grandchild = ::fork();
    if (grandchild < 0) ReportAndExit(report[1], errno);
    if (grandchild > 0) ::_exit(0);
    RunGrandchild(argv.data(), report[1]);
  }
  const int forkError = errno;
  ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
  ::close(report[1]);
  if (child < 0) {
    ::close(report[0]);
    Raise(err::kFileIo, Concat("cannot start ", program.string(), ": ", std::strerror(forkError)));
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // End of file: the exec closed the pipe. Four bytes: the reason it failed.
  int childError = 0;
  ssize_t n;
  do {
    n = ::read(report[0], &childError, sizeof childError);
  } while (n < 0 && errno == EINTR);
  ::close(report[0]);
  if (n == static_cast<ssize_t>(sizeof childError))
    Raise(childError == ENOENT ? err::kFileNotFound : err::kFileIo,
          Concat("cannot start ", program.string(), ": ", std::strerror(childError)));
}

std::filesystem::path SelfFolder() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : exe.parent_path();
}

std::optional<std::filesystem::path> FindProgram(std::string_view name,
                                                 const std::filesystem::path& beside) {
  if (name.empty() || name.find('/') != std::string_view::npos) return std::nullopt;
  if (!beside.empty() && IsExecutableFile(beside / name)) return beside / name;
  const char* path = std::getenv("PATH");
  if (!path) return std::nullopt;
  for (const std::string& dir : Split(path, ':')) {
    if (dir.empty() || dir[0] != '/') continue;
    const std::filesystem::path candidate = std::filesystem::path(dir) / name;
    if (IsExecutableFile(candidate)) return candidate;
  }
  return std::nullopt;
}

}  // namespace velmora::posix
