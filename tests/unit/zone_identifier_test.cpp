// The zone mark over a fake stream read in pieces: which marks ask, the name, the question.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "zone_identifier.h"

namespace {

struct FakeZone {
  std::string content, opened, asked;
  bool exists = true, readFails = false, answer = false;

  ZoneHost host() {
    auto open = [](void* context, const char* name) -> void* {
      static_cast<FakeZone*>(context)->opened = name;
      return static_cast<FakeZone*>(context)->exists ? context : nullptr;
    };
    auto read = [](void*, void* stream, char* buffer, std::size_t capacity) -> long {
      FakeZone& fake = *static_cast<FakeZone*>(stream);
      std::size_t count = std::min({capacity, fake.content.size(), std::size_t{7}});
      fake.content.copy(buffer, count);
      fake.content.erase(0, count);
      return fake.readFails ? -1 : static_cast<long>(count);
    };
    auto ask = [](void* context, const char* text, const char* caption) {
      static_cast<FakeZone*>(context)->asked = std::string(caption) + "|" + text;
      return static_cast<FakeZone*>(context)->answer;
    };
    return ZoneHost{open, read, [](void*, void*) {}, ask, this};
  }
};

}  // namespace

TEST(ZoneIdentifier, OnlyInternetAndRestrictedZonesAsk) {
  const bool kAsks = true, kRuns = false;
  auto utf16 = [](const std::u16string& text) {  // as Windows writes it
    return std::string(reinterpret_cast<const char*>(text.data()), 2 * text.size());
  };
  const std::string head = "[ZoneTransfer]\r\n";
  const std::string url = "HostUrl=https://example.com/" + std::string(5000, 'a') + "\r\n";
  struct Case {
    std::string content;
    bool asks, exists = true, readFails = false;
    const char* path = "C:\\plan.tlf";
  } cases[] = {
      {head + "ZoneId=0\r\n", kRuns},
      {head + "ZoneId=1\r\n", kRuns},
      {head + "ZoneId=2\r\n", kRuns},
      {head + "ZoneId=3\r\nReferrerUrl=https://example.com/\r\n", kAsks},
      {head + "ZoneId=4", kAsks},  // no line end after the last line
      {"[ZoneTransfer]\nZoneId=3\n", kAsks},
      {" [ zonetransfer ] \r\n\t ZoneId \t=  4 \r\n", kAsks},
      {head + "ReferrerUrl=https://example.com/\r\n", kRuns},
      {head + "ZoneId=99999999999\r\n", kRuns},
      {"[Other]\r\nZoneId=3\r\n" + head, kRuns},
      {std::string("\x82\xA0\x00\xFF=3\r\n[\r\n", 11), kRuns},
      {"\xEF\xBB\xBF" + head + "ZoneId=3\r\n", kAsks},
      {utf16(u"\uFEFF[ZoneTransfer]\r\nZoneId=3\r\n"), kAsks},
      {utf16(u"[ZoneTransfer]\r\nZoneId=4"), kAsks},
      {head + "ZoneId=2\r\n" + url, kRuns},
      {head + url + "ZoneId=2\r\n", kAsks},  // over 4 KB a zone may lie beyond, or be cut
      {head + std::string(4096 - head.size() - 9, 'x') + "\nZoneId=2", kRuns},
      {head + std::string(4096 - head.size() - 8, 'x') + "\nZoneId=2", kAsks},
      {head + "ZoneId=3", kRuns, false},             // no stream
      {head + "ZoneId=3", kRuns, true, true},        // a stream that cannot be read
      {head + "ZoneId=3", kRuns, true, false, " "},  // not the current folder's stream
  };
  for (const Case& c : cases) {
    FakeZone fake;
    fake.content = c.content;
    fake.exists = c.exists;
    fake.readFails = c.readFails;
    EXPECT_EQ(MayRunSchedule(fake.host(), c.path, "Run's Tarvilo"), !c.asks);
    EXPECT_EQ(fake.asked.empty(), !c.asks) << c.content.substr(0, 60);
  }
  // The path joined from split arguments ends in a blank, which the file's name drops.
  FakeZone marked;
  marked.content = head + "ZoneId=3";
  marked.answer = true;
  EXPECT_TRUE(MayRunSchedule(marked.host(), "C:\\my plan.tlf ", "Run's Tarvilo"));
  EXPECT_EQ(marked.opened, "C:\\my plan.tlf:Zone.Identifier");
  EXPECT_EQ(
      marked.asked,
      "Run's Tarvilo|"
      "このスケジュールはインターネットなど他のコンピューターから取得したファイルです。\n"
      "C:\\my plan.tlf \n書かれているプログラムを順に起動します。実行しますか？\n\n"
      "信頼できるファイルの場合は、ファイルのプロパティで「許可する」にチェックを入れると、"
      "次回から確認しません。");
}
