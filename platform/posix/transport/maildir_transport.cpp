#include "platform/posix/transport/maildir_transport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "common/host_error.h"
#include "common/text.h"
#include "platform/posix/paths.h"
#include "platform/posix/transport/mime.h"
#include "platform/posix/unique_fd.h"

namespace velmora::posix {

namespace {

[[noreturn]] void Fail(const std::string& what, int error) {
  Raise(err::kFileIo, what + ": " + std::strerror(error));
}

void WriteAll(int fd, std::string_view bytes, const std::filesystem::path& path) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("cannot write " + path.string(), errno);
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void SyncFolder(const std::filesystem::path& dir) {
  UniqueFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0) ::fsync(fd.get());
}

// Maildir readers split names at "/" and ":"; a host name must carry neither.
std::string SafeHostName() {
  char buf[256] = {};
  if (::gethostname(buf, sizeof buf - 1) != 0 || buf[0] == '\0') return "localhost";
  std::string out;
  for (const char* p = buf; *p; ++p) {
    if (*p == '/')
      out += "\\057";
    else if (*p == ':')
      out += "\\072";
    else
      out += *p;
  }
  return out;
}

bool FolderHasTag(const std::filesystem::path& dir, const std::string& tag) {
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (it->path().filename().string().find(tag) != std::string::npos) return true;
  return false;
}

}  // namespace

MaildirTransport::MaildirTransport(std::filesystem::path maildir) : maildir_(std::move(maildir)) {}

std::string MaildirTransport::MessageTag(std::string_view messageId) {
  // FNV-1a: stable across runs and builds, unlike std::hash.
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : Trim(messageId)) {
    h ^= c;
    h *= 1099511628211ull;
  }
  char out[20];
  std::snprintf(out, sizeof out, "_V%016llx", static_cast<unsigned long long>(h));
  return out;
}

bool MaildirTransport::AlreadyDelivered(std::string_view messageId) const {
  if (Trim(messageId).empty()) return false;
  const std::string tag = MessageTag(messageId) + ".";
  return FolderHasTag(maildir_ / "new", tag) || FolderHasTag(maildir_ / "cur", tag);
}

std::string MaildirTransport::UniqueName(std::string_view messageId) {
  timeval now{};
  ::gettimeofday(&now, nullptr);
  return Concat(static_cast<long long>(now.tv_sec), ".M", static_cast<long long>(now.tv_usec), "P",
                static_cast<long long>(::getpid()), "Q", ++counter_, MessageTag(messageId), ".",
                SafeHostName());
}

void MaildirTransport::Deliver(const OutgoingMail& mail) {
  for (const char* sub : {"tmp", "new", "cur"})
    EnsurePrivateDir(maildir_ / sub);
  if (AlreadyDelivered(mail.messageId)) return;

  const std::string bytes = BuildMime(mail, LineEnding::kLf);
  const std::string name = UniqueName(mail.messageId);
  const std::filesystem::path tmp = maildir_ / "tmp" / name;
  const std::filesystem::path target = maildir_ / "new" / name;

  UniqueFd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (fd.get() < 0) Fail("cannot create " + tmp.string(), errno);
  try {
    WriteAll(fd.get(), bytes, tmp);
    // On disk before it becomes visible: a crash never leaves a short mail in new/.
    if (::fsync(fd.get()) != 0) Fail("cannot sync " + tmp.string(), errno);
    if (fd.Close() != 0) Fail("cannot close " + tmp.string(), errno);
    if (::rename(tmp.c_str(), target.c_str()) != 0)
      Fail("cannot move the mail into " + (maildir_ / "new").string(), errno);
  } catch (...) {
    fd.Close();
    ::unlink(tmp.c_str());
    throw;
  }
  SyncFolder(maildir_ / "new");
}

}  // namespace velmora::posix
