// The single-instance check over a fake: an existing mutex, one that appears between the
// look and the creation (two copies started together), and a creation that fails.
#include <gtest/gtest.h>

#include <string>

#include "instance_mutex.h"

namespace {

struct FakeMutexes {
  bool exists = false;
  MutexCreation creation = MutexCreation::kCreated;
  int creations = 0;
  std::string told;
  std::string caption;

  InstanceMutexHost host() {
    return InstanceMutexHost{
        [](void* context, const char*) { return static_cast<FakeMutexes*>(context)->exists; },
        [](void* context, const char*) {
          FakeMutexes& fake = *static_cast<FakeMutexes*>(context);
          ++fake.creations;
          return fake.creation;
        },
        [](void* context, const char* text, const char* caption) {
          static_cast<FakeMutexes*>(context)->told = text;
          static_cast<FakeMutexes*>(context)->caption = caption;
        },
        this};
  }
};

}  // namespace

TEST(InstanceMutex, OnlyTheCopyThatCreatedItGoesOn) {
  struct Case {
    bool exists;
    MutexCreation creation;
    bool goesOn;
    int creations;
  };
  const Case cases[] = {
      {false, MutexCreation::kCreated, true, 1},
      {true, MutexCreation::kCreated, false, 0},
      {false, MutexCreation::kAlreadyExists, false, 1},  // started at the same moment
      {false, MutexCreation::kFailed, true, 1},
  };
  for (const Case& c : cases) {
    FakeMutexes fake;
    fake.exists = c.exists;
    fake.creation = c.creation;
    EXPECT_EQ(TakeInstanceMutex(fake.host(), "Run'sTarvilo", "Run's Tarvilo"), c.goesOn);
    EXPECT_EQ(fake.creations, c.creations);
    EXPECT_EQ(fake.told.empty(), c.goesOn);
    if (!c.goesOn) {
      EXPECT_EQ(fake.told, "このアプリケーションは多重起動することはできません。");
      EXPECT_EQ(fake.caption, "Run's Tarvilo");
    }
  }
}
