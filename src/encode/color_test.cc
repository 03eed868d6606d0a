#include "encode/color.h"

#include <gtest/gtest.h>

namespace vellaro {
namespace {

TEST(ColorToHexTest, RedGreenBlueOrder) {
  const struct {
    std::int32_t value;
    const char* text;
  } cases[] = {
      {0x0000FF, "FF0000"},   {0xFF0000, "0000FF"},  {0, "000000"},
      {0xFFFFFF, "FFFFFF"},   {0x123456, "563412"},  {0x000105, "050100"},
      {0x000001, "010000"},   {0x7F123456, "563412"},  // low 24 bits only
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ColorToHex(c.value), c.text) << std::hex << c.value;
  }
}

}  // namespace
}  // namespace vellaro
