// Submission to an SMTP server through libcurl: smtp:// (with STARTTLS when
// the server offers it) or smtps://, credentials from ~/.netrc when it has an
// entry for the server (never stored by us), MAIL FROM the mail's sender and
// RCPT TO every envelope recipient, Bcc included.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "platform/posix/store/transport.h"

namespace velmora::posix {

// Whether the mail must go over TLS or not at all: a plain smtp:// server
// that is not on loopback, and for which ~/.netrc holds credentials (curl
// would send them), unless the user allowed that (`insecure`).
bool MustRequireTls(std::string_view url, bool insecure);

struct SmtpOptions {
  bool insecure = false;  // credentials may go without TLS
  std::string caFile;     // certificates to trust besides the system's; empty: the system's
  // A server that does not answer must not hold the host: the connection is
  // given up after these, and a mail whose data went stays held as ever.
  // A server that stalls costs two replies' wait (the one it owes, then the
  // one to QUIT): about two minutes in all.
  long connectTimeoutSeconds = 30;
  long commandTimeoutSeconds = 60;  // for each reply, and for a stalled transfer
};

class SmtpTransport final : public Transport {
 public:
  explicit SmtpTransport(std::string url, SmtpOptions options = {})
      : url_(std::move(url)), options_(std::move(options)) {}

  // Raises HostError with curl's reason and the server's last reply line;
  // store_err::kHeldBack when the whole mail went but its reply did not
  // come (the server may have taken it).
  void Deliver(const OutgoingMail& mail) override;

 private:
  std::string url_;
  SmtpOptions options_;
};

}  // namespace velmora::posix
