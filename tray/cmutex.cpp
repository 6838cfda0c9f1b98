#include "tray/cmutex.h"

namespace velmora::tray {

bool CMutex::Create(std::string_view name) {
  // A second Create must not leave the first mutex held behind our back.
  Done();
  handle_ = port_.CreateOwned(name);
  if (!handle_) return false;
  name_ = std::string(name);
  return true;
}

void CMutex::Done() noexcept {
  handle_.reset();
  name_.clear();
}

}  // namespace velmora::tray
