// Path splitting that knows Shift-JIS: the extension of the last component and the drive
// and folder part of a path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "path_split.h"

namespace {

std::string DriveAndFolder(const char* path) {
  char out[260];
  SplitDriveAndFolder(path, out, sizeof out);
  return out;
}

}  // namespace

TEST(PathSplit, DriveAndFolder) {
  EXPECT_EQ(DriveAndFolder("C:\\Tools\\app.exe"), "C:\\Tools\\");
  EXPECT_EQ(DriveAndFolder("app.exe"), "");
  EXPECT_EQ(DriveAndFolder("C:app.exe"), "C:");
  EXPECT_EQ(DriveAndFolder("C:\\Tools"), "C:\\");
  EXPECT_EQ(DriveAndFolder(""), "");
  EXPECT_EQ(DriveAndFolder("\\\\server\\share\\a.exe"), "\\\\server\\share\\");
  EXPECT_EQ(DriveAndFolder("D:/x/y.bat"), "D:/x/");
}

TEST(PathSplit, DriveAndFolderSkipsTrailBytes) {
  // 表 is 0x95 0x5C (octal \225\134) and ソ is 0x83 0x5C: neither trail byte ends the folder.
  EXPECT_EQ(DriveAndFolder("C:\\\x95\x5C\\app.exe"), "C:\\\x95\x5C\\");
  EXPECT_EQ(DriveAndFolder("C:\\a\\\225\134b"), "C:\\a\\");
  EXPECT_EQ(DriveAndFolder("C:\\a\\\x83\x5C"), "C:\\a\\");
  // A lead byte as the very last byte is taken alone, without reading past the end.
  EXPECT_EQ(DriveAndFolder("C:\\a\\\x95"), "C:\\a\\");
}

// A folder that does not fit gives "", capacity 0 leaves the buffer alone, and a missing
// path gives "".
TEST(PathSplit, DriveAndFolderInSmallBuffers) {
  struct Case {
    const char* path;
    std::size_t capacity;
    const char* result;
  };
  const std::vector<Case> cases = {
      {"C:\\Tools\\app.exe", 6, ""},
      {"C:\\a\\b", 6, "C:\\a\\"},
      {"C:\\a\\b", 5, ""},
      {"app.exe", 1, ""},
      {"C:\\a", 1, ""},
      {"C:\\a", 0, "#####"},
      {"", 0, "#####"},
      {nullptr, 6, ""},
  };
  for (const Case& test : cases) {
    char out[6] = "#####";
    SplitDriveAndFolder(test.path, out, test.capacity);
    EXPECT_STREQ(out, test.result) << (test.path ? test.path : "null") << " " << test.capacity;
  }
}

TEST(PathSplit, LastSeparator) {
  EXPECT_EQ(LastPathSeparator("C:\\a\\b"), 4);
  EXPECT_EQ(LastPathSeparator("C:\\a/b"), 4);
  EXPECT_EQ(LastPathSeparator("dir/sub\\x"), 7);
  EXPECT_EQ(LastPathSeparator("C:\\\x95\x5C"), 2);  // 表's trail byte is no separator
  EXPECT_EQ(LastPathSeparator("plan.tlf"), -1);
  EXPECT_EQ(LastPathSeparator(""), -1);
}

// The file name keeps a last component of 259 bytes whole when its base name and its
// extension are each within 255 bytes.
TEST(PathSplit, FileNameOfA259ByteComponent) {
  const std::string base255(255, 'b');
  char fileName[260];
  DeriveFileName(("C:\\dir\\" + base255 + ".tlf").c_str(), fileName);
  EXPECT_EQ(std::string(fileName), base255 + ".tlf");
  DeriveFileName(("C:/dir/" + base255 + "b.tl").c_str(), fileName);  // 256: cut to 255
  EXPECT_EQ(std::string(fileName), base255 + ".tl");
}

TEST(PathSplit, Extension) {
  EXPECT_STREQ(PathExtension("C:\\data\\plan.tlf"), ".tlf");
  EXPECT_STREQ(PathExtension("C:\\data\\SCHEDULE.TLF"), ".TLF");
  EXPECT_STREQ(PathExtension("C:\\a.b\\prog"), "");
  EXPECT_STREQ(PathExtension("archive.tar.gz"), ".gz");
  EXPECT_STREQ(PathExtension(""), "");
  EXPECT_STREQ(PathExtension("C:.tlf"), ".tlf");
  // The dot after 表 still counts; a trail byte 0x5C before it is no separator.
  EXPECT_STREQ(PathExtension("C:\\\x95\x5C.tlf"), ".tlf");
}
