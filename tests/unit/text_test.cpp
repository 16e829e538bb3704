// Bounded copies never overrun and never split a double-byte character.
#include <gtest/gtest.h>

#include "text.h"

TEST(Text, CopyFitsOrCutsAtCharacterBoundary) {
  char small[4];
  EXPECT_TRUE(CopyText(small, "abc"));
  EXPECT_STREQ(small, "abc");
  EXPECT_FALSE(CopyText(small, "abcd"));
  EXPECT_STREQ(small, "abc");
  // "a" then 表 (0x95 0x5C) then "b": three bytes of room keep "a" and the whole character.
  EXPECT_FALSE(CopyText(small,
                        "a\x95\x5C"
                        "b"));
  EXPECT_STREQ(small, "a\x95\x5C");
  // Two bytes of room after "ab": the character does not fit, so it is dropped whole.
  EXPECT_FALSE(CopyText(small, "ab\x95\x5C"));
  EXPECT_STREQ(small, "ab");
}

TEST(Text, AppendAndFormatReportOverflow) {
  char buffer[8] = "abc";
  EXPECT_TRUE(AppendText(buffer, "def"));
  EXPECT_STREQ(buffer, "abcdef");
  EXPECT_FALSE(AppendText(buffer, "gh"));
  EXPECT_STREQ(buffer, "abcdefg");
  EXPECT_TRUE(FormatText(buffer, sizeof buffer, "%s,%d", "ab", -108));
  EXPECT_STREQ(buffer, "ab,-108");
  EXPECT_FALSE(FormatText(buffer, sizeof buffer, "%s,%d", "abc", -108));
  EXPECT_STREQ(buffer, "");
}

TEST(Text, LeadBytesOfCodePage932) {
  EXPECT_TRUE(IsLeadByte(0x81));
  EXPECT_TRUE(IsLeadByte(0x95));
  EXPECT_TRUE(IsLeadByte(0xFC));
  EXPECT_FALSE(IsLeadByte(0x5C));
  EXPECT_FALSE(IsLeadByte(0xA0));  // half-width katakana are single bytes
  EXPECT_FALSE(IsLeadByte('a'));
}
