// The shared registry suite runs on a fresh in-memory SQLite registry.
#include <memory>

#include "platform/posix/registry_sqlite.h"
#include "support/test_registry.h"

namespace velmora::test {

std::unique_ptr<RegistryBackend> MakeTestRegistryBackend() {
  return std::make_unique<posix::SqliteRegistry>(":memory:");
}

const char* TestRegistryRoot() {
  return "Software\\VelmoraTest";
}

}  // namespace velmora::test
