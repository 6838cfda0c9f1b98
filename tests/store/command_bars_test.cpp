// Command bars of the standalone host's windows as the sending engine and the
// lifecycle use them: Click reaching every held control with the clicked
// one's tag, Send, and the send/receive button.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/posix/host/command_bars.h"
#include "store/mail_host_fixture.h"

namespace velmora::test {
namespace {

using host::AddControlArgs;
using host::FindControlArgs;

class StoreCommandBars : public MailHostTest {
 protected:
  std::shared_ptr<posix::HostInspector> OpenMail(posix::InspectorOptions o = {}) {
    return mail->OpenInspector(SavedMail(Drafts(), "compose"), o);
  }
  static host::CommandBarControlPtr AddButton(const host::CommandBarPtr& bar,
                                              const std::string& tag) {
    auto b = bar->Controls()->Add(AddControlArgs{.type = 1, .temporary = true});
    b->SetTag(tag);
    return b;
  }
};

TEST_F(StoreCommandBars, ClickReachesEveryHeldControlWithTheSameTag) {
  auto first = OpenMail();
  auto second = mail->OpenInspector(SavedMail(Drafts(), "second"));
  auto held = AddButton(first->CommandBars()->Item("Standard"), "BrelcorVelmora");
  auto other = AddButton(second->CommandBars()->Item("Standard"), "BrelcorVelmora");
  auto untagged = AddButton(second->CommandBars()->Item("Standard"), "");
  std::vector<std::string> heard;
  auto s1 = held->OnClick([&](host::CommandBarControlPtr c, bool&) {
    heard.push_back(c == other ? "held heard other" : "held heard itself");
  });
  auto s2 =
      untagged->OnClick([&](host::CommandBarControlPtr, bool&) { heard.push_back("untagged"); });

  other->Execute();
  EXPECT_EQ(heard, std::vector<std::string>{"held heard other"});
  // The window of the held control closes; the reference still serves.
  first->Close(host::ol::kDiscard);
  heard.clear();
  other->Execute();
  untagged->Execute();
  EXPECT_EQ(heard, (std::vector<std::string>{"held heard other", "untagged"}));
  auto* counted = dynamic_cast<posix::HostControl*>(other.get());
  ASSERT_NE(counted, nullptr);
  EXPECT_EQ(counted->ExecuteCount(), 2);
}

TEST_F(StoreCommandBars, SendSendsUnlessAClickHandlerCancels) {
  auto window = OpenMail();
  auto item = window->CurrentItem();
  auto send = window->CommandBars()->FindControl(FindControlArgs{.id = 2617});
  bool cancelled = true;
  auto sub = send->OnClick([&](host::CommandBarControlPtr, bool& cancel) { cancel = cancelled; });
  int itemSends = 0;
  auto onSend = app->OnItemSend([&](host::MailItemPtr, bool&) { ++itemSends; });

  send->Execute();
  EXPECT_EQ(itemSends, 0);
  EXPECT_EQ(Outbox()->Items()->Count(), 0);
  EXPECT_EQ(app->Inspectors()->Count(), 1);

  // The host's own ItemSend event can cancel too.
  cancelled = false;
  bool itemCancels = true;
  auto veto = app->OnItemSend([&](host::MailItemPtr, bool& cancel) { cancel = itemCancels; });
  send->Execute();
  EXPECT_EQ(Outbox()->Items()->Count(), 0);
  EXPECT_EQ(app->Inspectors()->Count(), 1);

  itemCancels = false;
  send->Execute();
  EXPECT_EQ(itemSends, 2);
  ASSERT_EQ(Outbox()->Items()->Count(), 1);
  EXPECT_EQ(app->Inspectors()->Count(), 0);
}

TEST_F(StoreCommandBars, SendReceiveButtonStartsTheGroup) {
  auto explorer = mail->OpenExplorer();
  int starts = 0;
  auto sub = ns->SyncObjects()->Item(1)->OnSyncStart([&] { ++starts; });
  auto button = explorer->CommandBars()->FindControl(FindControlArgs{.type = 1, .id = 5488});
  ASSERT_TRUE(button);
  button->Execute();
  EXPECT_EQ(starts, 0);
  loop.Drain();
  EXPECT_EQ(starts, 1);
}

}  // namespace
}  // namespace velmora::test
