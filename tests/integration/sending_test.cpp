// Sending passes on the standalone host: what leaves, in what order, what
// stays scheduled, what the tray launcher is told, and the send/receive
// watcher.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>

#include "addin/store/sending.h"
#include "addin/store/sync_obj.h"
#include "common/host_error.h"
#include "integration/engine_fixture.h"
#include "platform/posix/host/command_bars.h"
#include "support/captured_log.h"

namespace velmora::test {
namespace {

class SendingPass : public EngineTest {
 protected:
  void Pass() {
    Main::OnTimer1(&sync, false);
    loop.Drain();
  }
  CSyncObj sync;
};

TEST_F(SendingPass, WhatIsDueLeavesUnscheduledAndTheNextValidTimeIsPublished) {
  for (bool asText : {false, true}) {  // no schedule, or one that is no date
    auto item = Velmora()->Items()->Add(host::ol::kMailItem);
    item->SetTo("ann@example.com");
    if (asText)
      item->UserProperties()
          ->Add(std::string(kPropScheduleTime), host::ol::kText)
          ->SetValue(std::string("1/1/2020"));
    item->Save();
  }
  SetRegistryString(kValueNextOccurence, "stale");
  Pass();
  EXPECT_TRUE(wire.Sent().empty()) << "a mail without a valid schedule left";
  EXPECT_EQ(NextOccurence(), "");

  ScheduleOnce("Now", clock.Now());
  ScheduleOnce("Later", clock.Now().AddSeconds(1));
  Pass();
  EXPECT_EQ(SentSubjects(), std::vector<std::string>{"Now"});
  EXPECT_EQ(CountIn(Velmora()), 3);
  EXPECT_EQ(NextOccurence(), us.FormatDateTime(clock.Now().AddSeconds(1)));
  ASSERT_EQ(CountIn(Folder(host::ol::kFolderSentMail)), 1);
  auto sent = Folder(host::ol::kFolderSentMail)->Items()->Item(1);
  EXPECT_FALSE(ScheduleOf(sent).has_value());
  EXPECT_FALSE(sent->UserProperties()->Find(std::string(kPropRecurrence)));
}

TEST_F(SendingPass, ACountedSeriesCountsDownAcrossPassesAndEnds) {
  Schedule("Twice", Daily(clock.Now(), 2));
  Pass();
  ASSERT_EQ(CountIn(Velmora()), 1);
  CMailProps stored;
  stored.ReadProps(Velmora()->Items()->Item(1));
  EXPECT_EQ(stored.m_Occurrences, 1);
  EXPECT_EQ(ScheduleOf(Velmora()->Items()->Item(1)), clock.Now().AddDays(1));
  clock.Advance(86400);
  Pass();
  EXPECT_EQ(wire.Sent().size(), 2u);
  EXPECT_EQ(CountIn(Velmora()), 0);
}

// A scheduled mail seen through a probe: it notes the order in which it and
// its copies move, the stored mail's schedule at each Copy, and copies as
// the host may (taking this object's unsaved changes along, taking only what
// is stored, or failing).
struct CopyProbe {
  enum Mode { kSaving, kStoredOnly, kFails } mode = kSaving;
  host::NameSpacePtr ns;
  std::string original;
  std::vector<std::optional<DateTime>> storedAtCopy;
  std::vector<std::string> moved;
  bool moveFails = false;
};

class ProbeItem final : public host::MailItem {
 public:
  ProbeItem(host::MailItemPtr inner, std::shared_ptr<CopyProbe> probe)
      : in_(std::move(inner)), probe_(std::move(probe)) {}
  int Class() override { return in_->Class(); }
  std::string EntryID() override { return in_->EntryID(); }
  std::string Subject() override { return in_->Subject(); }
  void SetSubject(const std::string& v) override { in_->SetSubject(v); }
  std::string Body() override { return in_->Body(); }
  void SetBody(const std::string& v) override { in_->SetBody(v); }
  std::string To() override { return in_->To(); }
  void SetTo(const std::string& v) override { in_->SetTo(v); }
  std::string CC() override { return in_->CC(); }
  void SetCC(const std::string& v) override { in_->SetCC(v); }
  std::string BCC() override { return in_->BCC(); }
  void SetBCC(const std::string& v) override { in_->SetBCC(v); }
  int Importance() override { return in_->Importance(); }
  void SetImportance(int v) override { in_->SetImportance(v); }
  bool Sent() override { return in_->Sent(); }
  host::FolderPtr Parent() override { return in_->Parent(); }
  void Display() override { in_->Display(); }
  void Save() override { in_->Save(); }
  void Delete() override { in_->Delete(); }
  void Close(int mode) override { in_->Close(mode); }
  host::AttachmentsPtr Attachments() override { return in_->Attachments(); }
  host::UserPropertiesPtr UserProperties() override { return in_->UserProperties(); }
  host::MailItemPtr Copy() override {
    DateTime t;
    const bool stored = Main::GetUserProp(probe_->ns->GetItemFromID(probe_->original), t);
    probe_->storedAtCopy.push_back(stored ? std::optional(t) : std::nullopt);
    if (probe_->mode == CopyProbe::kFails) Raise(-2147467259, "The operation failed.");
    auto copy = probe_->mode == CopyProbe::kStoredOnly
                    ? probe_->ns->GetItemFromID(in_->EntryID())->Copy()
                    : in_->Copy();
    return std::make_shared<ProbeItem>(copy, probe_);
  }
  host::MailItemPtr Move(host::FolderPtr to) override {
    if (probe_->moveFails) Raise(-2147221233, "The operation failed.");
    probe_->moved.push_back(in_->EntryID());
    return in_->Move(std::move(to));
  }

