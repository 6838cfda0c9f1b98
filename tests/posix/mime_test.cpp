// The MIME text a transport puts on the wire, read back with GMime itself:
// who is named in the headers (Bcc never), the encoded subject, the date with
// its offset, priorities, attachments with their names and exact bytes; and
// the reading of .eml files that `velmora schedule --eml` takes.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "common/host_error.h"
#include "platform/posix/transport/mime.h"
#include "scoped_env.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

OutgoingMail Sample() {
  OutgoingMail m;
  m.from = "me@example.com";
  m.to = "Ann Lee <ann@example.com>; bob@example.com";
  m.cc = "carl@example.com";
  m.bcc = "hidden@example.com";
  m.recipients = {"ann@example.com", "bob@example.com", "carl@example.com", "hidden@example.com"};
  m.subject = "Weekly report";
  m.body = "Hello,\nthe numbers are attached.\n";
  m.date = DateTime::FromParts(2026, 12, 7, 9, 30, 5);
  m.messageId = "<ABC123@example.com>";
  return m;
}

std::string HeaderBlock(const std::string& mime) {
  return mime.substr(0, mime.find("\n\n"));
}

TEST(MimeBuild, NamesSenderAndVisibleRecipientsButNeverBccWithTheIdAndLocalTime) {
  const std::string mime = BuildMime(Sample());
  const std::string headers = HeaderBlock(mime);
  EXPECT_NE(headers.find("From: me@example.com"), std::string::npos) << headers;
  EXPECT_NE(headers.find("ann@example.com"), std::string::npos);
  EXPECT_NE(headers.find("bob@example.com"), std::string::npos);
  EXPECT_NE(headers.find("Cc: carl@example.com"), std::string::npos);
  EXPECT_EQ(mime.find("hidden@example.com"), std::string::npos) << "Bcc leaked:\n" << mime;
  EXPECT_EQ(headers.find("Bcc"), std::string::npos);

  const ParsedMail back = ParseMime(mime);
  EXPECT_NE(back.to.find("Ann Lee"), std::string::npos) << back.to;
  EXPECT_TRUE(back.bcc.empty());
  EXPECT_EQ(back.body, Sample().body);
  EXPECT_NE(headers.find("Message-Id: <ABC123@example.com>"), std::string::npos) << headers;
  // RFC 5322: day, date, the local time as given, and a numeric offset.
  EXPECT_NE(headers.find("07 Dec 2026 09:30:05 "), std::string::npos) << headers;
  const auto date = headers.find("Date: ");
  ASSERT_NE(date, std::string::npos);
  const std::string line = headers.substr(date, headers.find('\n', date) - date);
  const char sign = line[line.size() - 5];
  EXPECT_TRUE(sign == '+' || sign == '-') << line;
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

TEST(MimeBuild, AttachmentsKeepTheirNamesAndEveryByte) {
  OutgoingMail m = Sample();
  std::string binary;
  for (int i = 0; i < 600; ++i)
    binary += static_cast<char>(i % 256);  // NULs, high bytes, line ends
  m.attachments.push_back({"report.pdf", "r.pdf", binary});
  m.attachments.push_back({"naïve notes.txt", "n.txt", "line 1\r\nline 2\n"});
  m.attachments.push_back({"data.unknownext", "d", ""});
  const std::string mime = BuildMime(m);
  EXPECT_NE(mime.find("Content-Transfer-Encoding: base64"), std::string::npos);
  EXPECT_NE(mime.find("application/pdf"), std::string::npos);
  EXPECT_NE(mime.find("application/octet-stream"), std::string::npos);

  const ParsedMail back = ParseMime(mime);
  EXPECT_EQ(back.body, m.body);
  ASSERT_EQ(back.attachments.size(), 3u);
  EXPECT_EQ(back.attachments[0].fileName, "report.pdf");
  EXPECT_EQ(back.attachments[0].bytes, binary);
  EXPECT_EQ(back.attachments[1].fileName, "naïve notes.txt");
  EXPECT_EQ(back.attachments[1].bytes, "line 1\r\nline 2\n");
  EXPECT_NE(mime.find("text/plain; charset=utf-8"), std::string::npos) << "a UTF-8 text file";
  EXPECT_EQ(back.attachments[2].fileName, "data.unknownext");
  EXPECT_EQ(back.attachments[2].bytes, "");
}

TEST(MimeBuild, ATextFileThatIsNotUtf8GoesAsBytes) {
  OutgoingMail m = Sample();
  m.attachments.push_back({"latin1.txt", "l.txt", "caf\xe9\n"});
  const std::string mime = BuildMime(m);
  // The body alone says UTF-8; the file goes as bytes.
  const auto body = mime.find("text/plain; charset=utf-8");
  EXPECT_EQ(mime.find("text/plain; charset=utf-8", body + 1), std::string::npos);
  EXPECT_NE(mime.find("application/octet-stream"), std::string::npos);
  EXPECT_EQ(ParseMime(mime).attachments.at(0).bytes, "caf\xe9\n");
}

TEST(MimeBuild, CrLfLineEndsForSmtpHaveNoBareLineFeed) {
  OutgoingMail m = Sample();
  m.attachments.push_back({"a.txt", "a.txt", "x\ny\n"});
  const std::string mime = BuildMime(m, LineEnding::kCrLf);
  for (std::size_t i = 0; i < mime.size(); ++i) {
    if (mime[i] == '\n') {
      ASSERT_TRUE(i > 0 && mime[i - 1] == '\r') << "bare LF at " << i;
    }
  }
  EXPECT_EQ(ParseMime(mime).attachments.at(0).bytes, "x\ny\n");
}

}  // namespace
}  // namespace velmora::posix
