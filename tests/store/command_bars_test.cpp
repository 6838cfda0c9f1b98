// Command bars of the standalone host's windows: finding controls by Office's
// rules, adding them in place, popups, and Click reaching every held control
// with the clicked one's tag.
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

TEST_F(StoreCommandBars, MailWindowHasAVisibleSendOnStandard) {
  auto standard = OpenMail()->CommandBars()->Item("Standard");
  ASSERT_TRUE(standard);
  auto send = standard->FindControl(FindControlArgs{.id = 2617, .recursive = false});
  ASSERT_TRUE(send);
  EXPECT_TRUE(send->Visible());
  EXPECT_EQ(send->Index(), 1);
  EXPECT_FALSE(standard->FindControl(FindControlArgs{.id = 5469}));
}

TEST_F(StoreCommandBars, WindowsConfiguredWithoutSend) {
  auto word =
      OpenMail({.editorType = host::ol::kEditorWord, .isWordMail = true, .sendControl = false});
  EXPECT_EQ(word->EditorType(), host::ol::kEditorWord);
  EXPECT_TRUE(word->IsWordMail());
  EXPECT_FALSE(word->CommandBars()->Item("Standard")->FindControl(FindControlArgs{.id = 2617}));

  auto hidden = mail->OpenInspector(SavedMail(Drafts(), "other"), {.sendVisible = false});
  auto standard = hidden->CommandBars()->Item("Standard");
  ASSERT_TRUE(standard->FindControl(FindControlArgs{.id = 2617}));
  EXPECT_FALSE(standard->FindControl(FindControlArgs{.id = 2617, .visible = true}));
}

TEST_F(StoreCommandBars, IdOneFindsOnlyCustomControls) {
  auto standard = OpenMail()->CommandBars()->Item("Standard");
  EXPECT_FALSE(standard->FindControl(FindControlArgs{.type = 1, .id = 1}));
  auto added = AddButton(standard, "BrelcorVelmora");
  EXPECT_EQ(added->Id(), 1);
  auto found = standard->FindControl(
      FindControlArgs{.type = 1, .id = 1, .tag = "BrelcorVelmora", .recursive = false});
  EXPECT_EQ(found, added);
  EXPECT_FALSE(standard->FindControl(FindControlArgs{.type = 1, .id = 1, .tag = "Other"}));
  EXPECT_FALSE(standard->FindControl(FindControlArgs{.type = 10, .tag = "BrelcorVelmora"}));
}

TEST_F(StoreCommandBars, AddedControlTakesItsPlaceAndIndexFollows) {
  auto standard = OpenMail()->CommandBars()->Item("Standard");
  auto controls = standard->Controls();
  const int count = controls->Count();
  auto send = standard->FindControl(FindControlArgs{.id = 2617});
  auto button = controls->Add(AddControlArgs{.type = 1, .before = send->Index() + 1});
  EXPECT_EQ(button->Index(), 2);
  EXPECT_EQ(controls->Count(), count + 1);
  EXPECT_EQ(controls->Item(2), button);
  EXPECT_EQ(controls->Item(3)->Id(), 3);  // Save moved one place on

  auto first = controls->Add(AddControlArgs{.before = 1});
  EXPECT_EQ(first->Index(), 1);
  EXPECT_EQ(send->Index(), 2);
  EXPECT_EQ(button->Index(), 3);
  auto last = controls->Add({});
  EXPECT_EQ(last->Index(), controls->Count());
  EXPECT_EQ(ErrorOf([&] { controls->Add(AddControlArgs{.before = controls->Count() + 2}); }),
            err::kInvalidCall);
  EXPECT_EQ(ErrorOf([&] { controls->Add(AddControlArgs{.before = 0}); }), err::kInvalidCall);

  button->Delete();
  EXPECT_EQ(send->Index(), 2);
  EXPECT_NE(ErrorOf([&] { button->Index(); }), 0);
}

TEST_F(StoreCommandBars, HelpPopupIsFoundRecursivelyAndTakesNewEntries) {
  auto explorer = mail->OpenExplorer();
  auto menu = explorer->CommandBars()->Item("Menu Bar");
  ASSERT_TRUE(menu);
  auto help = menu->FindControl(FindControlArgs{.type = 10, .id = 30010});
  ASSERT_TRUE(help);
  ASSERT_TRUE(help->CommandBar());
  EXPECT_FALSE(menu->FindControl(FindControlArgs{.id = 927}));
  EXPECT_TRUE(menu->FindControl(FindControlArgs{.id = 927, .recursive = true}));

  auto about = help->Controls()->Add(AddControlArgs{.type = 1, .temporary = true});
  about->SetCaption("About Velmora...");
  about->SetTag("BrelcorVelmoraAbout");
  EXPECT_EQ(about->Index(), help->Controls()->Count());
  EXPECT_EQ(help->CommandBar()->FindControl(
                FindControlArgs{.type = 1, .id = 1, .tag = "BrelcorVelmoraAbout"}),
            about);
  EXPECT_EQ(explorer->CommandBars()->FindControl(FindControlArgs{.tag = "BrelcorVelmoraAbout"}),
            about);
  // A plain button has no bar of its own.
  EXPECT_FALSE(about->CommandBar());
  EXPECT_FALSE(about->Controls());
}

TEST_F(StoreCommandBars, BarsByNameAndNewBars) {
  auto bars = OpenMail()->CommandBars();
  EXPECT_TRUE(bars->Item("standard"));
  EXPECT_FALSE(bars->Item("Velmora"));
  auto bar = bars->Add("Velmora", host::mso::kBarTop, false, true);
  EXPECT_FALSE(bar->Visible());
  EXPECT_EQ(bars->Item("Velmora"), bar);
  EXPECT_EQ(ErrorOf([&] { bars->Add("Velmora", host::mso::kBarTop, false, true); }),
            err::kInvalidCall);
}

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
