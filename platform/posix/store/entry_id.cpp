#include "platform/posix/store/entry_id.h"

#include <array>
#include <cstdint>
#include <random>

namespace velmora::posix {

std::string NewEntryId() {
  // One engine per thread, seeded from the system's entropy, so that ids made
  // in two processes at the same moment still differ.
  thread_local std::mt19937_64 engine = [] {
    std::random_device rd;
    std::seed_seq seed{rd(), rd(), rd(), rd(), rd(), rd(), rd(), rd()};
    return std::mt19937_64(seed);
  }();
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string id;
  id.reserve(48);
  for (int word = 0; word < 3; ++word) {
    std::uint64_t v = engine();
    for (int i = 0; i < 16; ++i, v >>= 4)
      id += kHex[v & 0xF];
  }
  return id;
}

}  // namespace velmora::posix
