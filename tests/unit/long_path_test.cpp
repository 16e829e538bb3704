// ToLongPath over a fake lookup: short components replaced by their long names, the parts
// the loop never looks at kept, every form of path naming the same file afterwards, and
// every way it can fail leaving the output alone.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

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

TEST(ToLongPath, NullArgumentsFailWithoutLookingAnythingUp) {
  FakeFileLookup fake;
  fake.add("C:\\A.TLF", "a.tlf");
  char output[kTextSize] = "untouched";
  EXPECT_FALSE(ToLongPath(nullptr, output, sizeof output, fake.lookup()));
  EXPECT_FALSE(ToLongPath("C:\\A.TLF", nullptr, kTextSize, fake.lookup()));
  EXPECT_FALSE(ToLongPath("C:\\A.TLF", output, sizeof output, FileLookup{nullptr, nullptr}));
  EXPECT_STREQ(output, "untouched");
  EXPECT_TRUE(fake.queries.empty());
}

// Every form of path comes back naming the same file: only a component's own long name
// replaces it; ".", ".." and wildcards stay as given, and "/" separates like "\".
struct PathForm {
  const char* source;
  std::vector<std::pair<std::string, std::string>> entries;  // path looked up -> name found
  const char* expected;
};

TEST(ToLongPath, EveryPathFormNamesTheSameFile) {
  const std::vector<PathForm> forms = {
      // A lookup of "sub\.." finds the current folder ("work"), which is not "..".
      {"sub\\..\\plan.tlf",
       {{"sub\\..\\plan.tlf", "plan.tlf"}, {"sub\\..", "work"}, {"sub", "sub"}},
       "sub\\..\\plan.tlf"},
      {".\\PLAN~1.TLF", {{".\\PLAN~1.TLF", "plan one.tlf"}, {".", "work"}}, ".\\plan one.tlf"},
      {"..\\..\\PLAN~1.TLF",
       {{"..\\..\\PLAN~1.TLF", "plan one.tlf"}, {"..\\..", "C:"}, {"..", "Users"}},
       "..\\..\\plan one.tlf"},
      {"C:\\A\\.\\BEE~1\\..\\X.TLF",
       {{"C:\\A\\.\\BEE~1\\..\\X.TLF", "x.tlf"},
        {"C:\\A\\.\\BEE~1\\..", "Aye"},
        {"C:\\A\\.\\BEE~1", "Bee Folder"},
        {"C:\\A\\.", "Aye"},
        {"C:\\A", "Aye"}},
       "C:\\Aye\\.\\Bee Folder\\..\\x.tlf"},
      // "/" separates like "\", and each separator stays the one the source used.
      {"dir/PLAN~1.TLF",
       {{"dir/PLAN~1.TLF", "plan one.tlf"}, {"dir", "dir"}},
       "dir/plan one.tlf"},
      {"C:\\a/b\\PLAN~1.TLF",
       {{"C:\\a/b\\PLAN~1.TLF", "plan one.tlf"}, {"C:\\a/b", "Bee"}, {"C:\\a", "Aye"}},
       "C:\\Aye/Bee\\plan one.tlf"},
      {"C:/PROGRA~1/PLAN~1.TLF",
       {{"C:/PROGRA~1/PLAN~1.TLF", "plan one.tlf"}, {"C:/PROGRA~1", "Program Files"}},
       "C:/Program Files/plan one.tlf"},
      {"/DATA~1/A.TLF",
       {{"/DATA~1/A.TLF", "a.tlf"}, {"/DATA~1", "Data Files"}},
       "/Data Files/a.tlf"},
      {"..\\sub/../PLAN~1.TLF",
       {{"..\\sub/../PLAN~1.TLF", "plan one.tlf"}, {"..\\sub/..", "up"}, {"..\\sub", "sub"}},
       "..\\sub/../plan one.tlf"},
      // A wildcard names no file; the lookup would find one that matches.
      {"C:\\DIR~1\\*.tlf",
       {{"C:\\DIR~1\\*.tlf", "first.tlf"}, {"C:\\DIR~1", "Dir Name"}},
       "C:\\Dir Name\\*.tlf"},
      {"C:\\DIR~1\\plan?.tlf",
       {{"C:\\DIR~1\\plan?.tlf", "plan1.tlf"}, {"C:\\DIR~1", "Dir"}},
       "C:\\Dir\\plan?.tlf"},
      // Two separators in a row: the empty part between them cannot be looked up and stays.
      {"C:\\A\\\\B~1.TLF",
       {{"C:\\A\\\\B~1.TLF", "bee.tlf"}, {"C:\\A", "Aye"}},
       "C:\\Aye\\\\bee.tlf"},
      // 表 (0x95 0x5C) before a "/": its trail byte is no separator, the "/" is.
      {"C:\\\x95\x5C/PLAN~1.TLF",
       {{"C:\\\x95\x5C/PLAN~1.TLF", "plan one.tlf"}, {"C:\\\x95\x5C", "\x95\x5C"}},
       "C:\\\x95\x5C/plan one.tlf"},
  };
  for (const PathForm& form : forms) {
    FakeFileLookup fake;
    for (const auto& entry : form.entries) fake.add(entry.first, entry.second);
    bool ok = false;
    EXPECT_EQ(LongPathOf(fake, form.source, &ok), form.expected) << form.source;
    EXPECT_TRUE(ok) << form.source;
  }
}

// The result must fit 259 bytes: a last component that makes it exactly 259 does, one
// byte more does not.
TEST(ToLongPath, ExactFitOfTheLastComponent) {
  struct Case {
    std::string source;
    std::string longName;  // found for the source
    bool fits;
  };
  const std::string name256(256, 'n');
  const std::vector<Case> cases = {
      {"C:\\" + name256, name256, true},                     // 259 bytes as given
      {"C:\\N~1", name256, true},                            // 259 bytes once long
      {"C:\\N~1", name256 + "n", false},                     // 260 bytes once long
      {std::string(259, 'b'), std::string(259, 'b'), true},  // a bare name of 259 bytes
      {"C:\\" + name256 + "n", name256 + "n", false},        // a source of 260 bytes
  };
  for (const Case& test : cases) {
    FakeFileLookup fake;
    fake.add(test.source, test.longName);
    bool ok = !test.fits;
    std::string result = LongPathOf(fake, test.source, &ok);
    EXPECT_EQ(ok, test.fits) << test.source.size() << " " << test.longName.size();
    if (test.fits) {
      EXPECT_EQ(result.size(), 259u);
    } else {
      EXPECT_EQ(result, "untouched");
    }
  }
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
