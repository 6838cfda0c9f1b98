#include "platform/posix/registry_fold.h"

namespace velmora::posix {

namespace {

unsigned char Byte(char c) {
  return static_cast<unsigned char>(c);
}
char Char(unsigned v) {
  return static_cast<char>(static_cast<unsigned char>(v));
}

// Folds the two-byte sequence a b in place when it is a lower-case letter of
// one of the covered scripts. The offsets come from the code charts: each
// lower-case block lies a fixed distance above its upper-case block.
void FoldPair(char& a, char& b) {
  const unsigned lead = Byte(a);
  const unsigned next = Byte(b);
  if (lead == 0xC3 && next >= 0xA0 && next <= 0xBE && next != 0xB7) {
    b = Char(next - 0x20);  // U+00E0..U+00FE (not U+00F7, the division sign)
  } else if (lead == 0xCE && next >= 0xB1 && next <= 0xBF) {
    b = Char(next - 0x20);  // U+03B1..U+03BF alpha..omicron
  } else if (lead == 0xCF && next >= 0x80 && next <= 0x89 && next != 0x82) {
    a = Char(0xCE);  // U+03C0..U+03C9 pi..omega (not the final sigma)
    b = Char(next + 0x20);
  } else if (lead == 0xD0 && next >= 0xB0 && next <= 0xBF) {
    b = Char(next - 0x20);  // U+0430..U+043F
  } else if (lead == 0xD1 && next >= 0x80 && next <= 0x8F) {
    a = Char(0xD0);  // U+0440..U+044F
    b = Char(next + 0x20);
  } else if (lead == 0xD1 && next >= 0x90 && next <= 0x9F) {
    a = Char(0xD0);  // U+0450..U+045F
    b = Char(next - 0x10);
  }
}

}  // namespace

std::string FoldRegistryName(std::string_view name) {
  std::string r(name);
  for (std::size_t i = 0; i < r.size(); ++i) {
    const unsigned c = Byte(r[i]);
    if (c >= 'a' && c <= 'z') {
      r[i] = Char(c - 0x20);
    } else if (c >= 0xC0 && c < 0xE0 && i + 1 < r.size() && (Byte(r[i + 1]) & 0xC0) == 0x80) {
      FoldPair(r[i], r[i + 1]);
      ++i;
    }
  }
  return r;
}

}  // namespace velmora::posix
