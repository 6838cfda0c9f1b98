// Command bars of the standalone host's windows, in memory: bars, controls,
// popups with their own bar, FindControl with Office's rules (id 1 finds any
// custom control, as a control added without an id has id 1), and Click
// events that reach every held control bearing the clicked control's tag.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "addin/store/host.h"
#include "platform/posix/host/host_context.h"

namespace velmora::posix {

class HostCommandBar;
class HostControls;

class HostControl final : public host::CommandBarControl,
                          public std::enable_shared_from_this<HostControl> {
 public:
  // A control of the type (1 button, 10 popup, ...); id 1 for a custom one.
  static std::shared_ptr<HostControl> Make(const std::weak_ptr<HostContext>& ctx, int type, int id,
                                           std::string caption, bool temporary);

  int Id() override { return id_; }
  int Type() override { return type_; }
  int Index() override;
  bool Visible() override { return visible_; }
  void SetVisible(bool v) override { visible_ = v; }
  bool BeginGroup() override { return beginGroup_; }
  void SetBeginGroup(bool v) override { beginGroup_ = v; }
  std::string Caption() override { return caption_; }
  void SetCaption(const std::string& v) override;
  std::string Tag() override { return tag_; }
  void SetTag(const std::string& v) override { tag_ = v; }
  int FaceId() override { return faceId_; }
  void SetFaceId(int v) override { faceId_ = v; }
  int Style() override { return style_; }
  void SetStyle(int v) override { style_ = v; }
  // As a user's click: counted, Click raised, then the host's own command.
  void Execute() override;
  host::CommandBarPtr CommandBar() override;
  host::CommandBarControlsPtr Controls() override;
  void Delete() override;
  host::SubscriptionPtr OnClick(std::function<void(host::CommandBarControlPtr, bool&)> h) override;

  // For the host and tests.
  int ExecuteCount() const { return executed_; }
  bool Temporary() const { return temporary_; }
  bool Attached() const { return !parent_.expired(); }
  // The host's own command, run after Click unless a handler cancels it.
  void SetAction(std::function<void()> action) { action_ = std::move(action); }
  void SetParent(std::weak_ptr<HostControls> parent) { parent_ = std::move(parent); }
  const std::shared_ptr<HostCommandBar>& Popup() const { return popup_; }
  void RaiseClick(const host::CommandBarControlPtr& source, bool& cancel);

 private:
  HostControl() = default;
  std::weak_ptr<HostContext> ctx_;
  std::weak_ptr<HostControls> parent_;
  int type_ = host::mso::kControlButton;
  int id_ = host::mso::kAnyCustomControl;
  bool visible_ = true;
  bool beginGroup_ = false;
  std::string caption_;
  std::string tag_;
  int faceId_ = 0;
  int style_ = 0;
  bool temporary_ = false;
  int executed_ = 0;
  std::shared_ptr<HostCommandBar> popup_;
  std::function<void()> action_;
  host::Event<host::CommandBarControlPtr, bool&> click_;
};

class HostControls final : public host::CommandBarControls,
                           public std::enable_shared_from_this<HostControls> {
 public:
  explicit HostControls(std::weak_ptr<HostContext> ctx) : ctx_(std::move(ctx)) {}
  int Count() override { return static_cast<int>(list_.size()); }
  host::CommandBarControlPtr Item(int index) override;
  // Type 1 unless given; no id (or id 1) makes a custom control; `before`
  // from 1 to Count + 1, else at the end.
  host::CommandBarControlPtr Add(const host::AddControlArgs& args) override;

  // The host's own controls, at the end.
  std::shared_ptr<HostControl> AddBuiltIn(int type, int id, const std::string& caption);
  int IndexOf(const HostControl* control) const;
  void Remove(const HostControl* control);
  const std::vector<std::shared_ptr<HostControl>>& List() const { return list_; }

 private:
  std::shared_ptr<HostControl> Insert(std::shared_ptr<HostControl> control, std::size_t at);
  std::weak_ptr<HostContext> ctx_;
  std::vector<std::shared_ptr<HostControl>> list_;
};

class HostCommandBar final : public host::CommandBar {
 public:
  HostCommandBar(std::weak_ptr<HostContext> ctx, std::string name, bool visible);
  std::string Name() override { return name_; }
  bool Visible() override { return visible_; }
  void SetVisible(bool v) override { visible_ = v; }
  host::CommandBarControlsPtr Controls() override { return controls_; }
  // This bar's controls, and with `recursive` those of its popups too.
  host::CommandBarControlPtr FindControl(const host::FindControlArgs& args) override;

  const std::shared_ptr<HostControls>& ControlList() const { return controls_; }
  std::shared_ptr<HostControl> Find(const host::FindControlArgs& args, bool recursive) const;

 private:
  std::string name_;
  bool visible_;
  std::shared_ptr<HostControls> controls_;
};

class HostCommandBars final : public host::CommandBars {
 public:
  explicit HostCommandBars(std::weak_ptr<HostContext> ctx) : ctx_(std::move(ctx)) {}
  int Count() override { return static_cast<int>(bars_.size()); }
  // By name, letter case ignored; nothing when there is none.
  host::CommandBarPtr Item(const std::string& name) override;
  // A name in use raises.
  host::CommandBarPtr Add(const std::string& name, int position, bool menuBar,
                          bool temporary) override;
  // Searches every bar and its popups.
  host::CommandBarControlPtr FindControl(const host::FindControlArgs& args) override;

  std::shared_ptr<HostCommandBar> AddBar(const std::string& name, bool visible);
  std::shared_ptr<HostCommandBar> Bar(const std::string& name) const;

 private:
  std::weak_ptr<HostContext> ctx_;
  std::vector<std::shared_ptr<HostCommandBar>> bars_;
};

}  // namespace velmora::posix
