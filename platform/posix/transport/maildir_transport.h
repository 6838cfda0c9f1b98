// Local delivery into a Maildir, the standalone host's default transport: a
// mail is written under tmp/, synced, and renamed into new/, so a reader never
// sees half a mail and a crash leaves at worst a stray file in tmp/. Each
// file name carries a tag derived from the Message-ID, so a mail that was
// delivered just before a crash (and is still in the Outbox, unmarked) is
// recognised and not delivered twice.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/posix/store/transport.h"

namespace velmora::posix {

class MaildirTransport final : public Transport {
 public:
  explicit MaildirTransport(std::filesystem::path maildir);

  // Creates <maildir>/{tmp,new,cur} (0700) when missing. A mail whose
  // Message-ID is already in new/ or cur/ is not written again.
  void Deliver(const OutgoingMail& mail) override;

  bool CanDetectRedelivery() const override { return true; }
  // True when a mail with this Message-ID lies in new/ or cur/.
  bool AlreadyDelivered(std::string_view messageId) const override;

  const std::filesystem::path& Path() const noexcept { return maildir_; }

  // The part of a file name that stands for the Message-ID ("_V" and 16 hex
  // digits), the same for every delivery of one mail.
  static std::string MessageTag(std::string_view messageId);

 private:
  std::string UniqueName(std::string_view messageId);

  std::filesystem::path maildir_;
  unsigned counter_ = 0;
};

}  // namespace velmora::posix
