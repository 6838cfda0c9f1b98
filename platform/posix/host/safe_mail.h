// The safe-send objects of the standalone host: SafeMailItem submits a mail
// from the Outbox and reads its recipients; the object factory creates it by
// class name, or fails as it does where the library is not installed.
#pragma once

#include <memory>

#include "addin/store/host.h"
#include "platform/posix/host/host_context.h"
#include "platform/posix/host/mail_item.h"

namespace velmora::posix {

class HostSafeMailItem final : public host::SafeMailItem {
 public:
  void SetItem(host::MailItemPtr item) override;
  host::MailItemPtr Item() override { return item_; }
  // Saves the item, moves it to the Outbox when it is elsewhere, and flags it
  // for the next send/receive. A sent item, or one without recipients, raises.
  void Send() override;
  host::SafeRecipientsPtr Recipients() override;

 private:
  std::shared_ptr<HostMailItem> item_;
};

// The recipients in To, Cc and Bcc.
class HostSafeRecipients final : public host::SafeRecipients {
 public:
  explicit HostSafeRecipients(std::shared_ptr<HostMailItem> item) : item_(std::move(item)) {}
  int Count() override;
  // True when every recipient has a valid address.
  bool ResolveAll() override;

 private:
  std::shared_ptr<HostMailItem> item_;
};

class HostObjectFactory final : public host::ObjectFactory {
 public:
  explicit HostObjectFactory(std::weak_ptr<HostContext> ctx) : ctx_(std::move(ctx)) {}
  // Raises error 429 while the host says the library is not installed.
  host::SafeMailItemPtr CreateSafeMailItem() override;

 private:
  std::weak_ptr<HostContext> ctx_;
};

}  // namespace velmora::posix
