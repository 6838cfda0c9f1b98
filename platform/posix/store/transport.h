// Transport port of the standalone host: how a submitted mail leaves the
// Outbox (SMTP, a local Maildir, or a test's recorder). The send/receive group
// builds an OutgoingMail per submitted item and hands it over.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/datetime.h"

namespace velmora::posix {

struct OutgoingAttachment {
  std::string displayName;
  std::string fileName;
  std::string bytes;
};

struct OutgoingMail {
  std::string from;  // an address
  // The recipient lists as the user wrote them ("Name <a@b>; c@d").
  std::string to;
  std::string cc;
  std::string bcc;
  // Every recipient's bare address (To, Cc, then Bcc): the envelope.
  std::vector<std::string> recipients;
  std::string subject;
  std::string body;
  DateTime date;  // local time of sending
  // The moment of sending, seconds since the epoch, when known: the Date
  // header's offset is that of this moment (the wall-clock time alone is
  // ambiguous in the hour repeated at the end of summer time).
  std::optional<std::int64_t> sentAt;
  std::string messageId;  // "<...@...>", the same on every attempt for one item
  int importance = 1;     // 0 low, 1 normal, 2 high
  std::vector<OutgoingAttachment> attachments;
};

class Transport {
 public:
  virtual ~Transport() = default;
  // Delivers the mail or throws (a HostError with a number and description
  // tells the user why); a mail that failed stays in the Outbox.
  virtual void Deliver(const OutgoingMail& mail) = 0;

  // Whether AlreadyDelivered can tell that a mail reached its destination:
  // a mail whose transmission a killed host left unfinished is then asked
  // about rather than held back. An SMTP server cannot be asked.
  virtual bool CanDetectRedelivery() const { return false; }
  virtual bool AlreadyDelivered(std::string_view /*messageId*/) const { return false; }
};

}  // namespace velmora::posix
