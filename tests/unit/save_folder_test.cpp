// The folder a save puts its temporary file in is the target's own folder as
// SplitDriveAndFolder gives it, down to a target at the root of the current drive.
#include <gtest/gtest.h>

#include <string>

#include "path_split.h"

TEST(SaveFolder, TargetsAtARoot) {
  struct Case {
    const char* target;
    const char* folder;
  };
  const Case kCases[] = {
      {"\\plan.tlf", "\\"}, {"/plan.tlf", "/"}, {"C:\\plan.tlf", "C:\\"},
      {"C:plan.tlf", "C:"}, {"plan.tlf", ""},
  };
  for (const Case& c : kCases) {
    char folder[260];
    SplitDriveAndFolder(c.target, folder, sizeof folder);
    EXPECT_STREQ(folder, c.folder) << c.target;
  }
}
