// The standalone host's send/receive group: events only from the event loop,
// submitted Outbox items through the transport into Sent Items, and failed
// items kept submitted in the Outbox; the safe-send objects that submit them,
// and recipients split and checked.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/posix/store/recipients.h"
#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

using posix::IsValidAddress;
using posix::SplitRecipients;

class StoreSendReceive : public MailHostTest {
 protected:
  host::SyncObjectPtr group = ns->SyncObjects()->Item(1);
  std::vector<std::string> events;
  std::vector<host::SubscriptionPtr> subs;
  StoreSendReceive() {
    subs.push_back(group->OnSyncStart([this] { events.push_back("start"); }));
    subs.push_back(group->OnError([this](int code, const std::string& text) {
      events.push_back("error " + std::to_string(code) + " " + text);
    }));
    subs.push_back(group->OnSyncEnd([this] { events.push_back("end"); }));
  }

  // A mail submitted as the safe-send object submits it.
  host::MailItemPtr Submitted(const std::string& subject,
                              const std::string& to = "ann@example.com") {
    auto item = SavedMail(Drafts(), subject, to);
    auto safe = mail->Objects().CreateSafeMailItem();
    safe->SetItem(item);
    safe->Send();
    return item;
  }
  void Run() {
    group->Start();
    loop.Drain();
  }
  bool IsSubmitted(const host::MailItemPtr& item) {
    return mail->Store().LoadItem(item->EntryID())->fields.submitted;
  }
};

TEST_F(StoreSendReceive, SubmittedItemsLeaveFromTheEventLoopIntoSentItems) {
  auto item = Submitted("Weekly report", "Ann <ann@example.com>; bob@example.org");
  item->SetBCC("hidden@example.com");
  item->Save();
  clock.Set(DateTime::FromParts(2026, 12, 7, 10, 15, 0));
  group->Start();
  EXPECT_TRUE(wire.Sent().empty()) << "work done inside Start";
  loop.Drain();
  EXPECT_EQ(events, (std::vector<std::string>{"start", "end"}));
  ASSERT_EQ(wire.Sent().size(), 1u);
  EXPECT_EQ(wire.Sent()[0].recipients,
            (std::vector<std::string>{"ann@example.com", "bob@example.org", "hidden@example.com"}));
  ASSERT_EQ(SentItems()->Items()->Count(), 1);
  auto record = mail->Store().LoadItem(item->EntryID());
  EXPECT_TRUE(record->fields.sent);
  EXPECT_FALSE(record->fields.submitted);
  EXPECT_EQ(record->fields.sentTime, DateTime::FromParts(2026, 12, 7, 10, 15, 0));
}

// The refusals themselves are SmtpRefusal's; here one mail that cannot go
// holds back none of the others.
TEST_F(StoreSendReceive, WhatCannotLeaveStaysSubmittedAndGoesNextTime) {
  auto bad = Submitted("bad one");
  Submitted("good one");
  auto badAddress = Submitted("bad address", "ann@example.com; not an address");
  wire.FailSubject("bad one", 550, "Mailbox unavailable");
  Run();
  ASSERT_EQ(wire.Sent().size(), 1u);
  EXPECT_EQ(wire.Sent()[0].subject, "good one");
  EXPECT_TRUE(IsSubmitted(bad));
  EXPECT_TRUE(IsSubmitted(badAddress));
  wire.Heal();
  Run();
  EXPECT_EQ(wire.Sent().size(), 2u);
  EXPECT_EQ(Outbox()->Items()->Count(), 1);
}

TEST_F(StoreSendReceive, OnlyWhatIsStillSubmittedInTheOutboxLeaves) {
  auto kept = Submitted("kept");
  auto movedBefore = Submitted("moved out before");
  auto deletedBefore = Submitted("deleted before");
  auto movedDuring = Submitted("moved out during");
  auto deletedDuring = Submitted("deleted during");
  kept->Copy();  // the copy sits in the Outbox, not submitted
  movedBefore->Move(Drafts());
  deletedBefore->Delete();
  group->Start();
  loop.Drain(1);  // the run has listed what it will send
  movedDuring->Move(Drafts());
  deletedDuring->Delete();
  loop.Drain();
  ASSERT_EQ(wire.Sent().size(), 1u);
  EXPECT_EQ(wire.Sent()[0].messageId, "<" + kept->EntryID() + "@localhost>");
  EXPECT_EQ(Outbox()->Items()->Count(), 1);  // the copy
}

TEST_F(StoreSendReceive, AStartWhileRunningIsPassedOverAndAHandlerFailingOrDroppedChangesNothing) {
  Submitted("once");
  subs.push_back(group->OnSyncStart([] { throw std::runtime_error("handler bug"); }));
  group->Start();
  ns->SyncObjects()->Item(1)->Start();
  loop.Drain();
  EXPECT_EQ(std::count(events.begin(), events.end(), "start"), 1);
  EXPECT_EQ(wire.Attempts(), 1);
  EXPECT_EQ(events.back(), "end");
  subs.clear();
  events.clear();
  Run();
  EXPECT_TRUE(events.empty());
}

TEST_F(StoreSendReceive, SafeSendSavesMovesToTheOutboxAndSubmitsWhatCanGoOnce) {
  auto safe = mail->Objects().CreateSafeMailItem();
  EXPECT_EQ(ErrorOf([&] { safe->Send(); }), err::kObjectNotSet);
  auto nobody = SavedMail(Drafts(), "nobody", "");
  safe->SetItem(nobody);
  EXPECT_EQ(ErrorOf([&] { safe->Send(); }), posix::store_err::kNoRecipients);
  EXPECT_FALSE(IsSubmitted(nobody));

  auto item = SavedMail(Drafts(), "to go");
  item->SetSubject("changed");
  safe->SetItem(item);
  safe->Send();
  EXPECT_EQ(item->Parent()->Name(), "Outbox");  // the wrapped object follows
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Subject(), "changed");
  EXPECT_TRUE(IsSubmitted(item));
  Run();
  safe->SetItem(SentItems()->Items()->Item(1));
  EXPECT_EQ(ErrorOf([&] { safe->Send(); }), posix::store_err::kFailed) << "sent twice";
  EXPECT_EQ(wire.Sent().size(), 1u);
}

TEST(StoreRecipients, SplitsOutsideQuotesAndAngleBrackets) {
  const auto r = SplitRecipients("\"Doe, Jane\" <jane@example.com>;bob@example.com ,, <x@y.org>");
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].name, "Doe, Jane");
  EXPECT_EQ(r[0].address, "jane@example.com");
  EXPECT_EQ(r[1].address, "bob@example.com");
  EXPECT_EQ(r[2].address, "x@y.org");
  EXPECT_TRUE(SplitRecipients("  ;, ").empty());
  EXPECT_EQ(SplitRecipients("\"unclosed, quote <a@b.c>").size(), 1u);
}

TEST(StoreRecipients, AddressCheck) {
  for (const char* good :
       {"first.last+tag@sub.example.co.uk", "root@localhost", "jürgen@bücher.de", "x@a-b.example"})
    EXPECT_TRUE(IsValidAddress(good)) << good;
  for (const char* bad : {"", "plain", "@example.com", "a@", "a@b", "a@@example.com",
                          ".a@example.com", "a..b@example.com", "a@-example.com", "a@example..com",
                          "a@example.com\r\nBcc: evil@example.com", "<a@example.com>"})
    EXPECT_FALSE(IsValidAddress(bad)) << bad;
}

}  // namespace
}  // namespace velmora::test
