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

TEST_F(ButtonsTest, ANewMailGetsOneButtonRightAfterSendInAGroupOfItsOwn) {
  ConnectWithExplorer();
  auto window = Compose("Report");
  auto standard = window->CommandBars()->Item("Standard");
  Controls list = ControlsOf(standard);
  ASSERT_GE(list.size(), 3u);
  EXPECT_EQ(list[0]->Id(), 2617);
  auto button = list[1];
  EXPECT_EQ(button->Tag(), kTagVelmora);
  EXPECT_EQ(button->Caption(), "Velmora");
  EXPECT_EQ(button->FaceId(), 2617);
  EXPECT_EQ(button->Style(), host::mso::kButtonIconAndCaption);
  EXPECT_TRUE(button->Visible());
  EXPECT_TRUE(button->BeginGroup());
  EXPECT_TRUE(list[2]->BeginGroup()) << "the control after the button starts the next group";
  EXPECT_EQ(buttons.VelmoraButton(), button);
  EXPECT_FALSE(window->CommandBars()->Item("Velmora"));

  // Handed over again (the event and the inspector timer both saw it).
  buttons.m_Inspectors_NewInspector(window);
  EXPECT_EQ(ControlsOf(standard).size(), list.size());
  EXPECT_EQ(CountTagged(standard, kTagVelmora), 1);
  EXPECT_EQ(buttons.VelmoraButton(), button);
}

TEST_F(ButtonsTest, OneHeldReferenceRunsTheCommandOnceFromWhicheverWindow) {
  ConnectWithExplorer();
  auto first = Compose("First");
  auto second = Compose("Second");
  ASSERT_NE(Tagged(first, kTagVelmora), Tagged(second, kTagVelmora));
  Press(first);
  EXPECT_EQ(dialogs.shown.size(), 1u);
  EXPECT_FALSE(dialogs.shown[0].topMost);
}

TEST_F(ButtonsTest, WithoutAUsableSendTheButtonGoesOnTheAddInsOwnBarAtTheTop) {
  ConnectWithExplorer();
  struct Scene {
    const char* name;
    posix::InspectorOptions options;
  };
  const Scene scenes[] = {
      {"Word as editor", {.editorType = host::ol::kEditorWord, .isWordMail = true}},
      {"no Send", {.sendControl = false}},
      {"Send hidden", {.sendVisible = false}},
  };
  std::shared_ptr<posix::HostInspector> window;
  for (const Scene& s : scenes) {
    SCOPED_TRACE(s.name);
    window = Compose(s.name, s.options);
    auto bar = window->CommandBars()->Item("Velmora");
    ASSERT_TRUE(bar);
    EXPECT_TRUE(bar->Visible());
    ASSERT_EQ(ControlsOf(bar).size(), 1u);
    auto button = ControlsOf(bar)[0];
    EXPECT_EQ(button->Tag(), kTagVelmora2);
    EXPECT_EQ(button->Caption(), "Velmora");
    EXPECT_EQ(button->FaceId(), 2617);
    EXPECT_EQ(CountTagged(window->CommandBars()->Item("Standard"), kTagVelmora), 0);
    buttons.m_Inspectors_NewInspector(window);
    EXPECT_EQ(ControlsOf(bar).size(), 1u);
    EXPECT_EQ(buttons.VelmoraButton2(), button);
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
  item->SetSubject("Received");
  item->Save();
  mail->Store().MarkSent(item->EntryID(), clock.Now(), "bob@example.com");
  auto read = mail->OpenInspector(ns->GetItemFromID(item->EntryID()));

  auto contacts = Folder(host::ol::kFolderInbox)->Items()->Add(host::ol::kContactItem);
  contacts->Save();
  auto contact = mail->OpenInspector(contacts);

  mail->SetVersion("9.0.0.2711");
  GetOutlookVersion();
  auto word = Compose("Word on 9.0", {.editorType = host::ol::kEditorWord, .isWordMail = true});

  for (const auto& w : {read, contact, word}) {
    EXPECT_FALSE(Tagged(w, kTagVelmora));
    EXPECT_FALSE(Tagged(w, kTagVelmora2));
    EXPECT_FALSE(w->CommandBars()->Item("Velmora"));
  }
  EXPECT_FALSE(buttons.VelmoraButton());
  EXPECT_FALSE(buttons.VelmoraButton2());
  // The oldest host still gets the button after Send with its own editor.
  auto plain = Compose("Plain on 9.0");
  EXPECT_TRUE(Tagged(plain, kTagVelmora));
}

TEST_F(ButtonsTest, TheHelpMenuEntriesAreAddedOnceAndFoundAgainByALaterLoad) {
  ConnectWithExplorer();
  auto help = explorer->CommandBars()->FindControl({.type = host::mso::kControlPopup, .id = 30010});
  ASSERT_TRUE(help);
  Controls entries = ControlsOf(help->CommandBar());
  ASSERT_GE(entries.size(), 3u);
  auto about = entries[entries.size() - 2];
  auto options = entries.back();
  EXPECT_EQ(about->Caption(), "About Velmora...");
  EXPECT_EQ(about->Tag(), kTagMenuAbout);
  EXPECT_TRUE(about->BeginGroup());
  EXPECT_EQ(options->Caption(), "Velmora");
  EXPECT_EQ(options->Tag(), kTagOptions);
  EXPECT_FALSE(options->BeginGroup());
  EXPECT_EQ(buttons.MenuAbout(), about);
  EXPECT_EQ(buttons.Options(), options);

  // The add-in loaded afresh (its references gone) attaches to the same window.
  addin.reset();
  ScriptedDialogs otherDialogs;
  auto otherUi = MakeConnectUi(otherDialogs);
  auto& other = static_cast<ConnectButtons&>(*otherUi);
  velmora::Connect again(otherUi.get());
  again.OnConnection(app, 1, nullptr);
  again.OnStartupComplete();
  EXPECT_EQ(ControlsOf(help->CommandBar()).size(), entries.size());
  EXPECT_EQ(other.MenuAbout(), about);
  EXPECT_EQ(other.Options(), options);
  about->Execute();
  EXPECT_EQ(otherDialogs.abouts, 1);
  EXPECT_EQ(dialogs.abouts, 0);
}

}  // namespace
}  // namespace velmora::test
