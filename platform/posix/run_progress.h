// What `velmora run` tells a person watching it: one line when the host
// starts (store, delivery, next due time), one per send/receive that
// delivered something (what went to whom, and the next due time), and one
// when it exits; silent when not enabled. Failures are the runtime's to
// print, watched or not.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "common/datetime.h"
#include "platform/posix/store/transport.h"

namespace velmora::posix {

class RunProgress {
 public:
  // `out` may be nullptr: nothing is printed then.
  explicit RunProgress(std::ostream* out) : out_(out) {}

  void Started(const std::string& storePath, const std::string& delivery,
               std::optional<DateTime> nextDue, bool sendAndExit);
  void Recovering(int mails);
  void Delivered(const OutgoingMail& mail);
  // The end of a send/receive; prints the line of what it delivered, if any.
  void SendReceiveEnded(const std::string& nextDueText);
  void Exiting(const std::string& why);

 private:
  void Line(const std::string& text);

  std::ostream* out_;
  std::vector<std::string> delivered_;
};

// The line for a mail held back in the Outbox because it may already have
// been sent, with the command that sends it again.
std::string HeldBackText(const std::string& subject, const std::string& entryId);

// Hands every mail to the real transport and tells the progress what left.
class ReportingTransport final : public Transport {
 public:
  ReportingTransport(Transport& inner, RunProgress& progress)
      : inner_(inner), progress_(progress) {}
  void Deliver(const OutgoingMail& mail) override;
  bool CanDetectRedelivery() const override { return inner_.CanDetectRedelivery(); }
  bool AlreadyDelivered(std::string_view messageId) const override {
    return inner_.AlreadyDelivered(messageId);
  }

 private:
  Transport& inner_;
  RunProgress& progress_;
};

}  // namespace velmora::posix
