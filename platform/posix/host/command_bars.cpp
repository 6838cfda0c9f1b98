#include "platform/posix/host/command_bars.h"

#include <algorithm>

#include "common/host_error.h"
#include "common/text.h"
#include "platform/posix/store/store_error.h"

namespace velmora::posix {

namespace {

bool Matches(HostControl& c, const host::FindControlArgs& a) {
  if (a.type && c.Type() != *a.type) return false;
  if (a.id && c.Id() != *a.id) return false;
  if (a.tag && c.Tag() != *a.tag) return false;
  // Visible False means "visible or not", as in Office.
  if (a.visible && *a.visible && !c.Visible()) return false;
  return true;
}

[[noreturn]] void InvalidCall(const std::string& what) {
  Raise(err::kInvalidCall, "Invalid procedure call or argument (" + what + ")");
}

}  // namespace

std::shared_ptr<HostControl> HostControl::Make(const std::weak_ptr<HostContext>& ctx, int type,
                                               int id, std::string caption, bool temporary) {
  std::shared_ptr<HostControl> c(new HostControl());
  c->ctx_ = ctx;
  c->type_ = type;
  c->id_ = id;
  c->caption_ = std::move(caption);
  c->temporary_ = temporary;
  if (type == host::mso::kControlPopup)
    c->popup_ = std::make_shared<HostCommandBar>(ctx, c->caption_, true);
  if (auto context = ctx.lock()) context->Register(c);
  return c;
}

int HostControl::Index() {
  auto parent = parent_.lock();
  if (!parent) Raise(store_err::kNotFound, "The control has been deleted.");
  return parent->IndexOf(this);
}

void HostControl::SetCaption(const std::string& v) {
  caption_ = v;
}

void HostControl::Execute() {
  ++executed_;
  bool cancel = false;
  RaiseClick(shared_from_this(), cancel);
  if (!cancel && action_) action_();
}

void HostControl::RaiseClick(const host::CommandBarControlPtr& source, bool& cancel) {
  auto ctx = ctx_.lock();
  if (tag_.empty() || !ctx) {
    click_.Raise(source, cancel);
    return;
  }
  for (const auto& c : ctx->ControlsTagged(tag_))
    c->click_.Raise(source, cancel);
}

host::CommandBarPtr HostControl::CommandBar() {
  return popup_;
}

host::CommandBarControlsPtr HostControl::Controls() {
  if (!popup_) return nullptr;
  return popup_->ControlList();
}

void HostControl::Delete() {
  if (auto parent = parent_.lock()) parent->Remove(this);
  parent_.reset();
}

host::SubscriptionPtr HostControl::OnClick(
    std::function<void(host::CommandBarControlPtr, bool&)> h) {
  return ConnectGuarded(click_, "CommandBarControl.Click", std::move(h));
}

host::CommandBarControlPtr HostControls::Item(int index) {
  if (index < 1 || index > Count()) RaiseBadIndex(index);
  return list_[static_cast<std::size_t>(index - 1)];
}

std::shared_ptr<HostControl> HostControls::Insert(std::shared_ptr<HostControl> control,
                                                  std::size_t at) {
  control->SetParent(weak_from_this());
  list_.insert(list_.begin() + static_cast<std::ptrdiff_t>(at), control);
  return control;
}

host::CommandBarControlPtr HostControls::Add(const host::AddControlArgs& args) {
  const int type = args.type.value_or(host::mso::kControlButton);
  if (type < 1) InvalidCall("type " + std::to_string(type));
  std::size_t at = list_.size();
  if (args.before) {
    if (*args.before < 1 || *args.before > Count() + 1)
      InvalidCall("before " + std::to_string(*args.before));
    at = static_cast<std::size_t>(*args.before - 1);
  }
  const int id = args.id.value_or(host::mso::kAnyCustomControl);
  return Insert(HostControl::Make(ctx_, type, id, {}, args.temporary.value_or(false)), at);
}

std::shared_ptr<HostControl> HostControls::AddBuiltIn(int type, int id,
                                                      const std::string& caption) {
  return Insert(HostControl::Make(ctx_, type, id, caption, false), list_.size());
}

int HostControls::IndexOf(const HostControl* control) const {
  for (std::size_t i = 0; i < list_.size(); ++i)
    if (list_[i].get() == control) return static_cast<int>(i + 1);
  Raise(store_err::kNotFound, "The control has been deleted.");
}

void HostControls::Remove(const HostControl* control) {
  std::erase_if(list_, [control](const auto& c) { return c.get() == control; });
}

HostCommandBar::HostCommandBar(std::weak_ptr<HostContext> ctx, std::string name, bool visible)
    : name_(std::move(name)),
      visible_(visible),
      controls_(std::make_shared<HostControls>(std::move(ctx))) {}

std::shared_ptr<HostControl> HostCommandBar::Find(const host::FindControlArgs& args,
                                                  bool recursive) const {
  for (const auto& c : controls_->List())
    if (Matches(*c, args)) return c;
  if (recursive) {
    for (const auto& c : controls_->List())
      if (c->Popup())
        if (auto found = c->Popup()->Find(args, true)) return found;
  }
  return nullptr;
}

host::CommandBarControlPtr HostCommandBar::FindControl(const host::FindControlArgs& args) {
  return Find(args, args.recursive.value_or(false));
}

std::shared_ptr<HostCommandBar> HostCommandBars::Bar(const std::string& name) const {
  for (const auto& b : bars_)
    if (EqualsNoCase(b->Name(), name)) return b;
  return nullptr;
}

host::CommandBarPtr HostCommandBars::Item(const std::string& name) {
  return Bar(name);
}

std::shared_ptr<HostCommandBar> HostCommandBars::AddBar(const std::string& name, bool visible) {
  if (name.empty() || Bar(name)) InvalidCall("a bar named \"" + name + "\" exists");
  bars_.push_back(std::make_shared<HostCommandBar>(ctx_, name, visible));
  return bars_.back();
}

host::CommandBarPtr HostCommandBars::Add(const std::string& name, int position, bool menuBar,
                                         bool temporary) {
  (void)menuBar;
  (void)temporary;  // every bar lives only as long as its window here
  if (position < host::mso::kBarLeft || position > 6)
    InvalidCall("position " + std::to_string(position));
  // A new bar is hidden until the add-in shows it, as in Office.
  return AddBar(name, false);
}

host::CommandBarControlPtr HostCommandBars::FindControl(const host::FindControlArgs& args) {
  for (const auto& b : bars_)
    if (auto c = b->Find(args, true)) return c;
  return nullptr;
}

}  // namespace velmora::posix
