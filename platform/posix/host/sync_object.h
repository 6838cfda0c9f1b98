// The standalone host's send/receive: one group, "All Accounts". Start only
// posts the work to the event loop; from there the group raises SyncStart,
// hands every submitted Outbox item to the transport (one item per posted
// step), moves what was delivered to Sent Items, reports a failed item with
// OnError and leaves it submitted in the Outbox, and ends with SyncEnd.
// A mail is sent at most once: before a transport that cannot tell a
// redelivery gets it, the item is marked underway (committed); an item a
// later run finds still marked is asked about where the transport can answer,
// else held back in the Outbox for the user (OnHeld and OnError).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "addin/store/host.h"
#include "platform/posix/host/host_context.h"

namespace velmora::posix {

inline constexpr const char* kSendReceiveGroup = "All Accounts";

class HostSyncObject final : public host::SyncObject,
                             public std::enable_shared_from_this<HostSyncObject> {
 public:
  explicit HostSyncObject(std::weak_ptr<HostContext> ctx) : ctx_(std::move(ctx)) {}
  std::string Name() override { return kSendReceiveGroup; }
  // A Start while the group runs is passed over. Raises when the host has no
  // event loop to run on.
  void Start() override;
  // The items not yet transmitted wait for the next Start; SyncEnd follows.
  void Stop() override;
  host::SubscriptionPtr OnSyncStart(std::function<void()> h) override;
  host::SubscriptionPtr OnProgress(
      std::function<void(int, const std::string&, int, int)> h) override;
  host::SubscriptionPtr OnError(std::function<void(int, const std::string&)> h) override;
  host::SubscriptionPtr OnSyncEnd(std::function<void()> h) override;
  // An item held back: (entry id, subject).
  host::SubscriptionPtr OnHeld(std::function<void(const std::string&, const std::string&)> h);

  bool Running() const { return running_; }

 private:
  using Step = void (HostSyncObject::*)();
  void Post(Step step);
  void Begin();
  void Next();
  void Finish();
  void Transmit(HostContext& ctx, const std::string& entryId);

  std::weak_ptr<HostContext> ctx_;
  bool running_ = false;
  bool stopRequested_ = false;
  std::vector<std::string> queue_;
  std::size_t done_ = 0;
  host::Event<> syncStart_;
  host::Event<int, const std::string&, int, int> progress_;
  host::Event<int, const std::string&> error_;
  host::Event<> syncEnd_;
  host::Event<const std::string&, const std::string&> held_;
};

class HostSyncObjects final : public host::SyncObjects {
 public:
  explicit HostSyncObjects(ContextPtr ctx) : ctx_(std::move(ctx)) {}
  int Count() override { return 1; }
  host::SyncObjectPtr Item(int index) override;

 private:
  ContextPtr ctx_;
};

// The mail as it leaves: the item's fields, its attachments' bytes, the
// sender (the item's, else the host's default) and a message id that stays
// the same for every attempt to send the item.
OutgoingMail BuildOutgoing(MailStore& store, const ItemRecord& item, const std::string& from,
                           DateTime now);

}  // namespace velmora::posix
