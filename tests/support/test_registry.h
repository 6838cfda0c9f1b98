// The registry backend each platform's tests run the shared registry suite
// on: the SQLite backend on Linux, the real registry under Wine.
#pragma once

#include <memory>

#include "common/registry_backend.h"

namespace velmora::test {

// A fresh backend whose HKEY_CURRENT_USER starts without the test keys.
std::unique_ptr<RegistryBackend> MakeTestRegistryBackend();
// A subkey of HKEY_CURRENT_USER that only this test run uses.
const char* TestRegistryRoot();

}  // namespace velmora::test
