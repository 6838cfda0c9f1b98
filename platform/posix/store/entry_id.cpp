#include "platform/posix/store/entry_id.h"

#include <sys/random.h>

#include <cstdint>
#include <random>

namespace velmora::posix {

namespace {

// Straight from the kernel each time: a generator seeded once would repeat
// its sequence in a forked child, and two processes would make the same ids.
void FillRandom(unsigned char* bytes, std::size_t n) {
  std::size_t got = 0;
  while (got < n) {
    const ssize_t r = ::getrandom(bytes + got, n - got, 0);
    if (r <= 0) break;
    got += static_cast<std::size_t>(r);
  }
  if (got == n) return;
  std::random_device rd;  // the kernel call failed: a fresh device read instead
  for (std::size_t i = got; i < n; ++i)
    bytes[i] = static_cast<unsigned char>(rd());
}

}  // namespace

std::string NewEntryId() {
  static constexpr char kHex[] = "0123456789ABCDEF";
  unsigned char bytes[24];
  FillRandom(bytes, sizeof bytes);
  std::string id;
  id.reserve(2 * sizeof bytes);
  for (const unsigned char b : bytes) {
    id += kHex[b >> 4];
    id += kHex[b & 0xF];
  }
  return id;
}

}  // namespace velmora::posix
