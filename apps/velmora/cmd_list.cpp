// velmora list: the scheduled-mail folder as its view shows it — To,
// Subject, Next Occurrence — with each mail's pattern in words; --outbox for
// the mails that wait in the Outbox, held ones among them; --sent and
// --drafts for those folders; --json for programs, each field spelt alike in
// every listing. Reads only: it works in a home the user cannot write to.
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

// Column widths: the widest value up to a cap, at least the heading's.
template <class Entries, class Field>
std::size_t WidthOf(const Entries& entries, std::size_t heading, std::size_t cap, Field field) {
  std::size_t width = heading;
  for (const auto& e : entries)
    width = std::max(width, std::min(posix::DisplayWidth(field(e)), cap));
  return width;
}

class ListCommand final : public Command {
 public:
  void Define(CLI::App& sub) override {
    sub.add_flag("--json", json_,
                 "Print a JSON array, one object per mail. Every object: entryId, to, "
                 "subject; the scheduled mails add cc, bcc, scheduleTime, scheduleTimeText, "
                 "recurrenceText; --outbox adds state (waiting, underway, held, not "
                 "submitted), nextAttempt, nextAttemptText, missingSources; --sent adds "
                 "sentTime, sentTimeText, missingSources. A time X: X in ISO 8601 local "
                 "time, XText in the regional settings, both null when none. missingSources: "
                 "the attachment sources the mail left without, separated by \"; \"");
    sub.add_flag("--outbox", outbox_,
                 "List the mails in the Outbox instead: To, Subject, where each stands "
                 "(waiting, with the next attempt after a failed delivery; held because it "
                 "may already have been sent) and its id");
    sub.add_flag("--sent", sent_,
                 "List the mails in Sent Items instead: To, Subject, when each left, any "
                 "attachment source it left without, and its id")
        ->excludes("--outbox");
    sub.add_flag("--drafts", drafts_,
                 "List the mails in Drafts instead (cancelled ones; velmora reschedule ID "
                 "schedules one again): To, Subject and the id")
        ->excludes("--outbox")
        ->excludes("--sent");
  }

  bool ReadsOnly() const override { return true; }

  int Run(std::ostream& out) override {
    StoreSession session;
    if (outbox_ || sent_ || drafts_) return ListMailFolder(session, out);
    host::FolderPtr folder = session.VelmoraFolder(false);
    // One snapshot for the whole listing: consistent, and the store then
    // reads the folder once rather than asking at every item whether
    // another process has written.
    posix::sql::ReadTransaction snapshot(session.Host().Store().Db());
    std::vector<posix::ScheduledEntry> entries = posix::ListScheduled(folder);
    posix::SortByNextTime(entries);
    if (json_) {
      out << posix::ListJson(entries);
      return out ? 0 : 1;
    }
    if (entries.empty()) {
      out << "No scheduled mails.\n";
      HeldNote(session, out);
      return out ? 0 : 1;
    }
    const std::size_t toWidth = WidthOf(entries, 2, 32, [](const auto& e) { return e.to; });
    const std::size_t subjectWidth =
        WidthOf(entries, 7, 40, [](const auto& e) { return e.subject; });
    out << posix::Column("To", toWidth) << "  " << posix::Column("Subject", subjectWidth) << "  "
        << posix::Column("Next Occurrence", 22) << "  Pattern\n";
    for (const auto& e : entries) {
      out << posix::Column(e.to, toWidth) << "  " << posix::Column(e.subject, subjectWidth) << "  "
          << posix::Column(e.scheduleTime ? DateText(*e.scheduleTime) : "(not scheduled)", 22)
          << "  " << (e.scheduleTime ? posix::PatternInWords(e.record) : "-") << "\n"
          << "  id " << e.entryId << "\n";
    }
    HeldNote(session, out);
    return out ? 0 : 1;
  }

 private:
  int ListMailFolder(StoreSession& session, std::ostream& out) {
    auto& store = session.Host().Store();
    const std::vector<posix::OutboxEntry> entries = sent_     ? posix::ListSent(store)
                                                    : drafts_ ? posix::ListDrafts(store)
                                                              : posix::ListOutbox(store);
    if (json_) {
      out << posix::OutboxJson(entries, sent_     ? posix::MailFolderKind::kSent
                                        : drafts_ ? posix::MailFolderKind::kDrafts
                                                  : posix::MailFolderKind::kOutbox);
      return out ? 0 : 1;
    }
    if (entries.empty()) {
      out << (sent_     ? "Sent Items is empty.\n"
              : drafts_ ? "Drafts is empty.\n"
                        : "The Outbox is empty.\n");
      return out ? 0 : 1;
    }
    const std::size_t toWidth = WidthOf(entries, 2, 32, [](const auto& e) { return e.to; });
    const std::size_t subjectWidth =
        WidthOf(entries, 7, 40, [](const auto& e) { return e.subject; });
    out << posix::Column("To", toWidth) << "  " << posix::Column("Subject", subjectWidth) << "  "
        << (sent_     ? "Sent"
            : drafts_ ? ""
                      : "State")
        << "\n";
    for (const auto& e : entries) {
      out << posix::Column(e.to, toWidth) << "  " << posix::Column(e.subject, subjectWidth) << "  "
          << (sent_     ? (e.sentTime ? DateText(*e.sentTime) : std::string())
              : drafts_ ? std::string()
                        : std::string(posix::OutboxStateText(e.state)))
          << (e.nextAttempt ? "; tried again at " + DateText(*e.nextAttempt) : "") << "\n"
          << "  id " << e.entryId << "\n";
      if (!e.missingSources.empty())
        out << "  sent without its attachment source(s): " << e.missingSources << "\n";
    }
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
  bool sent_ = false;
  bool drafts_ = false;
};

[[maybe_unused]] const bool kRegistered =
    RegisterCommand({"list",
                     "List the scheduled mails, the next due first: To, Subject, Next "
                     "Occurrence, the pattern in words and the id",
                     [] { return std::make_unique<ListCommand>(); }});

}  // namespace

}  // namespace velmora::cli
