// Local delivery into a Maildir: mails appear whole in new/ (never half
// written, never left in tmp/), private to the user, and a mail delivered
// before a crash is recognised by its Message-ID instead of arriving twice.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/host_error.h"
#include "platform/posix/transport/maildir_transport.h"
#include "platform/posix/transport/mime.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

namespace fs = std::filesystem;

OutgoingMail Mail(const std::string& id, std::string body = "Body\n") {
  OutgoingMail m;
  m.from = "me@example.com";
  m.to = "ann@example.com";
  m.recipients = {"ann@example.com"};
  m.subject = "Subject " + id;
  m.body = std::move(body);
  m.date = DateTime::FromParts(2026, 12, 7, 9, 0, 0);
  m.messageId = "<" + id + "@example.com>";
  return m;
}

std::vector<fs::path> Files(const fs::path& dir) {
  std::vector<fs::path> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec))
    out.push_back(e.path());
  return out;
}

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

mode_t Mode(const fs::path& p) {
  struct stat st {};
  EXPECT_EQ(::stat(p.c_str(), &st), 0) << p;
  return st.st_mode & 0777;
}

class Maildir : public ::testing::Test {
 protected:
  test::TempDir home{"maildir"};
  fs::path box = home.Path() / "deep" / "Maildir";
  MaildirTransport transport{box};
};

TEST_F(Maildir, CreatesItsPrivateFoldersAndPutsTheWholeMailInNew) {
  transport.Deliver(Mail("one"));
  for (const char* sub : {"tmp", "new", "cur"})
    EXPECT_EQ(Mode(box / sub), 0700u) << sub;
  EXPECT_TRUE(Files(box / "tmp").empty());
  const auto delivered = Files(box / "new");
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(Mode(delivered[0]), 0600u);
  const ParsedMail back = ParseMime(Read(delivered[0]));
  EXPECT_EQ(back.subject, "Subject one");
  EXPECT_EQ(back.body, "Body\n");
  // Maildir readers split names at ":" and "/".
  EXPECT_EQ(delivered[0].filename().string().find(':'), std::string::npos);
}

TEST_F(Maildir, RecognisesAMailAlreadyDeliveredInNewOrCur) {
  EXPECT_FALSE(transport.AlreadyDelivered("<one@example.com>"));
  transport.Deliver(Mail("one"));
  EXPECT_TRUE(transport.AlreadyDelivered("<one@example.com>"));
  EXPECT_FALSE(transport.AlreadyDelivered("<two@example.com>"));
  EXPECT_FALSE(transport.AlreadyDelivered(""));

  // A mail reader moves what it has seen to cur/ with flags after a colon.
  const fs::path seen = Files(box / "new").at(0);
  fs::rename(seen, box / "cur" / (seen.filename().string() + ":2,S"));
  EXPECT_TRUE(transport.AlreadyDelivered("<one@example.com>"));
  // A fresh transport over the same folder (the host after a crash) knows it too.
  EXPECT_TRUE(MaildirTransport(box).AlreadyDelivered("<one@example.com>"));
}

TEST_F(Maildir, ARedeliveryOfTheSameMailIsNotWrittenTwiceButEveryOtherGetsItsOwnFile) {
  transport.Deliver(Mail("again"));
  MaildirTransport(box).Deliver(Mail("again"));
  EXPECT_EQ(Files(box / "new").size(), 1u);
  for (int i = 0; i < 5; ++i)
    transport.Deliver(Mail("m" + std::to_string(i)));
  EXPECT_EQ(Files(box / "new").size(), 6u);
}

// A write that fails half way (the file-size limit stands in for a full
// disk) leaves nothing in new/ and nothing behind in tmp/.
TEST_F(Maildir, AFailedWriteLeavesNothingHalfWritten) {
  transport.Deliver(Mail("before"));
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore {
  }, oldAction{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &oldAction), 0);
  struct rlimit small = saved;
  small.rlim_cur = 512;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool failed = false;
  try {
    transport.Deliver(Mail("big", std::string(64 * 1024, 'x')));
  } catch (const HostError& e) {
    failed = true;
    EXPECT_NE(e.Description().find("cannot write"), std::string::npos) << e.Description();
  }
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &oldAction, nullptr);
  EXPECT_TRUE(failed);
  EXPECT_EQ(Files(box / "new").size(), 1u);
  EXPECT_TRUE(Files(box / "tmp").empty());
  EXPECT_FALSE(transport.AlreadyDelivered("<big@example.com>"));
  // The same mail goes through once the disk has room again.
  transport.Deliver(Mail("big", std::string(64 * 1024, 'x')));
  EXPECT_TRUE(transport.AlreadyDelivered("<big@example.com>"));
}

}  // namespace
}  // namespace velmora::posix
