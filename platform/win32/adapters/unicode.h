// Text and handle helpers at the Win32 boundary: UTF-8 inside, UTF-16 for the
// wide APIs, and owners for the handles, registry keys and BSTRs those APIs
// hand out.
#pragma once

// windows.h first: oleauto.h relies on its types.
#include <windows.h>

#include <oleauto.h>

#include <optional>
#include <string>
#include <string_view>

namespace velmora::win32 {

// Invalid UTF-8 becomes U+FFFD rather than failing: text from users and old
// stores must still reach the API.
std::wstring Widen(std::string_view utf8);
// Unpaired surrogates become U+FFFD.
std::string Narrow(std::wstring_view utf16);

// For names and paths handed to the API as C strings: an embedded NUL would
// silently cut the name short and address another object, so refuse it.
std::optional<std::wstring> WidenName(std::string_view utf8);

// Owns a handle for a scope and frees it with `Close`; a null handle, or
// INVALID_HANDLE_VALUE as some APIs give for failure, owns nothing.
template <class H, auto Close>
class ScopedHandle {
 public:
  explicit ScopedHandle(H h) noexcept : h_(h) {}
  ~ScopedHandle() {
    if (h_ && reinterpret_cast<HANDLE>(h_) != INVALID_HANDLE_VALUE) Close(h_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  H get() const noexcept { return h_; }

 private:
  H h_;
};

using UniqueHandle = ScopedHandle<HANDLE, &::CloseHandle>;
using UniqueFind = ScopedHandle<HANDLE, &::FindClose>;
using UniqueMenu = ScopedHandle<HMENU, &::DestroyMenu>;
using UniqueIcon = ScopedHandle<HICON, &::DestroyIcon>;

// Owns an opened registry key (never a predefined root) and closes it once.
class UniqueHkey {
 public:
  UniqueHkey() noexcept = default;
  explicit UniqueHkey(HKEY key) noexcept : key_(key) {}
  ~UniqueHkey() { reset(); }
  UniqueHkey(UniqueHkey&& other) noexcept : key_(other.release()) {}
  UniqueHkey& operator=(UniqueHkey&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHkey(const UniqueHkey&) = delete;
  UniqueHkey& operator=(const UniqueHkey&) = delete;

  HKEY get() const noexcept { return key_; }
  HKEY* put() noexcept {
    reset();
    return &key_;
  }
  HKEY release() noexcept {
    HKEY k = key_;
    key_ = nullptr;
    return k;
  }
  void reset(HKEY key = nullptr) noexcept {
    if (key_) ::RegCloseKey(key_);
    key_ = key;
  }
  explicit operator bool() const noexcept { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

// Owns a BSTR returned by oleaut32 and frees it with SysFreeString.
class UniqueBstr {
 public:
  UniqueBstr() noexcept = default;
  explicit UniqueBstr(BSTR s) noexcept : s_(s) {}
  ~UniqueBstr() { reset(); }
  UniqueBstr(UniqueBstr&& other) noexcept : s_(other.release()) {}
  UniqueBstr& operator=(UniqueBstr&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;

  BSTR get() const noexcept { return s_; }
  BSTR* put() noexcept {
    reset();
    return &s_;
  }
  BSTR release() noexcept {
    BSTR s = s_;
    s_ = nullptr;
    return s;
  }
  void reset(BSTR s = nullptr) noexcept {
    if (s_) ::SysFreeString(s_);
    s_ = s;
  }
  // The BSTR's own length, so embedded NULs survive; a null BSTR is empty.
  std::wstring_view view() const noexcept {
    return s_ ? std::wstring_view(s_, ::SysStringLen(s_)) : std::wstring_view();
  }
  std::string utf8() const { return Narrow(view()); }

 private:
  BSTR s_ = nullptr;
};

}  // namespace velmora::win32
