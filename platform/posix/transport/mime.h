// Mails as MIME text, through GMime: the message a transport puts on the
// wire for an OutgoingMail (Bcc only in the envelope, never in the headers),
// and the reading of an .eml file into the parts a mail is composed of.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/store/transport.h"

namespace velmora::posix {

enum class LineEnding { kLf, kCrLf };

// The whole RFC 5322 message: From, To, Cc, Subject (RFC 2047 when not
// ASCII), Date (the mail's local time with the local offset), Message-ID,
// Importance and X-Priority when not normal, a text/plain UTF-8 body, and
// each attachment as a base64 part named by its display name. Maildir files
// keep LF line ends; SMTP wants CRLF.
std::string BuildMime(const OutgoingMail& mail, LineEnding ending = LineEnding::kLf);

// The content type for a file name by its extension, application/octet-stream
// when it is not one we know.
std::string GuessContentType(std::string_view fileName);

struct ParsedAttachment {
  std::string fileName;
  std::string bytes;
};

struct ParsedMail {
  std::string from;
  // Recipient lists in the form users type them ("Name <a@b>, c@d").
  std::string to;
  std::string cc;
  std::string bcc;
  std::string subject;
  std::string body;    // the first text/plain part that is not an attachment
  int importance = 1;  // 0 low, 1 normal, 2 high
  std::vector<ParsedAttachment> attachments;
};

// Raises HostError when the bytes do not read as a mail.
ParsedMail ParseMime(std::string_view bytes);

}  // namespace velmora::posix
