// The standalone host's safe-send objects submitting from the Outbox, and
// recipients split and checked.
#include <gtest/gtest.h>

#include "platform/posix/store/recipients.h"
#include "platform/posix/store/store_error.h"
#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

using posix::IsValidAddress;
using posix::SplitRecipients;

class StoreSafeMail : public MailHostTest {
 protected:
  host::SafeMailItemPtr safe = mail->Objects().CreateSafeMailItem();

  bool IsSubmitted(const host::MailItemPtr& item) {
    return mail->Store().LoadItem(item->EntryID())->fields.submitted;
  }
};

TEST_F(StoreSafeMail, SendSavesMovesToTheOutboxAndSubmitsWhatCanGoOnly) {
  EXPECT_EQ(ErrorOf([&] { safe->Send(); }), err::kObjectNotSet);
  auto nobody = SavedMail(Drafts(), "nobody", "");
  safe->SetItem(nobody);
  EXPECT_EQ(ErrorOf([&] { safe->Send(); }), posix::store_err::kNoRecipients);
  EXPECT_FALSE(IsSubmitted(nobody));

  auto item = SavedMail(Drafts(), "to go");
  item->SetSubject("changed");
  safe->SetItem(item);
  safe->Send();
  EXPECT_EQ(Drafts()->Items()->Count(), 1);
  EXPECT_EQ(item->Parent()->Name(), "Outbox");  // the wrapped object follows
  EXPECT_EQ(ns->GetItemFromID(item->EntryID())->Subject(), "changed");
  EXPECT_TRUE(IsSubmitted(item));
  auto there = SavedMail(Outbox(), "already there");
  safe->SetItem(there);
  safe->Send();
  EXPECT_EQ(Outbox()->Items()->Count(), 2);
  EXPECT_TRUE(IsSubmitted(there));

  ns->SyncObjects()->Item(1)->Start();
  loop.Drain();
  safe->SetItem(SentItems()->Items()->Item(1));
  EXPECT_EQ(ErrorOf([&] { safe->Send(); }), posix::store_err::kFailed) << "sent twice";
  EXPECT_EQ(SentItems()->Items()->Count(), 2);
  EXPECT_EQ(wire.Sent().size(), 2u);
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
