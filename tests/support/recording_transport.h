// A mail transport for tests: records what it is given, and fails on demand
// (every mail, or those whose subject holds a text) with a chosen error.
#pragma once

#include <string>
#include <vector>

#include "common/host_error.h"
#include "platform/posix/store/transport.h"

namespace velmora::test {

class RecordingTransport final : public posix::Transport {
 public:
  void Deliver(const posix::OutgoingMail& mail) override {
    ++attempts_;
    if (failAll_ || (!failSubject_.empty() && mail.subject.find(failSubject_) != std::string::npos))
      throw HostError(failNumber_, failText_);
    sent_.push_back(mail);
  }

  // Every delivery fails from now on, with this error.
  void FailAll(long number = 421, std::string text = "Service not available") {
    failAll_ = true;
    failNumber_ = number;
    failText_ = std::move(text);
  }
  // Deliveries of mails whose subject contains `part` fail.
  void FailSubject(std::string part, long number = 550, std::string text = "Mailbox unavailable") {
    failSubject_ = std::move(part);
    failNumber_ = number;
    failText_ = std::move(text);
  }
  void Heal() {
    failAll_ = false;
    failSubject_.clear();
  }

  const std::vector<posix::OutgoingMail>& Sent() const { return sent_; }
  int Attempts() const { return attempts_; }

 private:
  std::vector<posix::OutgoingMail> sent_;
  int attempts_ = 0;
  bool failAll_ = false;
  std::string failSubject_;
  long failNumber_ = 421;
  std::string failText_;
};

}  // namespace velmora::test
