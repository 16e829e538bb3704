// ToLongPath over a fake lookup: short components replaced by their long names, the parts
// the loop never looks at kept, and every way it can fail leaving the output alone.
#include <gtest/gtest.h>

#include <string>

#include "fakes/fake_file_lookup.h"
#include "long_path.h"
#include "text.h"

#ifdef _WIN32
#include <windows.h>

#include <filesystem>
#endif

namespace {

std::string LongPathOf(FakeFileLookup& fake, const std::string& source, bool* ok = nullptr) {
  char output[kTextSize] = "untouched";
  bool result = ToLongPath(source.c_str(), output, sizeof output, fake.lookup());
  if (ok != nullptr) *ok = result;
  return output;
}

}  // namespace

TEST(ToLongPath, ReplacesShortNames) {
  FakeFileLookup fake;
  fake.add("C:\\PROGRA~1\\MYAPP~1.TLF", "My Application.tlf");
  fake.add("C:\\PROGRA~1", "Program Files");
  bool ok = false;
  EXPECT_EQ(LongPathOf(fake, "C:\\PROGRA~1\\MYAPP~1.TLF", &ok),
            "C:\\Program Files\\My Application.tlf");
  EXPECT_TRUE(ok);
  // Looked up from the whole path towards the drive, which ends the loop unlooked-at.
  ASSERT_EQ(fake.queries.size(), 3u);
  EXPECT_EQ(fake.queries[0], "C:\\PROGRA~1\\MYAPP~1.TLF");
  EXPECT_EQ(fake.queries[2], "C:");
}

TEST(ToLongPath, LeadingBackslashAndBareName) {
  FakeFileLookup fake;
  fake.add("\\DATA~1\\A.TLF", "a.tlf");
  fake.add("\\DATA~1", "Data Files");
  EXPECT_EQ(LongPathOf(fake, "\\DATA~1\\A.TLF"), "\\Data Files\\a.tlf");
  fake.add("PLAN~1.TLF", "plan for monday.tlf");
  // Without a separator the name comes back as given.
  EXPECT_EQ(LongPathOf(fake, "PLAN~1.TLF"), "PLAN~1.TLF");
  // A relative first folder is never looked up for its own name.
  fake.add("sub\\X.TLF", "x.tlf");
  fake.add("sub", "Subfolder");
  EXPECT_EQ(LongPathOf(fake, "sub\\X.TLF"), "sub\\x.tlf");
}

TEST(ToLongPath, TrailByte5CIsNoSeparator) {
  FakeFileLookup fake;
  // The folder 表 (0x95 0x5C): splitting at its trail byte would look up "C:\x95".
  fake.add("C:\\\x95\x5C\\PLAN~1.TLF", "plan one.tlf");
  fake.add("C:\\\x95\x5C", "\x95\x5C");
  EXPECT_EQ(LongPathOf(fake, "C:\\\x95\x5C\\PLAN~1.TLF"), "C:\\\x95\x5C\\plan one.tlf");
  for (const std::string& query : fake.queries) EXPECT_NE(query, "C:\\\x95");
}

TEST(ToLongPath, FailuresLeaveTheOutputUntouched) {
  FakeFileLookup fake;
  bool ok = true;
  EXPECT_EQ(LongPathOf(fake, "C:\\missing.tlf", &ok), "untouched");
  EXPECT_FALSE(ok);

  // A long form of 260 bytes or more does not fit.
  std::string longName(200, 'L');
  fake.add("C:\\AAAAAA~1\\B.TLF", "b.tlf");
  fake.add("C:\\AAAAAA~1", longName);
  fake.add("C:\\AAAAAA~1\\BBBBBB~1.TLF", longName + ".tlf");
  EXPECT_EQ(LongPathOf(fake, "C:\\AAAAAA~1\\B.TLF", &ok), "C:\\" + longName + "\\b.tlf");
  EXPECT_TRUE(ok);
  EXPECT_EQ(LongPathOf(fake, "C:\\AAAAAA~1\\BBBBBB~1.TLF", &ok), "untouched");
  EXPECT_FALSE(ok);

  // The result fits the text but not the caller's capacity.
  char small[8] = "keep";
  fake.add("C:\\A.TLF", "a.tlf");
  EXPECT_FALSE(ToLongPath("C:\\A.TLF", small, 8, fake.lookup()));
  EXPECT_STREQ(small, "keep");
  char exact[9] = "";
  EXPECT_TRUE(ToLongPath("C:\\A.TLF", exact, sizeof exact, fake.lookup()));
  EXPECT_STREQ(exact, "C:\\a.tlf");

  // A source of 260 bytes or more is refused before any lookup.
  std::string huge = "C:\\" + std::string(257, 'x');
  fake.add(huge, "x");
  fake.queries.clear();
  EXPECT_EQ(LongPathOf(fake, huge, &ok), "untouched");
  EXPECT_FALSE(ok);
  EXPECT_TRUE(fake.queries.empty());
}

TEST(ToLongPath, NetworkShareRootIsKeptAsGiven) {
  FakeFileLookup fake;
  // The share root and the server cannot be looked up; the names given are kept.
  fake.add("\\\\server\\share\\DOCUME~1\\PLAN~1.TLF", "plan one.tlf");
  fake.add("\\\\server\\share\\DOCUME~1", "Documents");
  EXPECT_EQ(LongPathOf(fake, "\\\\server\\share\\DOCUME~1\\PLAN~1.TLF"),
            "\\\\server\\share\\Documents\\plan one.tlf");
}

#ifdef _WIN32
// The real lookup: a file under a long folder name, reached by its 8.3 short path.
TEST(ToLongPath, FindFirstFileLookupOnWindows) {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / "Tarvilo Long Folder Name";
  fs::create_directories(folder);
  fs::path file = folder / "Long Schedule Name.tlf";
  std::FILE* created = std::fopen(file.string().c_str(), "wb");
  ASSERT_NE(created, nullptr);
  std::fclose(created);
  char longPath[kTextSize];
  char shortPath[kTextSize];
  ASSERT_NE(GetLongPathNameA(file.string().c_str(), longPath, sizeof longPath), 0u);
  ASSERT_NE(GetShortPathNameA(longPath, shortPath, sizeof shortPath), 0u);
  char output[kTextSize] = "";
  EXPECT_TRUE(ToLongPath(shortPath, output, sizeof output, FindFirstFileLookup()));
  EXPECT_STREQ(output, longPath);
  char untouched[kTextSize] = "same";
  std::string missing = folder.string() + "\\absent.tlf";
  EXPECT_FALSE(ToLongPath(missing.c_str(), untouched, sizeof untouched, FindFirstFileLookup()));
  EXPECT_STREQ(untouched, "same");
  fs::remove_all(folder);
}
#endif
