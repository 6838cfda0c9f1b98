#include "common/host_error.h"

#include <new>

namespace velmora {

void Raise(long number, std::string description) {
  throw HostError(number, std::move(description));
}

ErrorInfo DescribeException(std::exception_ptr e) noexcept {
  if (!e) return {0, ""};
  try {
    std::rethrow_exception(e);
  } catch (const HostError& h) {
    try {
      return {h.Number(), h.Description()};
    } catch (...) {
      return {h.Number(), ""};
    }
  } catch (const std::bad_alloc&) {
    return {err::kOutOfMemory, "Out of memory"};
  } catch (const std::exception& x) {
    try {
      return {err::kAutomation, x.what()};
    } catch (...) {
      return {err::kAutomation, ""};
    }
  } catch (...) {
    return {err::kUnknown, "Internal error"};
  }
}

ErrorInfo DescribeCurrentException() noexcept {
  return DescribeException(std::current_exception());
}

}  // namespace velmora
