// The field-type table against the format's own list: codes, letters and record widths, both ways.
#include "db/paradox/field_type.h"

#include <gtest/gtest.h>

#include <string_view>

using namespace db::paradox;

namespace {

TEST(FieldTypes, CodesLettersAndWidthsAsTheFormatHasThem) {
  struct Case {
    std::uint8_t code;
    char letter;
    int size;   // the descriptor's size byte
    int width;  // bytes in the record, 0 when the size is refused
  };
  // clang-format off
  const Case cases[] = {
      {0x01, 'A', 30, 30}, {0x01, 'A', 0, 0},   {0x02, 'D', 4, 4},   {0x02, 'D', 8, 0},
      {0x03, 'S', 2, 2},   {0x03, 'S', 4, 0},   {0x04, 'I', 4, 4},   {0x05, '$', 8, 8},
      {0x06, 'N', 8, 8},   {0x06, 'N', 4, 0},   {0x09, 'L', 1, 1},   {0x0C, 'M', 10, 10},
      {0x0C, 'M', 9, 0},   {0x0D, 'B', 40, 40}, {0x0E, 'F', 11, 11}, {0x0F, 'O', 12, 12},
      {0x10, 'G', 13, 13}, {0x14, 'T', 4, 4},   {0x15, '@', 8, 8},   {0x16, '+', 4, 4},
      {0x17, '#', 2, 17},  {0x17, '#', 32, 17}, {0x17, '#', 33, 0},  {0x18, 'Y', 5, 5},
  };
  // clang-format on
  for (const Case& c : cases) {
    const std::optional<PdxType> type = typeFromCode(c.code);
    ASSERT_TRUE(type) << c.letter;
    EXPECT_EQ(typeCode(*type), c.code) << c.letter;
    EXPECT_EQ(typeLetter(*type), c.letter);
    EXPECT_EQ(typeFromLetter(c.letter), type) << c.letter;
    EXPECT_EQ(fieldWidth(*type, c.size), c.width) << c.letter << c.size;
    EXPECT_EQ(isBlob(*type), std::string_view("MBFOG").find(c.letter) != std::string_view::npos) << c.letter;
  }
  // Seventeen codes are types and no other byte is one.
  int types = 0;
  for (int code = 0; code < 256; ++code) types += typeFromCode(static_cast<std::uint8_t>(code)) ? 1 : 0;
  EXPECT_EQ(types, 17);
  EXPECT_FALSE(typeFromCode(0x07));
  EXPECT_FALSE(typeFromLetter('Q'));
  EXPECT_FALSE(typeFromLetter('\0'));
}

}  // namespace
