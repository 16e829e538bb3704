// The zone mark over a fake stream read in pieces: which marks ask, the name, the question.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "text.h"
#include "zone_identifier.h"

namespace {

// The full path as Windows makes it, from the current folder C:\cur: '/' as '\', "." and
// ".." parts resolved, the last part's trailing dots and blanks dropped.
std::string WindowsFullPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.find(':') != 1) path = "C:\\cur\\" + path;
  std::string full = path.substr(0, 2), part;
  for (std::istringstream parts(path.substr(2)); std::getline(parts, part, '\\');) {
    if (part == ".." && full.size() > 2) full.erase(full.rfind('\\'));
    if (part != "." && part != ".." && !part.empty()) full += "\\" + part;
  }
  return path.back() == '\\' ? full + "\\" : full.erase(full.find_last_not_of(". ") + 1);
}

struct FakeZone {
  std::string content, opened, asked, full;  // full: the full path ("" as Windows makes it)
  std::string marked;                        // when set, the one file whose stream is there
  StreamOpen open = StreamOpen::kOpened;
  bool readFails = false, answer = false;

  ZoneHost host() {
    auto full = [](void* context, const char* path, char* out, std::size_t capacity) {
      const std::string& given = static_cast<FakeZone*>(context)->full;
      return CopyText(out, capacity, (given.empty() ? WindowsFullPath(path) : given).c_str()) &&
             given != "-";
    };
    auto open = [](void* context, const char* name, void** stream) {
      FakeZone& fake = *static_cast<FakeZone*>(context);
      fake.opened = name;
      *stream = context;
      bool longForm = fake.opened.rfind("\\\\?\\", 0) == 0;
      std::string file = fake.opened.substr(longForm ? 4 : 0);
      // As Windows: a plain name of MAX_PATH bytes or more names nothing.
      bool there = (longForm || file.size() < kTextSize) &&
                   (fake.marked.empty() || file == fake.marked + ":Zone.Identifier");
      return there ? fake.open : StreamOpen::kMissing;
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
    return ZoneHost{full, open, read, [](void*, void*) {}, ask, this};
  }
};

}  // namespace

TEST(ZoneIdentifier, OnlyInternetAndRestrictedZonesAsk) {
  const bool kAsks = true, kRuns = false;
  auto utf16 = [](const std::u16string& text, bool bigEndian = false) {  // as Windows writes it
    std::string out;
    for (char16_t c : text) out += {char(bigEndian ? c >> 8 : c), char(bigEndian ? c : c >> 8)};
    return out;
  };
  const std::string head = "[ZoneTransfer]\r\n";
  const std::string url = "HostUrl=https://example.com/" + std::string(5000, 'a') + "\r\n";
  const StreamOpen kOpened = StreamOpen::kOpened;
  struct Case {
    std::string content;
    bool asks;
    StreamOpen open = StreamOpen::kOpened;
    bool readFails = false;
    std::string path = "C:\\plan.tlf", full = "";
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
      {head + "ZoneId=39\r\n", kRuns},
      {"\r\n" + head + "ZoneId=03\r\n", kAsks},  // a blank first line, a zero before the zone
      {head + "HostUrl=https://example.com/\r\nZoneId=3\r\n", kAsks},
      {"ZoneId=3\r\n" + head, kRuns},  // outside any section
      {"[Other]\r\nZoneId=3\r\n" + head, kRuns},
      {"[ZoneTransfex]\r\nZoneId=3\r\n", kRuns},
      {std::string("\x82\xA0\x00\xFF=3\r\n[\r\n", 11), kRuns},
      {"\xEF\xBB\xBF" + head + "ZoneId=3\r\n", kAsks},
      {utf16(u"\uFEFF[ZoneTransfer]\r\nZoneId=3\r\n"), kAsks},
      {utf16(u"[ZoneTransfer]\r\nZoneId=4"), kAsks},
      {utf16(u"\uFEFF[ZoneTransfer]\r\nZoneId=3", true), kAsks},
      {utf16(u"[ZoneTransfer]\r\nZoneId=4\r\n", true), kAsks},
      {head + "ZoneId=2\r\n" + url, kRuns},
      {head + url + "ZoneId=2\r\n", kAsks},  // over 4 KB a zone may lie beyond, or be cut
      {head + std::string(4096 - head.size() - 9, 'x') + "\nZoneId=2", kRuns},
      {head + std::string(4096 - head.size() - 8, 'x') + "\nZoneId=2", kAsks},
      {head + "ZoneId=3", kRuns, StreamOpen::kMissing},
      {head + "ZoneId=1", kAsks, StreamOpen::kFailed},  // there, but not to be opened
      {head + "ZoneId=1", kAsks, kOpened, true},        // there, but not to be read
      {head + "ZoneId=3", kRuns, kOpened, false, " "},  // not the current folder's stream
      {head + "ZoneId=3", kRuns, kOpened, false, "a", "C:\\a\\"},  // nor a folder's
      {head + "ZoneId=1", kAsks, kOpened, false, "a", "-"},        // no full path
      {head + "ZoneId=3", kAsks, kOpened, false, "C:\\" + std::string(256, 'a')},
      {head + "ZoneId=1", kAsks, kOpened, false, "a", "C:\\" + std::string(517, 'f')},
  };
  for (const Case& c : cases) {
    FakeZone fake;
    fake.content = c.content;
    fake.open = c.open;
    fake.readFails = c.readFails;
    fake.full = c.full;
    EXPECT_EQ(MayRunSchedule(fake.host(), c.path.c_str(), "Run's Tarvilo"), !c.asks);
    EXPECT_EQ(fake.asked.empty(), !c.asks) << c.content.substr(0, 60);
  }
  // The stream is named after the full path, from 260 bytes on in the long form, up to a
  // full path of 519 bytes.
  const std::string name = "\\" + std::string(250, 'b');
  for (const auto& [full, opened] :
       {std::pair{"C:" + name + ". ", "\\\\?\\C:" + name},
        {"\\\\srv\\share" + name, "\\\\?\\UNC\\srv\\share" + name},
        {"\\\\?\\C:" + name, "\\\\?\\C:" + name},
        {"C:" + name + name + "\\" + std::string(14, 'c'),
         "\\\\?\\C:" + name + name + "\\" + std::string(14, 'c')}}) {
    FakeZone fake;
    fake.full = full;
    MayRunSchedule(fake.host(), "plan.tlf", "Run's Tarvilo");
    EXPECT_EQ(fake.opened, opened + ":Zone.Identifier") << full;
  }
  // The mark of the file the open reads, whatever the tail; the long form from 244 bytes.
  for (const std::string tail :
       {"\\plan.tlf", "\\plan.tlf\\.", "\\plan.tlf\\sub\\..", "\\sub\\..\\plan.tlf\\."}) {
    for (std::size_t length : {30, 244, 259}) {
      std::string folder = "C:\\" + std::string(length - 3 - tail.size(), 'f');
      FakeZone fake;
      fake.content = head + "ZoneId=3";
      fake.marked = folder + "\\plan.tlf";
      EXPECT_FALSE(MayRunSchedule(fake.host(), (folder + tail).c_str(), "Run's Tarvilo"))
          << length << tail;
    }
  }
  char path[kTextSize] = "sub/../plan.tlf\\.";  // the runner opens what it asks about
  ResolveSchedulePath(FakeZone().host(), path);
  EXPECT_STREQ(path, "C:\\cur\\plan.tlf");
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
