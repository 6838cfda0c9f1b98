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
  std::string out = "[";
  bool first = true;
  for (const OutboxEntry& e : entries) {
    out += first ? "\n  {" : ",\n  {";
    first = false;
    const auto field = [&out](const char* name, std::string_view value, bool comma = true) {
      JsonString(out, name);
      out += ": ";
      JsonString(out, value);
      if (comma) out += ", ";
    };
    field("entryId", e.entryId);
    field("to", e.to);
    field("subject", e.subject);
    field("state", OutboxStateName(e.state), false);
    out += "}";
  }
  out += entries.empty() ? "]\n" : "\n]\n";
  return out;
}

}  // namespace velmora::posix
