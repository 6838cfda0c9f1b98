// Reads what the process's debug log received while a test ran: the log is
// reopened in the folder of the services installed at construction, and only
// lines written after that are seen.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

#include "common/debug.h"

namespace velmora::test {

class LogCapture {
 public:
  LogCapture() {
    ReleaseDebug();
    path_ = g_debug().FilePath();
    std::error_code ec;
    const auto size = std::filesystem::file_size(path_, ec);
    start_ = ec ? 0 : size;
  }
  ~LogCapture() { ReleaseDebug(); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Everything written since construction.
  std::string Text() const {
    std::ifstream in(path_, std::ios::binary);
    std::string all{std::istreambuf_iterator<char>(in), {}};
    return all.size() > start_ ? all.substr(start_) : std::string();
  }
  bool Contains(std::string_view part) const { return Text().find(part) != std::string::npos; }
  // Lines written since construction (each ends in CR LF).
  std::size_t LineCount() const {
    std::size_t n = 0;
    const std::string t = Text();
    for (std::size_t p = t.find("\r\n"); p != std::string::npos; p = t.find("\r\n", p + 2))
      ++n;
    return n;
  }

 private:
  std::filesystem::path path_;
  std::uintmax_t start_ = 0;
};

}  // namespace velmora::test
