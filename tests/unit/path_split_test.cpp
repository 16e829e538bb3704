// Path splitting that knows Shift-JIS: the extension of the last component and the drive
// and folder part of a path.
#include <gtest/gtest.h>

#include <string>

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

TEST(PathSplit, DriveAndFolderThatDoesNotFitIsEmpty) {
  char small[6] = "xxxxx";
  SplitDriveAndFolder("C:\\Tools\\app.exe", small, sizeof small);
  EXPECT_STREQ(small, "");
  SplitDriveAndFolder("C:\\a\\b", small, sizeof small);
  EXPECT_STREQ(small, "C:\\a\\");
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
