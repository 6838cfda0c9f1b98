// The C++ form of a run-time error: a number and a description, thrown by
// failed host or OS calls and caught at the error traps.
#pragma once

#include <stdexcept>
#include <string>

namespace velmora {

namespace err {
inline constexpr long kInvalidCall = 5;
inline constexpr long kOverflow = 6;
inline constexpr long kOutOfMemory = 7;
inline constexpr long kSubscript = 9;
inline constexpr long kTypeMismatch = 13;
inline constexpr long kFileNotFound = 53;
inline constexpr long kFileIo = 75;
inline constexpr long kObjectNotSet = 91;
inline constexpr long kCannotCreateObject = 429;
inline constexpr long kAutomation = 440;
inline constexpr long kUnknown = 51;  // "Internal error"
}  // namespace err

class HostError : public std::runtime_error {
 public:
  HostError(long number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}
  long Number() const noexcept { return number_; }
  const std::string& Description() const noexcept { return description_; }

 private:
  long number_;
  std::string description_;
};

[[noreturn]] void Raise(long number, std::string description);

// The number and description of whatever an error trap caught; bad_alloc and
// foreign exceptions get host-like numbers so the log line has the usual form.
struct ErrorInfo {
  long number = 0;
  std::string description;
};
ErrorInfo DescribeException(std::exception_ptr e) noexcept;
// Inside a catch block: the exception being handled.
ErrorInfo DescribeCurrentException() noexcept;

// An absent object is never dereferenced: raise error 91 instead.
template <class P>
decltype(auto) Need(P&& p, const char* what = "Object variable not set") {
  if (!p) Raise(err::kObjectNotSet, what);
  return *p;
}
// An installed port, or error 91 naming the missing one.
template <class T>
T& NeedPort(T* p, const char* name) {
  if (!p) Raise(err::kObjectNotSet, std::string("Object variable not set (") + name + ")");
  return *p;
}
// The same check, handing the pointer itself on.
template <class P>
P NeedPtr(P p, const char* what = "Object variable not set") {
  if (!p) Raise(err::kObjectNotSet, what);
  return p;
}

}  // namespace velmora
