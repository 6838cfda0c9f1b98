// Sets an environment variable for a scope and puts the old value back.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace velmora::test {

struct ScopedEnv {
  ScopedEnv(const char* var, const std::string& value) : name(var) {
    if (const char* was = std::getenv(var)) old = was;
    ::setenv(var, value.c_str(), 1);
  }
  ~ScopedEnv() { old ? ::setenv(name, old->c_str(), 1) : ::unsetenv(name); }
  ScopedEnv(const ScopedEnv&) = delete;
  const char* name;
  std::optional<std::string> old;
};

}  // namespace velmora::test
