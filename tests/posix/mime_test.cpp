// The MIME text a transport puts on the wire, read back with GMime itself:
// the date with the offset of its moment, attachments with their names and
// exact bytes, and CR LF line ends for SMTP. (Who is named in the headers,
// Bcc never, is checked end to end on what arrives.)
#include <gtest/gtest.h>

#include <string>

#include "platform/posix/transport/mime.h"
#include "scoped_env.h"

namespace velmora::posix {
namespace {

OutgoingMail Sample() {
  OutgoingMail m;
  m.from = "me@example.com";
  m.to = "Ann Lee <ann@example.com>";
  m.recipients = {"ann@example.com"};
  m.subject = "Weekly report";
  m.body = "Hello,\nthe numbers are attached.\n";
  m.date = DateTime::FromParts(2026, 12, 7, 9, 30, 5);
  m.messageId = "<ABC123@example.com>";
  return m;
}

std::string HeaderBlock(const std::string& mime) {
  return mime.substr(0, mime.find("\n\n"));
}

TEST(MimeBuild, TheDateOffsetIsThatOfTheMomentOfSendingInTheRepeatedHour) {
  // New York's rules as POSIX text, so that no zone database is needed.
  std::string first, second;
  {
    test::ScopedEnv tz("TZ", "EST5EDT,M3.2.0,M11.1.0");
    ::tzset();
    OutgoingMail m = Sample();
    // 01:45:01 on 7 November 2027 happens twice; this is the first, still EDT.
    m.date = DateTime::FromParts(2027, 11, 7, 1, 45, 1);
    m.sentAt = 1825566301;
    first = HeaderBlock(BuildMime(m));
    m.sentAt = 1825566301 + 3600;  // the second one, EST
    second = HeaderBlock(BuildMime(m));
  }
  ::tzset();
  EXPECT_NE(first.find("07 Nov 2027 01:45:01 -0400"), std::string::npos) << first;
  EXPECT_NE(second.find("07 Nov 2027 01:45:01 -0500"), std::string::npos) << second;
}

TEST(MimeBuild, AttachmentsKeepTheirNamesAndEveryByteOverCrLfWithoutABareLineFeed) {
  OutgoingMail m = Sample();
  m.attachments.push_back({"naïve notes.txt", "n.txt", "line 1\r\nline 2\n"});
  m.attachments.push_back({"latin1.txt", "l.txt", "caf\xe9\n"});
  const std::string mime = BuildMime(m, LineEnding::kCrLf);
  for (std::size_t i = mime.find('\n'); i != std::string::npos; i = mime.find('\n', i + 1))
    ASSERT_EQ(mime[i - 1], '\r') << "bare LF at " << i;
  // A text file that is not UTF-8 goes as bytes. (Binary attachments: end to end.)
  const ParsedMail back = ParseMime(mime);
  EXPECT_EQ(back.body, "Hello,\r\nthe numbers are attached.\r\n");
  ASSERT_EQ(back.attachments.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(back.attachments[i].fileName, m.attachments[i].displayName);
    EXPECT_EQ(back.attachments[i].bytes, m.attachments[i].bytes) << m.attachments[i].displayName;
  }
}

}  // namespace
}  // namespace velmora::posix
