// A standalone host in memory for the store tests: a manual clock, an event
// loop drained by hand, a recording transport, and small helpers to make mails
// and to read the error a call raised.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "addin/store/host.h"
#include "common/host_error.h"
#include "platform/posix/host/mail_host.h"
#include "support/manual_clock.h"
#include "support/manual_dispatcher.h"
#include "support/recording_transport.h"

namespace velmora::test {

// The number of the HostError the call raised; 0 when it raised none.
template <class F>
long ErrorOf(F&& f) {
  try {
    f();
  } catch (const HostError& e) {
    return e.Number();
  }
  return 0;
}

class MailHostTest : public ::testing::Test {
 protected:
  ManualClock clock{DateTime::FromParts(2026, 12, 7, 9, 0, 0)};
  ManualDispatcher loop;
  RecordingTransport wire;
  std::unique_ptr<posix::MailHost> mail = posix::MailHost::OpenInMemory(
      {.dispatcher = &loop, .transport = &wire, .clock = &clock, .locale = nullptr});
  host::ApplicationPtr app = mail->App();
  host::NameSpacePtr ns = app->GetNamespace("MAPI");

  host::FolderPtr Default(int kind) { return ns->GetDefaultFolder(kind); }
  host::FolderPtr Inbox() { return Default(host::ol::kFolderInbox); }
  host::FolderPtr Outbox() { return Default(host::ol::kFolderOutbox); }
  host::FolderPtr Drafts() { return Default(host::ol::kFolderDrafts); }
  host::FolderPtr SentItems() { return Default(host::ol::kFolderSentMail); }
  host::FolderPtr DeletedItems() { return Default(host::ol::kFolderDeletedItems); }

  // A saved mail in the folder.
  host::MailItemPtr SavedMail(const host::FolderPtr& folder, const std::string& subject,
                              const std::string& to = "ann@example.com") {
    auto item = folder->Items()->Add(host::ol::kMailItem);
    item->SetSubject(subject);
    item->SetTo(to);
    item->Save();
    return item;
  }
};

}  // namespace velmora::test
