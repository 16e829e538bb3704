// The runner's command line: association mode, one path made long, several parts joined.
#include <gtest/gtest.h>

#include <string>

#include "command_line.h"
#include "fakes/fake_file_lookup.h"
#include "text.h"

namespace {

struct Resolution {
  RunnerMode mode;
  std::string path;
};

Resolution Resolve(FakeFileLookup& fake, std::initializer_list<const char*> arguments) {
  std::vector<const char*> args(arguments);
  char path[kTextSize] = "stale";
  RunnerMode mode =
      ResolveRunnerCommandLine(static_cast<int>(args.size()), args.data(), fake.lookup(), path);
  return Resolution{mode, path};
}

}  // namespace

TEST(RunnerCommandLine, NoArgumentIsAssociationMode) {
  FakeFileLookup fake;
  EXPECT_EQ(Resolve(fake, {}).mode, RunnerMode::kAssociation);
  EXPECT_TRUE(fake.queries.empty());
}

TEST(RunnerCommandLine, OneArgumentIsMadeLong) {
  FakeFileLookup fake;
  fake.add("C:\\Users\\me\\plan.tlf", "plan.tlf");
  fake.add("C:\\Users\\me", "me");
  fake.add("C:\\Users", "Users");
  Resolution plain = Resolve(fake, {"C:\\Users\\me\\plan.tlf"});
  EXPECT_EQ(plain.mode, RunnerMode::kSchedule);
  EXPECT_EQ(plain.path, "C:\\Users\\me\\plan.tlf");

  fake.add("C:\\MYSCHE~1\\PLAN~1.TLF", "plan one.tlf");
  fake.add("C:\\MYSCHE~1", "My Schedules");
  EXPECT_EQ(Resolve(fake, {"C:\\MYSCHE~1\\PLAN~1.TLF"}).path, "C:\\My Schedules\\plan one.tlf");

  // A file that does not exist keeps its given form, for the message that names it.
  Resolution missing = Resolve(fake, {"E:\\absent.tlf"});
  EXPECT_EQ(missing.mode, RunnerMode::kSchedule);
  EXPECT_EQ(missing.path, "E:\\absent.tlf");
}

TEST(RunnerCommandLine, SeveralArgumentsAreJoinedWithTrailingBlank) {
  FakeFileLookup fake;
  Resolution joined = Resolve(fake, {"C:\\My", "Schedules\\plan.tlf"});
  EXPECT_EQ(joined.mode, RunnerMode::kSchedule);
  EXPECT_EQ(joined.path, "C:\\My Schedules\\plan.tlf ");
  EXPECT_TRUE(fake.queries.empty());  // the joined path is not made long

  // 259 bytes of text and blanks fit; one more byte would not, and a cut path is not used.
  std::string first(128, 'a');
  std::string second(129, 'b');
  EXPECT_EQ(Resolve(fake, {first.c_str(), second.c_str()}).path, first + " " + second + " ");
  std::string longer(130, 'b');
  EXPECT_EQ(Resolve(fake, {first.c_str(), longer.c_str()}).path, "");
}

TEST(RunnerCommandLine, OneArgumentEndingAtByte259Fits) {
  FakeFileLookup fake;
  const std::string fits = "C:\\" + std::string(256, 'p');  // 259 bytes
  const std::string over = fits + "p";                      // 260 bytes
  fake.add(fits, std::string(256, 'p'));
  fake.add(over, std::string(257, 'p'));
  EXPECT_EQ(Resolve(fake, {fits.c_str()}).path, fits);
  EXPECT_EQ(Resolve(fake, {over.c_str()}).path, "");
}
