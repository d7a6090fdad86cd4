#include <gtest/gtest.h>

#include "core/FieldRules.h"
#include "core/IsIdCard.h"

namespace vokari {
namespace {

TEST(IsIdCard, AcceptsAnyEighteenCharactersAndNothingElse) {
  EXPECT_TRUE(IsIdCard::personIdValidation("11010519491231002X"));
  EXPECT_TRUE(IsIdCard::personIdValidation("abcdefghijklmnopqr"));
  EXPECT_TRUE(IsIdCard::personIdValidation("一二三四五六七八九十一二三四五六七八"));  // 54 bytes
  EXPECT_FALSE(IsIdCard::personIdValidation("110105491231002"));     // the old 15-digit cards
  EXPECT_FALSE(IsIdCard::personIdValidation("11010519491231002😀"));  // 19 units
  EXPECT_FALSE(IsIdCard::personIdValidation(std::nullopt));
}

TEST(IsIdCard, SexIsTheSeventeenthDigitModuloTwo) {
  EXPECT_EQ(IsIdCard::getSex("11010519491231003X"), 1);
  EXPECT_EQ(IsIdCard::getSex("110105194912310047"), 0);
  EXPECT_EQ(IsIdCard::getSex("110105194912310091"), 1);
  EXPECT_EQ(IsIdCard::getSex("1101051949123100A1"), 0);  // a non-digit counts 0
  // The 17th character is counted in UTF-16 units, not bytes.
  EXPECT_EQ(IsIdCard::getSex("一二三四五六七八九十一二三四五六7八"), 1);
  // Too short to have a 17th character: no crash, 0.
  EXPECT_EQ(IsIdCard::getSex("110105491231003"), 0);
  EXPECT_EQ(IsIdCard::getSex(std::nullopt), 0);
}

TEST(FieldRules, PhoneIsElevenCharactersStartingWithOne) {
  EXPECT_TRUE(FieldRules::isMobilePhone("13800000000"));
  EXPECT_FALSE(FieldRules::isMobilePhone("23800000000"));
  EXPECT_FALSE(FieldRules::isMobilePhone("1380000000"));
  EXPECT_FALSE(FieldRules::isMobilePhone(" 13800000000"));
  // Counted as the platform counts: a character outside the BMP is two units.
  EXPECT_TRUE(FieldRules::isMobilePhone("138000000😀"));
  EXPECT_FALSE(FieldRules::isMobilePhone("1380000000😀"));
  EXPECT_FALSE(FieldRules::isMobilePhone(std::nullopt));
}

TEST(FieldRules, PasswordLengthAndBlankFields) {
  EXPECT_FALSE(FieldRules::isPassword("12345"));
  EXPECT_TRUE(FieldRules::isPassword("123456"));
  EXPECT_TRUE(FieldRules::isPassword(std::string(30, 'a')));
  EXPECT_FALSE(FieldRules::isPassword(std::string(31, 'a')));
  EXPECT_TRUE(FieldRules::isPassword("密码密码密码"));  // 6 characters, 18 bytes
  EXPECT_FALSE(FieldRules::isPassword(std::nullopt));
  EXPECT_FALSE(FieldRules::isVerificationCode(" \n"));
  EXPECT_TRUE(FieldRules::isVerificationCode("1234"));
  EXPECT_FALSE(FieldRules::isFullName(std::nullopt));
  EXPECT_TRUE(FieldRules::isFullName("李 四"));
  EXPECT_TRUE(FieldRules::isIdentityNumber("11010519491231002X"));
}

}  // namespace
}  // namespace vokari
