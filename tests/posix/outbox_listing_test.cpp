// The Outbox listing: every mail of the Outbox with where it stands, held
// mails told apart from those waiting, and JSON that survives any subject.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/outbox_listing.h"
#include "platform/posix/store/mail_store.h"

namespace velmora::posix {
namespace {

class OutboxListing : public ::testing::Test {
 protected:
  std::unique_ptr<MailStore> store = MailStore::OpenInMemory();
  DateTime now = DateTime::FromParts(2026, 12, 7, 9, 0, 0);

  std::string Add(int folderKind, const std::string& subject) {
    ItemChanges c;
    c.folderId = store->DefaultFolder(folderKind).id;
    c.fields.subject = subject;
    c.fields.to = "ann@example.com";
    return store->SaveItem(c, now);
  }
};

TEST_F(OutboxListing, EachMailOfTheOutboxWithItsState) {
  const std::string waiting = Add(4, "waiting");
  store->SetSubmitted(waiting, true);
  const std::string underway = Add(4, "underway");
  store->SetSubmitted(underway, true);
  store->SetTransmission(underway, transmission::kUnderway);
  const std::string held = Add(4, "held");
  store->SetSubmitted(held, true);
  store->SetTransmission(held, transmission::kHeld);
  const std::string idle = Add(4, "idle");
  Add(16, "a draft is not in the Outbox");

  const auto entries = ListOutbox(*store);
  ASSERT_EQ(entries.size(), 4u);
  std::vector<std::string> seen;
  for (const auto& e : entries)
    seen.push_back(e.subject + "=" + OutboxStateName(e.state));
  EXPECT_EQ(seen, (std::vector<std::string>{"waiting=waiting", "underway=underway", "held=held",
                                            "idle=not submitted"}));
  EXPECT_EQ(entries[2].entryId, held);
  EXPECT_EQ(entries[3].entryId, idle);
}

TEST_F(OutboxListing, JsonEscapesWhatASubjectMayHold) {
  const std::string id = Add(4, "quote \" backslash \\ tab\t\x01");
  store->SetSubmitted(id, true);
  store->SetTransmission(id, transmission::kHeld);
  EXPECT_EQ(OutboxJson(ListOutbox(*store)),
            "[\n  {\"entryId\": \"" + id +
                "\", \"to\": \"ann@example.com\", \"subject\": \"quote \\\" backslash \\\\ tab\\t"
                "\\u0001\", \"state\": \"held\", \"nextAttempt\": null, "
                "\"nextAttemptText\": null, "
                "\"missingSources\": \"\"}\n]\n");
  EXPECT_EQ(OutboxJson({}), "[]\n");
}

}  // namespace
}  // namespace velmora::posix
