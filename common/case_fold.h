// Case-blind comparison of names for all of Unicode, as the Windows file
// system compares them: every character mapped by its simple case folding
// (one character to one, so "ß" stays "ß" and "ẞ" becomes "ß").
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// UTF-8 text with every character replaced by its simple case folding; bytes
// that are not UTF-8 are kept as they are.
std::string FoldCase(std::string_view utf8);

bool EqualsFolded(std::string_view a, std::string_view b);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or
// code points past U+10FFFF).
bool IsUtf8(std::string_view bytes);

}  // namespace velmora
