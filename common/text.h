// Small text helpers shared by the engine: conversion of values to text the
// way the host's string conversion does it, trimming, splitting, case folding.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/datetime.h"

namespace velmora {

inline std::string ToText(std::string_view s) {
  return std::string(s);
}
inline std::string ToText(const char* s) {
  return s ? std::string(s) : std::string();
}
inline std::string ToText(const std::string& s) {
  return s;
}
inline std::string ToText(bool b) {
  return b ? "True" : "False";
}
template <std::integral I>
requires(!std::same_as<I, bool> && !std::same_as<I, char>) std::string ToText(I n) {
  return std::to_string(n);
}
// Up to 15 significant digits, no trailing zeros, as the host writes doubles.
std::string ToText(double d);
inline std::string ToText(float f) {
  return ToText(static_cast<double>(f));
}
// In the user's regional settings (general date form).
std::string ToText(DateTime t);

template <class... P>
std::string Concat(const P&... parts) {
  std::string s;
  (s += ... += ToText(parts));
  return s;
}

// Spaces (only spaces, as the host's Trim) removed at both ends.
std::string_view Trim(std::string_view s) noexcept;
// ASCII letters folded; other bytes kept (UTF-8 stays intact).
std::string ToLowerAscii(std::string_view s);
bool EqualsNoCase(std::string_view a, std::string_view b) noexcept;
// Whether `s` begins with `prefix`, ASCII letters compared without case.
bool StartsWithNoCase(std::string_view s, std::string_view prefix) noexcept;
// Splits at every occurrence of the separator; "" gives one empty piece.
std::vector<std::string> Split(std::string_view s, char sep);
// Number of characters (code points) in UTF-8 text; invalid bytes count one each.
std::size_t Utf8Length(std::string_view s) noexcept;
// Strict decimal integer ("-12", "+3", spaces around allowed); nothing for
// anything else or a value outside 32 bits.
bool ParseInt32(std::string_view s, std::int32_t& out) noexcept;

}  // namespace velmora
