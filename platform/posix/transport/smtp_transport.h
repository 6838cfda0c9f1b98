// Submission to an SMTP server through libcurl: smtp:// (with STARTTLS when
// the server offers it) or smtps://, credentials from ~/.netrc when it has an
// entry for the server (never stored by us), MAIL FROM the mail's sender and
// RCPT TO every envelope recipient, Bcc included.
#pragma once

#include <string>
#include <utility>

#include "platform/posix/store/transport.h"

namespace velmora::posix {

class SmtpTransport final : public Transport {
 public:
  explicit SmtpTransport(std::string url) : url_(std::move(url)) {}

  // Raises HostError with curl's reason and the server's last reply line;
  // store_err::kHeldBack when the whole mail went but its reply did not
  // come (the server may have taken it).
  void Deliver(const OutgoingMail& mail) override;

 private:
  std::string url_;
};

}  // namespace velmora::posix
