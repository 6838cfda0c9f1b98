// Runs a fuzz target outside libFuzzer: every file of a seed corpus folder,
// then a number of pseudo-random mutations of those seeds. Deterministic, so
// a failure in CI repeats locally.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  std::vector<std::string> seeds;
  if (argc > 1 && std::filesystem::is_directory(argv[1])) {
    for (const auto& e : std::filesystem::directory_iterator(argv[1])) {
      std::ifstream in(e.path(), std::ios::binary);
      seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  if (seeds.empty()) seeds.emplace_back();
  const long rounds = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 10000;
  for (const auto& s : seeds)
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
  std::mt19937 rng(12345);
  // A literal of the std::string kind, so that the NUL is part of it.
  using namespace std::string_literals;
  const std::string alphabet = "0123456789;#-:/ APM\\\xff\x00"s;
  for (long i = 0; i < rounds; ++i) {
    std::string s = seeds[rng() % seeds.size()];
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < edits; ++k) {
      const std::size_t pos = s.empty() ? 0 : rng() % (s.size() + 1);
      switch (rng() % 4) {
        case 0:
          s.insert(pos, 1, alphabet[rng() % alphabet.size()]);
          break;
        case 1:
          if (pos < s.size()) s.erase(pos, 1 + rng() % 4);
          break;
        case 2:
          if (pos < s.size()) s[pos] = static_cast<char>(rng() % 256);
          break;
        default:
          s.insert(pos, std::to_string(static_cast<long long>(static_cast<int>(rng())) - 1000000));
          break;
      }
    }
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
  }
  std::printf("replayed %zu seeds and %ld mutations\n", seeds.size(), rounds);
  return 0;
}
