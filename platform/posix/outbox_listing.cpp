#include "platform/posix/outbox_listing.h"

#include <string_view>
#include <variant>

#include "common/services.h"

#include "addin/store/host.h"
#include "platform/posix/delivery_retry.h"
#include "platform/posix/schedule_listing.h"
#include "platform/posix/store/mail_store.h"

namespace velmora::posix {

namespace {

OutboxState StateOf(const ItemFields& f) {
  if (f.transmission == transmission::kHeld) return OutboxState::kHeld;
  if (!f.submitted) return OutboxState::kNotSubmitted;
  return f.transmission == transmission::kUnderway ? OutboxState::kUnderway : OutboxState::kWaiting;
}

std::string MissingSourcesOf(const ItemRecord& item) {
  for (const PropRecord& p : item.props)
    if (p.name == kMissingSourcesProperty)
      if (const auto* text = std::get_if<std::string>(&p.value)) return *text;
  return {};
}

std::vector<OutboxEntry> ListFolder(MailStore& store, int defaultFolder) {
  sql::ReadTransaction snapshot(store.Db());
  std::vector<OutboxEntry> out;
  for (const std::string& id : store.ItemIds(store.DefaultFolder(defaultFolder).id)) {
    const auto item = store.LoadItem(id);
    if (!item) continue;
    out.push_back({id, item->fields.to, item->fields.subject, StateOf(item->fields),
                   MissingSourcesOf(*item), item->fields.sentTime});
  }
  return out;
}

// `name` in ISO 8601 and `name`Text in the regional settings, as the
// scheduled listing gives scheduleTime; null both when there is no time.
void TimeFields(JsonObjects& json, const std::string& name, const std::optional<DateTime>& t) {
  const std::string iso = t ? IsoDateTime(*t) : std::string();
  const std::string text = t ? DateText(*t) : std::string();
  json.FieldOrNull(name.c_str(), t ? &iso : nullptr);
  json.FieldOrNull((name + "Text").c_str(), t ? &text : nullptr);
}

}  // namespace

std::vector<OutboxEntry> ListOutbox(MailStore& store) {
  std::vector<OutboxEntry> entries = ListFolder(store, host::ol::kFolderOutbox);
  if (const RetryState retry = LoadRetry(store); retry.at)
    for (OutboxEntry& e : entries)
      if (e.state == OutboxState::kWaiting) e.nextAttempt = retry.at;
  return entries;
}

std::vector<OutboxEntry> ListSent(MailStore& store) {
  return ListFolder(store, host::ol::kFolderSentMail);
}

std::vector<OutboxEntry> ListDrafts(MailStore& store) {
  return ListFolder(store, host::ol::kFolderDrafts);
}

const char* OutboxStateName(OutboxState state) {
  switch (state) {
    case OutboxState::kWaiting:
      return "waiting";
    case OutboxState::kUnderway:
      return "underway";
    case OutboxState::kHeld:
      return "held";
    case OutboxState::kNotSubmitted:
      break;
  }
  return "not submitted";
}

const char* OutboxStateText(OutboxState state) {
  switch (state) {
    case OutboxState::kWaiting:
      return "waiting for the next send/receive";
    case OutboxState::kUnderway:
      return "being sent, or left so by a host that stopped";
    case OutboxState::kHeld:
      return "held: may already have been sent (velmora resend ID)";
    case OutboxState::kNotSubmitted:
      break;
  }
  return "not submitted (velmora resend ID)";
}

std::string OutboxJson(const std::vector<OutboxEntry>& entries, MailFolderKind kind) {
  JsonObjects json;
  for (const OutboxEntry& e : entries) {
    json.Next();
    json.Field("entryId", e.entryId);
    json.Field("to", e.to);
    json.Field("subject", e.subject);
    if (kind == MailFolderKind::kDrafts) continue;
    if (kind == MailFolderKind::kSent) {
      TimeFields(json, "sentTime", e.sentTime);
    } else {
      json.Field("state", OutboxStateName(e.state));
      TimeFields(json, "nextAttempt", e.nextAttempt);
    }
    json.Field("missingSources", e.missingSources);
  }
  return json.Finish();
}

}  // namespace velmora::posix
