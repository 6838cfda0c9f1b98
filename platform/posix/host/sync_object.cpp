#include "platform/posix/host/sync_object.h"

#include <ctime>
#include <optional>

#include "common/host_error.h"
#include "common/services.h"
#include "common/trap.h"
#include "platform/posix/store/recipients.h"
#include "platform/posix/store/store_error.h"
#include "platform/posix/system_clock.h"

namespace velmora::posix {

namespace {

std::string DomainOf(const std::string& address) {
  if (!IsValidAddress(address)) return "localhost";
  return address.substr(address.rfind('@') + 1);
}

// The moment itself when the host runs on the system's clock: a wall-clock
// time in the hour repeated at the end of summer time names two moments, and
// the Date header must carry the offset of the right one. None under a
// test's clock.
std::optional<std::int64_t> SendInstant(HostContext& ctx) {
  const Clock* clock = ctx.Ports().clock ? ctx.Ports().clock : GetServices().clock;
  if (clock && !dynamic_cast<const SystemClock*>(clock)) return std::nullopt;
  return static_cast<std::int64_t>(std::time(nullptr));
}

}  // namespace

OutgoingMail BuildOutgoing(MailStore& store, const ItemRecord& item, const std::string& from,
                           DateTime now) {
  const auto& f = item.fields;
  OutgoingMail m;
  m.from = from;
  m.to = f.to;
  m.cc = f.cc;
  m.bcc = f.bcc;
  for (const auto* list : {&f.to, &f.cc, &f.bcc})
    for (auto& r : SplitRecipients(*list))
      m.recipients.push_back(std::move(r.address));
  m.subject = f.subject;
  m.body = f.body;
  m.date = now;
  m.messageId = "<" + item.entryId + "@" + DomainOf(from) + ">";
  m.importance = f.importance;
  for (const auto& a : item.attachments)
    m.attachments.push_back({a.displayName, a.fileName, store.AttachmentBytes(a.id)});
  return m;
}

void HostSyncObject::Start() {
  auto ctx = ctx_.lock();
  if (!ctx || ctx->ShutDown()) Raise(store_err::kFailed, "The operation failed. (host closed)");
  if (!ctx->Ports().dispatcher)
    Raise(store_err::kFailed,
          "The operation failed. (The host has no event loop for send/receive)");
  if (running_) return;
  running_ = true;
  stopRequested_ = false;
  Post(&HostSyncObject::Begin);
}

void HostSyncObject::Stop() {
  if (running_) stopRequested_ = true;
}

void HostSyncObject::Post(Step step) {
  auto ctx = ctx_.lock();
  if (!ctx || !ctx->Ports().dispatcher) {
    running_ = false;
    return;
  }
  std::weak_ptr<HostSyncObject> weak = weak_from_this();
  ctx->Ports().dispatcher->Post([weak, step] {
    auto self = weak.lock();
    if (!self) return;
    // Nothing may escape into the event loop; a failed step still ends the run.
    if (!Ignore([&] { ((*self).*step)(); })) self->Finish();
  });
}

void HostSyncObject::Begin() {
  auto ctx = ctx_.lock();
  if (!ctx || ctx->ShutDown()) {
    running_ = false;
    return;
  }
  syncStart_.Raise();
  // Collected first: transmitting moves items out of the Outbox.
  auto& store = ctx->Store();
  const auto outbox = store.DefaultFolder(host::ol::kFolderOutbox).id;
  queue_.clear();
  done_ = 0;
  for (const auto& id : store.ItemIds(outbox)) {
    const auto item = store.LoadItem(id);
    if (item && item->fields.submitted) queue_.push_back(id);
  }
  progress_.Raise(host::ol::kSyncStarted, "Sending", 0, static_cast<int>(queue_.size()));
  Post(&HostSyncObject::Next);
}

void HostSyncObject::Next() {
  auto ctx = ctx_.lock();
  if (!ctx || ctx->ShutDown() || stopRequested_ || done_ >= queue_.size()) {
    Finish();
    return;
  }
  const int total = static_cast<int>(queue_.size());
  Transmit(*ctx, queue_[done_]);
  ++done_;
  progress_.Raise(host::ol::kSyncStarted,
                  "Sending message " + std::to_string(done_) + " of " + std::to_string(total),
                  static_cast<int>(done_), total);
  Post(&HostSyncObject::Next);
}

void HostSyncObject::Finish() {
  if (!running_) return;
  running_ = false;
  const int total = static_cast<int>(queue_.size());
  const bool stopped = stopRequested_;
  stopRequested_ = false;
  queue_.clear();
  auto ctx = ctx_.lock();
  if (!ctx || ctx->ShutDown()) return;
  progress_.Raise(host::ol::kSyncStopped, stopped ? "Stopped" : "Completed",
                  static_cast<int>(done_), total);
  syncEnd_.Raise();
}

void HostSyncObject::Transmit(HostContext& ctx, const std::string& entryId) {
  auto& store = ctx.Store();
  const auto item = store.LoadItem(entryId);
  // Sent, moved or recalled since the run began: nothing to do.
  if (!item || !item->fields.submitted ||
      item->folderId != store.DefaultFolder(host::ol::kFolderOutbox).id)
    return;
  const auto report = [&](long code, const std::string& why) {
    error_.Raise(static_cast<int>(code), "\"" + item->fields.subject + "\": " + why);
  };
  const std::string from = item->fields.from.empty() ? ctx.DefaultFrom() : item->fields.from;
  auto mail = BuildOutgoing(store, *item, from, ctx.Now());
  mail.sentAt = SendInstant(ctx);
  if (mail.recipients.empty())
    return report(store_err::kNoRecipients, "The message has no recipients.");
  for (const auto& address : mail.recipients)
    if (!IsValidAddress(address))
      return report(store_err::kFailed, "\"" + address + "\" is not a valid e-mail address.");
  const auto hold = [&](const std::string& why) {
    store.SetTransmission(entryId, transmission::kHeld);
    held_.Raise(entryId, item->fields.subject);
    report(store_err::kHeldBack, why);
  };
  Transport* transport = ctx.Ports().transport;
  const bool canAsk = transport && transport->CanDetectRedelivery();
  if (item->fields.transmission == transmission::kUnderway) {
    // Handed over by a host that died (or could not record the outcome):
    // the mail may have left. Only a transport that can tell decides.
    if (!canAsk) return hold("This message may already have been sent; it was not sent again.");
    if (transport->AlreadyDelivered(mail.messageId))
      return store.MarkSent(entryId, mail.date, from);
  }
  if (!transport) return report(store_err::kFailed, "No mail transport is configured.");
  if (!canAsk) store.SetTransmission(entryId, transmission::kUnderway);
  try {
    transport->Deliver(mail);
  } catch (...) {
    const auto e = DescribeCurrentException();
    // The transport cannot say whether the mail arrived (its reply was lost).
    if (e.number == store_err::kHeldBack) return hold(e.description);
    // The transport says it did not deliver: the next send/receive retries.
    if (!canAsk) Ignore([&] { store.SetTransmission(entryId, transmission::kNone); });
    return report(e.number ? e.number : store_err::kFailed, e.description);
  }
  store.MarkSent(entryId, mail.date, from);
}

host::SubscriptionPtr HostSyncObject::OnSyncStart(std::function<void()> h) {
  return ConnectGuarded(syncStart_, "SyncObject.SyncStart", std::move(h));
}

host::SubscriptionPtr HostSyncObject::OnProgress(
    std::function<void(int, const std::string&, int, int)> h) {
  return ConnectGuarded(progress_, "SyncObject.Progress", std::move(h));
}

host::SubscriptionPtr HostSyncObject::OnError(std::function<void(int, const std::string&)> h) {
  return ConnectGuarded(error_, "SyncObject.OnError", std::move(h));
}

host::SubscriptionPtr HostSyncObject::OnSyncEnd(std::function<void()> h) {
  return ConnectGuarded(syncEnd_, "SyncObject.SyncEnd", std::move(h));
}

host::SubscriptionPtr HostSyncObject::OnHeld(
    std::function<void(const std::string&, const std::string&)> h) {
  return ConnectGuarded(held_, "SyncObject.Held", std::move(h));
}

host::SyncObjectPtr HostSyncObjects::Item(int index) {
  if (index != 1) RaiseBadIndex(index);
  return ctx_->SyncGroup();
}

}  // namespace velmora::posix
