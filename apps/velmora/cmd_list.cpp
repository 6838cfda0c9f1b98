// velmora list: the scheduled-mail folder as its view shows it — To,
// Subject, Next Occurrence — with each mail's pattern in words; --outbox for
// the mails that wait in the Outbox, held ones among them; --json for
// programs.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "apps/velmora/command.h"
#include "apps/velmora/store_session.h"
#include "common/services.h"
#include "common/text.h"
#include "platform/posix/outbox_listing.h"
#include "platform/posix/schedule_listing.h"
#include "platform/posix/store/sqlite.h"

namespace velmora::cli {

namespace {

std::string Clip(const std::string& s, std::size_t width) {
  if (Utf8Length(s) <= width) return s;
  // Cut on a character boundary, leaving room for the ellipsis.
  std::size_t chars = 0, i = 0;
  for (; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && chars++ == width - 1) break;
  }
  return s.substr(0, i) + "…";
}

std::string Pad(const std::string& s, std::size_t width) {
  const std::size_t n = Utf8Length(s);
  return n >= width ? s : s + std::string(width - n, ' ');
}

class ListCommand final : public Command {
 public:
  void Define(CLI::App& sub) override {
    sub.add_flag("--json", json_, "One JSON object per mail, for programs");
    sub.add_flag("--outbox", outbox_,
                 "List the mails in the Outbox (waiting, or held because they may already "
                 "have been sent) instead");
  }

  int Run(std::ostream& out) override {
    StoreSession session;
    if (outbox_) return ListOutbox(session, out);
    host::FolderPtr folder = session.VelmoraFolder(false);
    // One snapshot for the whole listing: consistent, and the store then
    // reads the folder once rather than asking at every item whether
    // another process has written.
    posix::sql::ReadTransaction snapshot(session.Host().Store().Db());
    const std::vector<posix::ScheduledEntry> entries = posix::ListScheduled(folder);
    if (json_) {
      out << posix::ListJson(entries);
      return out ? 0 : 1;
    }
    if (entries.empty()) {
      out << "No scheduled mails.\n";
      HeldNote(session, out);
      return out ? 0 : 1;
    }
    std::size_t toWidth = 2, subjectWidth = 7;
    for (const auto& e : entries) {
      toWidth = std::max(toWidth, std::min<std::size_t>(Utf8Length(e.to), 32));
      subjectWidth = std::max(subjectWidth, std::min<std::size_t>(Utf8Length(e.subject), 40));
    }
    out << Pad("To", toWidth) << "  " << Pad("Subject", subjectWidth) << "  "
        << Pad("Next Occurrence", 22) << "  Pattern\n";
    for (const auto& e : entries) {
      out << Pad(Clip(e.to, toWidth), toWidth) << "  "
          << Pad(Clip(e.subject, subjectWidth), subjectWidth) << "  "
          << Pad(e.scheduleTime ? DateText(*e.scheduleTime) : "(not scheduled)", 22) << "  "
          << (e.scheduleTime ? posix::PatternInWords(e.record) : "-") << "\n"
          << "  id " << e.entryId << "\n";
    }
    HeldNote(session, out);
    return out ? 0 : 1;
  }

 private:
  int ListOutbox(StoreSession& session, std::ostream& out) {
    const std::vector<posix::OutboxEntry> entries = posix::ListOutbox(session.Host().Store());
    if (json_) {
      out << posix::OutboxJson(entries);
      return out ? 0 : 1;
    }
    if (entries.empty()) {
      out << "The Outbox is empty.\n";
      return out ? 0 : 1;
    }
    std::size_t toWidth = 2, subjectWidth = 7;
    for (const auto& e : entries) {
      toWidth = std::max(toWidth, std::min<std::size_t>(Utf8Length(e.to), 32));
      subjectWidth = std::max(subjectWidth, std::min<std::size_t>(Utf8Length(e.subject), 40));
    }
    out << Pad("To", toWidth) << "  " << Pad("Subject", subjectWidth) << "  State\n";
    for (const auto& e : entries)
      out << Pad(Clip(e.to, toWidth), toWidth) << "  "
          << Pad(Clip(e.subject, subjectWidth), subjectWidth) << "  "
          << posix::OutboxStateText(e.state) << "\n"
          << "  id " << e.entryId << "\n";
    return out ? 0 : 1;
  }

  // Held mails need the user: the ordinary listing points at them.
  static void HeldNote(StoreSession& session, std::ostream& out) {
    std::size_t held = 0;
    for (const auto& e : posix::ListOutbox(session.Host().Store()))
      if (e.state == posix::OutboxState::kHeld) ++held;
    if (held > 0)
      out << held
          << " mail(s) held in the Outbox: they may already have been sent (velmora list "
             "--outbox; velmora resend ID sends one again)\n";
  }

  bool json_ = false;
  bool outbox_ = false;
};

[[maybe_unused]] const bool kRegistered =
    RegisterCommand({"list", "List the scheduled mails with their next occurrence and pattern",
                     [] { return std::make_unique<ListCommand>(); }});

}  // namespace

}  // namespace velmora::cli
