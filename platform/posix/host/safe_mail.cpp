#include "platform/posix/host/safe_mail.h"

#include <vector>

#include "common/host_error.h"
#include "platform/posix/store/recipients.h"

namespace velmora::posix {

namespace {

std::vector<Recipient> AllRecipients(HostMailItem& item) {
  std::vector<Recipient> all;
  for (const auto& list : {item.To(), item.CC(), item.BCC()})
    for (auto& r : SplitRecipients(list))
      all.push_back(std::move(r));
  return all;
}

}  // namespace

void HostSafeMailItem::SetItem(host::MailItemPtr item) {
  if (!item) {
    item_.reset();
    return;
  }
  auto ours = std::dynamic_pointer_cast<HostMailItem>(item);
  if (!ours) Raise(err::kTypeMismatch, "Type mismatch (not an item of this host)");
  item_ = std::move(ours);
}

void HostSafeMailItem::Send() {
  Need(item_, "Object variable not set (Item)").Submit();
}

host::SafeRecipientsPtr HostSafeMailItem::Recipients() {
  Need(item_, "Object variable not set (Item)");
  return std::make_shared<HostSafeRecipients>(item_);
}

int HostSafeRecipients::Count() {
  return static_cast<int>(AllRecipients(*item_).size());
}

bool HostSafeRecipients::ResolveAll() {
  for (const auto& r : AllRecipients(*item_))
    if (!IsValidAddress(r.address)) return false;
  return true;
}

host::SafeMailItemPtr HostObjectFactory::CreateSafeMailItem() {
  auto ctx = ctx_.lock();
  if (!ctx || !ctx->safeMailAvailable)
    Raise(err::kCannotCreateObject, "ActiveX component can't create object");
  return std::make_shared<HostSafeMailItem>();
}

}  // namespace velmora::posix
