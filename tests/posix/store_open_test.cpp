// A store file that cannot be a velmora store is refused with its name and
// what to do, and left as it is: an empty (0-byte) file is never taken for a
// new store, a damaged one never overwritten.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/host_error.h"
#include "platform/posix/host/mail_host.h"
#include "support/temp_dir.h"

namespace velmora::posix {
namespace {

std::string Refusal(const std::filesystem::path& path) {
  try {
    MailHost::Open(path);
  } catch (const HostError& e) {
    return e.Description();
  }
  return "opened";
}

TEST(StoreOpen, AnEmptyOrDamagedStoreIsRefusedByNameAndKept) {
  test::TempDir dir("store-open");
  const auto empty = dir.Path() / "empty.db";
  std::ofstream(empty).close();
  const std::string refusal = Refusal(empty);
  EXPECT_NE(refusal.find(empty.string() + " is empty (0 bytes)"), std::string::npos) << refusal;
  EXPECT_NE(refusal.find("Restore it from a backup"), std::string::npos) << refusal;
  EXPECT_EQ(std::filesystem::file_size(empty), 0u);

  const auto damaged = dir.Path() / "damaged.db";
  std::ofstream(damaged, std::ios::binary) << std::string(8192, 'x');
  EXPECT_NE(Refusal(damaged).find(damaged.string() + " is damaged"), std::string::npos);
  EXPECT_EQ(std::filesystem::file_size(damaged), 8192u);
  EXPECT_EQ(Refusal(dir.Path() / "new.db"), "opened");  // a missing store is made
}

}  // namespace
}  // namespace velmora::posix
