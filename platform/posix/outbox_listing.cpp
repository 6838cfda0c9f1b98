#include "platform/posix/outbox_listing.h"

#include <string_view>

#include "addin/store/host.h"
#include "platform/posix/schedule_listing.h"
#include "platform/posix/store/mail_store.h"

namespace velmora::posix {

namespace {

OutboxState StateOf(const ItemFields& f) {
  if (f.transmission == transmission::kHeld) return OutboxState::kHeld;
  if (!f.submitted) return OutboxState::kNotSubmitted;
  return f.transmission == transmission::kUnderway ? OutboxState::kUnderway : OutboxState::kWaiting;
}

}  // namespace

std::vector<OutboxEntry> ListOutbox(MailStore& store) {
  sql::ReadTransaction snapshot(store.Db());
  std::vector<OutboxEntry> out;
  for (const std::string& id : store.ItemIds(store.DefaultFolder(host::ol::kFolderOutbox).id)) {
    const auto item = store.LoadItem(id);
    if (!item) continue;
    out.push_back({id, item->fields.to, item->fields.subject, StateOf(item->fields)});
  }
  return out;
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

std::string OutboxJson(const std::vector<OutboxEntry>& entries) {
  JsonObjects json;
  for (const OutboxEntry& e : entries) {
    json.Next();
    json.Field("entryId", e.entryId);
    json.Field("to", e.to);
    json.Field("subject", e.subject);
    json.Field("state", OutboxStateName(e.state));
  }
  return json.Finish();
}

}  // namespace velmora::posix
