// Owners for COM values at the Win32 boundary: an interface pointer released
// once, and a VARIANT cleared once. Header-only, windows.h first.
#pragma once

#include "platform/win32/adapters/unicode.h"

#include <oaidl.h>
#include <objbase.h>

#include <utility>

namespace velmora::win32 {

// Owns one COM interface pointer: released once, AddRef'd on copy.
template <class T>
class ComPtr {
 public:
  ComPtr() noexcept = default;
  // Takes over a reference the caller already owns.
  static ComPtr Attach(T* p) noexcept {
    ComPtr c;
    c.p_ = p;
    return c;
  }
  // Adds a reference of its own.
  static ComPtr Retain(T* p) noexcept {
    if (p) p->AddRef();
    return Attach(p);
  }
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr& other) noexcept : p_(other.p_) {
    if (p_) p_->AddRef();
  }
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  T** put() noexcept {
    reset();
    return &p_;
  }
  T* release() noexcept { return std::exchange(p_, nullptr); }
  void reset() noexcept {
    if (p_) std::exchange(p_, nullptr)->Release();
  }
  // Another interface of the same object; empty when it has none.
  template <class U>
  ComPtr<U> As(REFIID iid) const noexcept {
    ComPtr<U> out;
    if (p_) p_->QueryInterface(iid, reinterpret_cast<void**>(out.put()));
    return out;
  }

 private:
  T* p_ = nullptr;
};

// Owns a VARIANT and clears it once (releasing its string or object).
class UniqueVariant {
 public:
  UniqueVariant() noexcept { ::VariantInit(&v_); }
  ~UniqueVariant() { ::VariantClear(&v_); }
  UniqueVariant(UniqueVariant&& other) noexcept : v_(other.v_) { ::VariantInit(&other.v_); }
  UniqueVariant& operator=(UniqueVariant&& other) noexcept {
    if (this != &other) {
      ::VariantClear(&v_);
      v_ = other.v_;
      ::VariantInit(&other.v_);
    }
    return *this;
  }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;

  VARIANT* get() noexcept { return &v_; }
  const VARIANT* get() const noexcept { return &v_; }
  VARIANT* put() noexcept {
    ::VariantClear(&v_);
    return &v_;
  }
  VARTYPE vt() const noexcept { return v_.vt; }

 private:
  VARIANT v_;
};

}  // namespace velmora::win32
