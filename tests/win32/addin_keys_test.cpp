// The keystroke text the send/receive fallback sends ("%{F9}", "%{F5}") read
// into keys with their modifiers; text that cannot be read is refused.
#include <gtest/gtest.h>

#include "platform/win32/adapters/addin_ports_win32.h"

#include <windows.h>

#include "common/host_error.h"

namespace velmora::win32 {
namespace {

TEST(KeystrokeText, ModifiersApplyToTheNextKeyOrGroupAndUnreadableTextIsRefused) {
  EXPECT_EQ(ParseKeys("%{F9}"), (std::vector<KeyStroke>{{.vk = VK_F9, .alt = true}}));
  EXPECT_EQ(ParseKeys("%{f5}"), (std::vector<KeyStroke>{{.vk = VK_F5, .alt = true}}));
  EXPECT_EQ(ParseKeys("^a b"),
            (std::vector<KeyStroke>{{.ch = L'a', .ctrl = true}, {.ch = L' '}, {.ch = L'b'}}));
  EXPECT_EQ(ParseKeys("+(ab)c"),
            (std::vector<KeyStroke>{
                {.ch = L'a', .shift = true}, {.ch = L'b', .shift = true}, {.ch = L'c'}}));
  // Braces name the signs themselves, and repeat a key.
  EXPECT_EQ(ParseKeys("{+}{%}{}}"),
            (std::vector<KeyStroke>{{.ch = L'+'}, {.ch = L'%'}, {.ch = L'}'}}));
  EXPECT_EQ(
      ParseKeys("{TAB 3}~"),
      (std::vector<KeyStroke>{{.vk = VK_TAB}, {.vk = VK_TAB}, {.vk = VK_TAB}, {.vk = VK_RETURN}}));
  // Text that cannot be read is refused.
  for (const char* bad : {"{F17}", "{NOSUCHKEY}", "{F9", "(ab", "ab)", "}", "{a x}", "{a 99999}"})
    EXPECT_THROW(ParseKeys(bad), HostError) << bad;
  EXPECT_TRUE(ParseKeys("").empty());
}

}  // namespace
}  // namespace velmora::win32