 private:
  host::MailItemPtr in_;
  std::shared_ptr<CopyProbe> probe_;
};

TEST_F(SendingPass, TheStoredMailIsSavedWithItsNextOccurrenceBeforeAnyCopy) {
  for (auto mode : {CopyProbe::kStoredOnly, CopyProbe::kFails}) {
    const DateTime first = clock.Now().AddDays(-2);
    auto item = Schedule("Series", Daily(first));
    auto probe = std::make_shared<CopyProbe>(CopyProbe{mode, ns, item->EntryID()});
    Main::SendMessage(std::make_shared<ProbeItem>(item, probe), clock.Now());
    ASSERT_EQ(probe->storedAtCopy.size(), mode == CopyProbe::kFails ? 1u : 3u);
    for (const auto& t : probe->storedAtCopy)
      EXPECT_EQ(t, first.AddDays(3)) << "mode " << mode;
    EXPECT_EQ(ScheduleOf(ns->GetItemFromID(item->EntryID())), first.AddDays(3));
    EXPECT_EQ(probe->moved.size(), mode == CopyProbe::kFails ? 0u : 3u);
  }
}

TEST_F(SendingPass, APatternEndingAmongTheDueOccurrencesSendsTheMailItselfLast) {
  const DateTime first = clock.Now().AddDays(-5);
  auto item = Schedule("Thrice", Daily(first, 3));
  auto probe = std::make_shared<CopyProbe>(CopyProbe{CopyProbe::kSaving, ns, item->EntryID()});
  CapturedLog log(true);
  Main::SendMessage(std::make_shared<ProbeItem>(item, probe), clock.Now());
  ASSERT_EQ(probe->moved.size(), 3u);
  EXPECT_EQ(std::set<std::string>(probe->moved.begin(), probe->moved.end()).size(), 3u);
  EXPECT_EQ(probe->moved[2], probe->original);
  // One trace line per mail as it goes, oldest occurrence first.
  std::size_t at = 0;
  for (int i = 0; i < 3; ++i) {
    const std::string line = "SendMail Timer = '" + us.FormatDateTime(first.AddDays(i)) + "'";
    at = log.Text().find(line, at);
    ASSERT_NE(at, std::string::npos) << line;
  }
  EXPECT_EQ(log.Count("SendMail Timer"), 3);
  EXPECT_EQ(CountIn(Velmora()), 0);
  EXPECT_EQ(CountIn(Folder(host::ol::kFolderOutbox)), 3);
}

TEST_F(SendingPass, ACopyThatCannotLeaveNeverStaysBehindAsASecondSchedule) {
  auto item = Schedule("Series", Daily(clock.Now().AddDays(-2)));
  auto probe = std::make_shared<CopyProbe>(CopyProbe{CopyProbe::kSaving, ns, item->EntryID()});
  probe->moveFails = true;
  Main::SendMessage(std::make_shared<ProbeItem>(item, probe), clock.Now());
  // Three copies were made and could not move; they stay, unscheduled.
  ASSERT_EQ(CountIn(Velmora()), 4);
  int scheduled = 0;
  for (int i = 1; i <= 4; ++i)
    scheduled += ScheduleOf(Velmora()->Items()->Item(i)).has_value();
  EXPECT_EQ(scheduled, 1);
  clock.Advance(86400);
  Pass();
  EXPECT_EQ(wire.Sent().size(), 1u) << "the series goes on once, from the stored mail alone";
}

TEST_F(SendingPass, AMailOpenInAWindowStaysAndStillCountsWithItsPastTime) {
  const DateTime due = clock.Now().AddMinutes(-10);
  auto window = mail->OpenInspector(ScheduleOnce("Open", due));
  Pass();
  EXPECT_TRUE(wire.Sent().empty());
  EXPECT_EQ(NextOccurence(), us.FormatDateTime(due));
  window->Close(host::ol::kDiscard);
  Pass();
  EXPECT_EQ(SentSubjects(), std::vector<std::string>{"Open"});
}

TEST_F(SendingPass, MailsAddedByTheSendingAreNotLookedAtInTheSamePass) {
  // Several due mails side by side: none is skipped while the folder shifts.
  for (int i = 0; i < 5; ++i)
    ScheduleOnce("M" + std::to_string(i), clock.Now().AddSeconds(-i));
  Schedule("R", Daily(clock.Now().AddDays(-1)));
  Pass();
  EXPECT_EQ(wire.Sent().size(), 7u);
  EXPECT_EQ(CountIn(Velmora()), 1);
}

class RecipientCheck : public EngineTest {};

TEST_F(RecipientCheck, NoRecipientOrAnUnresolvableOneIsRefusedWithItsOwnMessage) {
  auto item = Folder(host::ol::kFolderDrafts)->Items()->Add(host::ol::kMailItem);
  EXPECT_FALSE(Main::CheckRecipients(item));
  item->SetTo("ann@example.com; not an address");
  EXPECT_FALSE(Main::CheckRecipients(item));
  ASSERT_EQ(box.shown.size(), 2u);
  EXPECT_EQ(box.shown[0].text, Main::kNoRecipientsText);
  EXPECT_EQ(box.shown[1].text, Main::kUnresolvedRecipientsText);

  item->SetTo("Ann <ann@example.com>");
  item->SetCC("bob@example.org");
  EXPECT_TRUE(Main::CheckRecipients(item));
  EXPECT_EQ(box.shown.size(), 2u);
  EXPECT_EQ(CountIn(Folder(host::ol::kFolderDrafts)), 1) << "a checked mail is saved";
}

class Watcher : public EngineTest {
 protected:
  CSyncObj sync;
  int ended = 0;
  host::SubscriptionPtr sub = sync.OnSyncEnd([this] { ++ended; });
};

TEST_F(Watcher, OnlyAWatchedStartHoldsTheGroupToItsEndAndRaisesSyncEndOnce) {
  sync.SendNow(true);
  sync.SendNow(false);  // drops the watch without an event
  EXPECT_FALSE(sync.HasObject());
  loop.Drain();
  EXPECT_EQ(ended, 0);
  sync.SendNow(true);
  EXPECT_TRUE(sync.HasObject());
  loop.Drain();
  loop.Drain();
  EXPECT_FALSE(sync.HasObject());
  EXPECT_EQ(ended, 1);
  EXPECT_TRUE(keys.sent.empty());
}

TEST_F(Watcher, OnTheOldestHostTheMenuCommandOrElseKeystrokesStartItUnwatched) {
  mail->SetVersion("9.0.0.2711");
  sync.SendNow(true);  // no explorer at all
  EXPECT_EQ(keys.sent, std::vector<std::string>{"%{F5}"});
  auto explorer = mail->OpenExplorer();
  // The explorer's own Send/Receive command, whichever of its two ids it has.
  auto control = explorer->CommandBars()->FindControl({.id = 5577});
  if (!control) control = explorer->CommandBars()->FindControl({.id = 5488});
  ASSERT_TRUE(control);
  sync.SendNow(true);
  EXPECT_FALSE(sync.HasObject());
  EXPECT_EQ(std::dynamic_pointer_cast<posix::HostControl>(control)->ExecuteCount(), 1);
  EXPECT_EQ(keys.sent.size(), 1u);
  loop.Drain();
  EXPECT_EQ(ended, 0);
}

}  // namespace
}  // namespace velmora::test
