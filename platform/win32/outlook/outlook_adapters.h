// The host object model over Outlook's automation objects: each class of
// addin/store/host.h as a thin late-bound call per member (the members are
// listed in outlook_members.h), events through connection points, and the
// safe-send library created by its ProgID.
#pragma once

#include "platform/win32/com/com_ptr.h"

#include <memory>
#include <string>

#include "addin/store/host.h"

namespace velmora::win32 {

// Event interface ids of Outlook and Office.
namespace iid {
inline constexpr IID kApplicationEvents = {
    0x0006304E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kApplicationEvents10 = {
    0x0006300E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kApplicationEvents11 = {
    0x0006302C, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kInspectorsEvents = {
    0x00063079, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kExplorersEvents = {
    0x00063078, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kExplorerEvents = {
    0x0006304F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kExplorerEvents10 = {
    0x0006300F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kSyncObjectEvents = {
    0x00063085, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID kCommandBarButtonEvents = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}  // namespace iid

// Event dispatch ids.
namespace dispid {
inline constexpr DISPID kItemSend = 0xF002;
inline constexpr DISPID kNewInspector = 0xF001;
inline constexpr DISPID kNewExplorer = 0xF001;
inline constexpr DISPID kExplorerClose = 0xF008;
inline constexpr DISPID kSyncStart = 0xF001;
inline constexpr DISPID kSyncProgress = 0xF002;
inline constexpr DISPID kSyncError = 0xF003;
inline constexpr DISPID kSyncEnd = 0xF004;
inline constexpr DISPID kClick = 1;
}  // namespace dispid

// The host's application object; nothing for a null pointer.
host::ApplicationPtr WrapApplication(IDispatch* application);
// The add-in's own entry in the host's list; `self` is what its Object is
// set to (the add-in object's IDispatch, not held).
host::COMAddInPtr WrapComAddIn(IDispatch* addInInst, IDispatch* self);
// Any item of a folder; nothing for a null pointer.
host::MailItemPtr WrapItem(IDispatch* item);

// What every adapter holds: its automation object, released with it.
class DispatchHolder {
 public:
  explicit DispatchHolder(ComPtr<IDispatch> d) noexcept : d_(std::move(d)) {}
  virtual ~DispatchHolder() = default;
  IDispatch* Dispatch() const noexcept { return d_.get(); }

 protected:
  ComPtr<IDispatch> d_;
};

// The automation object behind an adapter; null for anything else.
template <class T>
IDispatch* DispatchOf(const std::shared_ptr<T>& p) noexcept {
  const auto* h = dynamic_cast<const DispatchHolder*>(p.get());
  return h ? h->Dispatch() : nullptr;
}

// An object created by its ProgID; raises 429 with the reason when it
// cannot be created.
ComPtr<IDispatch> CreateObjectByProgId(const std::string& progId);

// "Redemption.SafeMailItem" by its ProgID. Without it no scheduled mail
// could ever leave: the mail item's own Send and Recipients take its place,
// and the log gets one warning line per factory (one per connection).
class OutlookObjectFactory final : public host::ObjectFactory {
 public:
  host::SafeMailItemPtr CreateSafeMailItem() override;
  bool Warned() const noexcept { return warned_; }

 private:
  bool warned_ = false;
};

}  // namespace velmora::win32
