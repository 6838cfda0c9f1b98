// Local delivery into a Maildir: mails appear whole in new/ (never half
// written, never left in tmp/), private to the user, and a mail delivered
// before a crash is recognised by its Message-ID instead of arriving twice.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

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
  std::error_code ec;
  return {fs::directory_iterator(dir, ec), fs::directory_iterator()};
}

unsigned Mode(const fs::path& p) {
  return static_cast<unsigned>(std::filesystem::status(p).permissions());
}

class Maildir : public ::testing::Test {
 protected:
  test::TempDir home{"maildir"};
  fs::path box = home.Path() / "deep" / "Maildir";
  MaildirTransport transport{box};
};

TEST_F(Maildir, TheWholeMailGoesPrivatelyIntoNewOnceAndIsKnownThereOrInCurAfterACrash) {
  EXPECT_FALSE(transport.AlreadyDelivered("<one@example.com>"));
  transport.Deliver(Mail("one"));
  for (const char* sub : {"tmp", "new", "cur"})
    EXPECT_EQ(Mode(box / sub), 0700u) << sub;
  EXPECT_TRUE(Files(box / "tmp").empty());
  const auto delivered = Files(box / "new");
  ASSERT_EQ(delivered.size(), 1u);
  EXPECT_EQ(Mode(delivered[0]), 0600u);
  std::ifstream in(delivered[0], std::ios::binary);
  const ParsedMail back = ParseMime(std::string(std::istreambuf_iterator<char>(in), {}));
  EXPECT_EQ(back.subject, "Subject one");
  EXPECT_EQ(back.body, "Body\n");
  // Maildir readers split names at ":" and "/".
  EXPECT_EQ(delivered[0].filename().string().find(':'), std::string::npos);

  EXPECT_TRUE(transport.AlreadyDelivered("<one@example.com>"));
  EXPECT_FALSE(transport.AlreadyDelivered("<two@example.com>"));
  EXPECT_FALSE(transport.AlreadyDelivered(""));
  // A mail reader moves what it has seen to cur/ with flags after a colon;
  // a fresh transport (the host after a crash) still knows the mail.
  fs::rename(delivered[0], box / "cur" / (delivered[0].filename().string() + ":2,S"));
  EXPECT_TRUE(MaildirTransport(box).AlreadyDelivered("<one@example.com>"));
  MaildirTransport(box).Deliver(Mail("one"));
  EXPECT_TRUE(Files(box / "new").empty()) << "the same mail was written twice";
  for (int i = 0; i < 3; ++i)
    transport.Deliver(Mail("m" + std::to_string(i)));
  EXPECT_EQ(Files(box / "new").size(), 3u);
}

// A write that fails half way (the file-size limit stands in for a full
// disk) leaves nothing in new/ and nothing behind in tmp/.
TEST_F(Maildir, AFailedWriteLeavesNothingHalfWritten) {
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct sigaction ignore {
  }, oldAction{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &oldAction), 0);
  struct rlimit small = saved;
  small.rlim_cur = 512;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const OutgoingMail big = Mail("big", std::string(64 * 1024, 'x'));
  EXPECT_THROW(transport.Deliver(big), HostError);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &oldAction, nullptr);
  EXPECT_TRUE(Files(box / "new").empty());
  EXPECT_TRUE(Files(box / "tmp").empty());
  EXPECT_FALSE(transport.AlreadyDelivered("<big@example.com>"));
  transport.Deliver(big);  // once the disk has room again
  EXPECT_TRUE(transport.AlreadyDelivered("<big@example.com>"));
}

}  // namespace
}  // namespace velmora::posix
