#include "platform/posix/host/com_addins.h"

#include "platform/posix/store/store_error.h"

namespace velmora::posix {

host::COMAddInPtr HostComAddIns::Item(int index) {
  const auto& list = ctx_->AddIns();
  if (index < 1 || index > static_cast<int>(list.size())) RaiseBadIndex(index);
  return list[static_cast<std::size_t>(index - 1)];
}

}  // namespace velmora::posix
