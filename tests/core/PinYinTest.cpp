// Sort keys from the first letters of the pinyin of names.

#include <gtest/gtest.h>

#include "core/PinYin.h"

namespace vokari {
namespace {

TEST(PinYin, FirstLettersOfChineseLatinAndDigitNames) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"", ""},
      {"户口迁入", "HKQR"},
      {"身份证申领", "SFZSL"},
      {"出生登记", "CSDJ"},
      {"爱", "A"},            // a reading that starts with a toned vowel
      {"ID卡补办", "IDKBB"},  // Latin letters are upper-cased as they are
      {"abc", "ABC"},
      {"2号窗口", "2HCK"},         // digits stay digits
      {"户口 (迁入)", "HK##QR#"},  // blanks and punctuation read "#"
      {"居住证·办理", "JZZ#BL"},
      {"Ünïcode", "#N#CODE"},  // Latin letters outside ASCII are not guessed at
  };
  for (const auto& [name, key] : cases) EXPECT_EQ(PinYin::pinYin(name), key) << name;
}

TEST(PinYin, PolyphonicCharactersTakeOneReadingWhateverTheirNeighbours) {
  // 行 reads xíng or háng, 长 cháng or zhǎng, 重 zhòng or chóng: the key of a character does
  // not depend on the word it stands in.
  for (const char* c : {"行", "长", "重", "乐"}) {
    std::string alone = PinYin::pinYin(c);
    ASSERT_EQ(alone.size(), 1u) << c;
    EXPECT_TRUE(alone[0] >= 'A' && alone[0] <= 'Z') << c;
    EXPECT_EQ(PinYin::pinYin(std::string("银") + c).substr(1), alone) << c;
    EXPECT_EQ(PinYin::pinYin(std::string(c) + "李").substr(0, 1), alone) << c;
  }
  EXPECT_EQ(PinYin::pinYin("\xff\xfe"), "##");  // malformed bytes
}

}  // namespace
}  // namespace vokari
