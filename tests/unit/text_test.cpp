// Bounded copies never overrun and never split a double-byte character.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// The smallest buffers: capacity 0 leaves the buffer alone, capacity 1 holds only the NUL.
TEST(Text, CapacityZeroAndOne) {
  struct Case {
    std::size_t capacity;
    const char* source;
    bool fits;
    const char* result;
  };
  const std::vector<Case> cases = {
      {0, "", false, "#"}, {0, "a", false, "#"},       {1, "", true, ""},
      {1, "a", false, ""}, {1, "\x95\x5C", false, ""},
  };
  for (const Case& test : cases) {
    char copy[4] = "#";
    EXPECT_EQ(CopyText(copy, test.capacity, test.source), test.fits) << test.capacity;
    EXPECT_STREQ(copy, test.result) << test.capacity;
    char append[4] = "#";
    if (test.capacity == 1) append[0] = '\0';  // a 1-byte buffer can only hold ""
    EXPECT_EQ(AppendText(append, test.capacity, test.source), test.fits) << test.capacity;
    EXPECT_STREQ(append, test.result) << test.capacity;
    char format[4] = "#";
    EXPECT_EQ(FormatText(format, test.capacity, "%s", test.source), test.fits) << test.capacity;
    EXPECT_STREQ(format, test.result) << test.capacity;
  }
}

TEST(Text, CharWidthStepsOverWholeCharacters) {
  EXPECT_EQ(CharWidth("a"), 1u);
  EXPECT_EQ(CharWidth("\\"), 1u);
  EXPECT_EQ(CharWidth("\x95\x5C"), 2u);  // 表: its trail byte is 0x5C
  EXPECT_EQ(CharWidth("\x95"), 1u);      // a lead byte right before the NUL stands alone
  EXPECT_EQ(CharWidth("\xA0\x5C"), 1u);  // half-width katakana are single bytes
  EXPECT_EQ(CharWidth(""), 1u);
}

// A 259-byte text fits a kTextSize buffer exactly; 260 bytes do not.
TEST(Text, ExactFitInATextBuffer) {
  const std::string fits(259, 'x');
  const std::string over(260, 'x');
  char buffer[kTextSize];
  EXPECT_TRUE(CopyText(buffer, fits.c_str()));
  EXPECT_EQ(std::string(buffer), fits);
  EXPECT_FALSE(CopyText(buffer, over.c_str()));
  EXPECT_EQ(std::string(buffer), fits);
  EXPECT_TRUE(FormatText(buffer, sizeof buffer, "%s", fits.c_str()));
  EXPECT_FALSE(FormatText(buffer, sizeof buffer, "%s", over.c_str()));
  EXPECT_STREQ(buffer, "");
}
