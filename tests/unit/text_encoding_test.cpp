// UTF-8 schedules: which files are taken as UTF-8, their code page 932 text in both
// readers, and a character without a code page 932 form.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "schedule_file.h"
#include "text_encoding.h"

namespace {

// Knows あ, 表 (second byte '\') and half-width ｱ; any other character is "?".
bool FakeUtf8ToCodePage932(void*, const char* utf8, std::size_t size, char* out,
                           std::size_t capacity, std::size_t* written, bool* lossy) {
  const char* const kKnown[][2] = {
      {"\xE3\x81\x82", "\x82\xA0"}, {"\xE8\xA1\xA8", "\x95\x5C"}, {"\xEF\xBD\xB1", "\xB1"}};
  std::string text(utf8, size), result;  // copied first: out may be the input's place
  for (std::size_t i = 0; i < text.size();) {
    std::size_t length = 1;
    while (i + length < text.size() && (text[i + length] & 0xC0) == 0x80) ++length;
    std::string character = text.substr(i, length);
    std::string converted = static_cast<unsigned char>(text[i]) < 0x80 ? character : "?";
    for (const auto& known : kKnown) converted = character == known[0] ? known[1] : converted;
    *lossy = *lossy || converted == "?";
    result += converted;
    i += length;
  }
  *written = result.size();
  return result.size() <= capacity && (std::memcpy(out, result.data(), result.size()), true);
}

const TextConversionHost kFakeConversion{FakeUtf8ToCodePage932, nullptr};

}  // namespace

TEST(TextEncoding, Utf8SchedulesReadAsCodePage932) {
  SetScheduleTextConversion(&kFakeConversion);
  struct Case {
    bool mark;  // the byte order mark first
    std::string name, read;
    bool wellFormed;
  } kCases[] = {
      {true, "\xE3\x81\x82", "\x82\xA0", true},
      {false, "\xE8\xA1\xA8\xEF\xBD\xB1", "\x95\x5C\xB1", true},
      {false, "\x95\x5C\x82\xA0", "\x95\x5C\x82\xA0", true},          // Shift-JIS stays
      {false, "\xE3\x81!", "\xE3\x81!", true},                        // a cut character
      {false, "\xC0\xAF\xED\xA0\x80", "\xC0\xAF\xED\xA0\x80", true},  // overlong, surrogate
      {false, "plan", "plan", true},
      {false, "\xF0\x9F\x98\x80\xE3\x81\x82", "?\x82\xA0", false},  // no code page 932 form
      {true, "a\xFF", "a?", false},                                 // not UTF-8 after the mark
  };
  for (const Case& c : kCases) {
    std::string bytes = (c.mark ? "\xEF\xBB\xBF" : "") + std::string("true\r\ntrue\r\n1\r\n") +
                        c.name + "\r\nC:\\" + c.name + ".exe\r\nnn\r\nnn\r\nfalse\r\n0\r\n";
    ScheduleList list;
    ScheduleOptions options;
    bool wellFormed = !c.wellFormed;
    ParseScheduleText(bytes.data(), bytes.size(), list, options, &wellFormed);
    EXPECT_EQ(wellFormed, c.wellFormed) << c.read;
    ASSERT_EQ(list.itemCount, 1) << c.read;
    EXPECT_EQ(list.head->name, c.read);
    EXPECT_EQ(list.head->path, "C:\\" + c.read + ".exe");
    EXPECT_TRUE(options.showRunnerWindow && options.exitAfterRun) << c.read;
    list.clear();
    ParseRunnerScheduleText(bytes.data(), bytes.size(), list);
    ASSERT_EQ(list.itemCount, 1) << c.read;
    EXPECT_EQ(list.head->name, c.read);
    EXPECT_TRUE(ParseRunnerOptionsText(bytes.data(), bytes.size()).exitAfterRun) << c.read;
    list.clear();
  }
  SetScheduleTextConversion(nullptr);
}
