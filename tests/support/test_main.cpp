// Test entry point: every test process logs into its own temporary folder, so
// nothing lands beside the sources and tests can read what was logged.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "common/services.h"
#include "support/temp_dir.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  velmora::test::TempDir logs("logs");
  velmora::GetServices().logFolder = logs.Path();
  return RUN_ALL_TESTS();
}
