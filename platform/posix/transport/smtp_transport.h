// Submission to an SMTP server through libcurl: smtp:// (with STARTTLS when
// the server offers it) or smtps://, credentials from ~/.netrc when it has an
// entry for the server (never stored by us), MAIL FROM the mail's sender and
// RCPT TO every envelope recipient, Bcc included.
#pragma once

#include <string>

#include "platform/posix/store/transport.h"

namespace velmora::posix {

class SmtpTransport final : public Transport {
 public:
  struct Options {
    long connectTimeoutSeconds = 30;
    // A transfer slower than 1 byte a second for this long is given up.
    long stallSeconds = 120;
    // For tests against a server without TLS: no STARTTLS attempt.
    bool tryStartTls = true;
  };

  explicit SmtpTransport(std::string url);
  SmtpTransport(std::string url, Options options);

  // Raises HostError with curl's reason and the server's last reply line;
  // store_err::kHeldBack when the whole mail went but its reply did not
  // come (the server may have taken it).
  void Deliver(const OutgoingMail& mail) override;

  const std::string& Url() const noexcept { return url_; }

 private:
  std::string url_;
  Options options_;
};

}  // namespace velmora::posix
