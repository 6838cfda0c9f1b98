// Where the add-in's controls go: the schedule button on mail windows being
// written (after Send, or on the add-in's own bar), none on other windows, the
// Help menu entries, and every control found again instead of added twice.
#include <gtest/gtest.h>

#include "connect/buttons_fixture.h"
#include "support/captured_log.h"

namespace velmora::test {
namespace {

using Controls = std::vector<host::CommandBarControlPtr>;

Controls ControlsOf(const host::CommandBarPtr& bar) {
  Controls list;
  auto controls = bar->Controls();
  for (int i = 1; i <= controls->Count(); ++i)
    list.push_back(controls->Item(i));
  return list;
}

int CountTagged(const host::CommandBarPtr& bar, std::string_view tag) {
  int n = 0;
  for (const auto& c : ControlsOf(bar))
    n += c->Tag() == tag;
  return n;
}

TEST_F(ButtonsTest, EachMailWindowGetsItsButtonOnceAndOneReferenceRunsTheCommand) {
  ConnectWithExplorer();
  auto first = Compose("First");
  auto second = Compose("Second");
  auto standard = first->CommandBars()->Item("Standard");
  const Controls list = ControlsOf(standard);
  ASSERT_GE(list.size(), 2u);
  EXPECT_EQ(list[0]->Id(), 2617);  // right after Send
  EXPECT_EQ(list[1]->Tag(), kTagVelmora);
  EXPECT_FALSE(first->CommandBars()->Item("Velmora"));
  ASSERT_NE(Tagged(first, kTagVelmora), Tagged(second, kTagVelmora));

  // Handed over again (the event and the inspector timer both saw it).
  buttons.m_Inspectors_NewInspector(first);
  EXPECT_EQ(ControlsOf(standard).size(), list.size());
  EXPECT_EQ(CountTagged(standard, kTagVelmora), 1);
  Press(first);
  EXPECT_EQ(dialogs.shown.size(), 1u);
  EXPECT_FALSE(dialogs.shown[0].topMost);
}

TEST_F(ButtonsTest, WithoutAUsableSendTheButtonGoesOnTheAddInsOwnBar) {
  ConnectWithExplorer();
  const posix::InspectorOptions scenes[] = {
      {.editorType = host::ol::kEditorWord, .isWordMail = true},
      {.sendControl = false},
      {.sendVisible = false},
  };
  std::shared_ptr<posix::HostInspector> window;
  for (const auto& options : scenes) {
    window = Compose("Report", options);
    auto bar = window->CommandBars()->Item("Velmora");
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->Visible());
    buttons.m_Inspectors_NewInspector(window);
    ASSERT_EQ(ControlsOf(bar).size(), 1u);
    EXPECT_EQ(ControlsOf(bar)[0]->Tag(), kTagVelmora2);
    EXPECT_EQ(ControlsOf(bar)[0]->Caption(), "Velmora");
    EXPECT_EQ(CountTagged(window->CommandBars()->Item("Standard"), kTagVelmora), 0);
  }
  // The second button keeps its dialogs on top.
  dialogs.script.push_back(ScriptedDialogs::Cancel());
  Press(window, kTagVelmora2);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_TRUE(dialogs.shown[0].topMost);
}

TEST_F(ButtonsTest, ReadMailsOtherWindowsAndWordMailOnTheOldestHostGetNothing) {
  ConnectWithExplorer();
  auto item = app->CreateItem(host::ol::kMailItem);
  item->Save();
  mail->Store().MarkSent(item->EntryID(), clock.Now(), "bob@example.com");
  auto read = mail->OpenInspector(ns->GetItemFromID(item->EntryID()));
  auto contactItem = Folder(host::ol::kFolderInbox)->Items()->Add(host::ol::kContactItem);
  contactItem->Save();
  auto contact = mail->OpenInspector(contactItem);
  mail->SetVersion("9.0.0.2711");
  GetOutlookVersion();
  auto word = Compose("Word on 9.0", {.editorType = host::ol::kEditorWord, .isWordMail = true});
  for (const auto& w : {read, contact, word}) {
    EXPECT_FALSE(Tagged(w, kTagVelmora));
    EXPECT_FALSE(Tagged(w, kTagVelmora2));
  }
  // The oldest host still gets the button after Send with its own editor.
  EXPECT_TRUE(Tagged(Compose("Plain on 9.0"), kTagVelmora));
}

}  // namespace
}  // namespace velmora::test
