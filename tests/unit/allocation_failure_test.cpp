// Running out of memory while saving, loading or adding to a schedule: the operation
// reports failure and loses nothing, and the program goes on. This test program puts its own
// versions of the core's allocation functions (memory.h) in place of the core's, which can be
// told to fail from a given allocation on; unarmed they allocate as usual.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "document.h"
#include "fakes/fake_document_host.h"
#include "fakes/test_files.h"
#include "memory.h"
#include "schedule_file.h"

namespace fs = std::filesystem;

namespace {

// -1: every allocation succeeds; n >= 0: the next n succeed and every later one fails.
long allocationsBeforeFailure = -1;

// Whether the next allocation may succeed.
bool AllocationAllowed() {
  if (allocationsBeforeFailure == 0) return false;
  if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
  return true;
}

// Arms the failure for the life of the object.
struct FailingAllocations {
  explicit FailingAllocations(long after) { allocationsBeforeFailure = after; }
  ~FailingAllocations() { allocationsBeforeFailure = -1; }
};

struct Folder {
  fs::path path = fs::temp_directory_path() / "tarvilo-allocation-test";
  Folder() {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  std::size_t entries() const {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(path)) count += entry.exists() ? 1 : 0;
    return count;
  }
};

}  // namespace

void* AllocateBlock(std::size_t size) {
  return AllocationAllowed() ? std::malloc(size == 0 ? 1 : size) : nullptr;
}
void* ResizeBlock(void* block, std::size_t size) {
  return AllocationAllowed() ? std::realloc(block, size == 0 ? 1 : size) : nullptr;
}
void FreeBlock(void* block) { std::free(block); }

// A save fails cleanly at whichever allocation memory runs out: false, the old file as it
// was, no temporary left; once enough allocations succeed the save goes through.
TEST(AllocationFailure, SaveReportsFailureAndKeepsTheOldFile) {
  Folder folder;
  std::string path = (folder.path / "plan.tlf").string();
  ScheduleList list;
  list.append(NewScheduleItem("Mail", "C:\\mail.exe", "", "", 0, 0));
  list.itemCount = 1;
  ScheduleOptions options;
  ASSERT_TRUE(WriteScheduleFile(path.c_str(), list, options));
  std::string old = ReadFileBytes(path);
  options.showRunnerWindow = true;
  bool saved = false;
  for (long after = 0; after < 50 && !saved; ++after) {
    {
      FailingAllocations failing(after);
      saved = WriteScheduleFile(path.c_str(), list, options);
    }
    if (!saved) {
      EXPECT_EQ(ReadFileBytes(path), old) << after;
      EXPECT_EQ(folder.entries(), 1u) << after;
    }
  }
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadFileBytes(path).substr(0, 6), "true\r\n");
  list.clear();
}

// A load that runs out of memory reads the whole file or reports it unreadable with an
// empty list, never part of it; it never ends the program.
TEST(AllocationFailure, LoadIsAllOrNothing) {
  Folder folder;
  std::string path = (folder.path / "plan.tlf").string();
  ScheduleList list;
  list.append(NewScheduleItem("Mail", "C:\\mail.exe", "", "", 0, 0));
  list.append(NewScheduleItem("Backup", "C:\\backup.exe", "", "", 0, 0));
  list.itemCount = 2;
  ASSERT_TRUE(WriteScheduleFile(path.c_str(), list, ScheduleOptions{}));
  list.clear();
  for (long after = 0; after < 4; ++after) {
    ScheduleOptions options;
    bool loaded;
    {
      FailingAllocations failing(after);
      loaded = LoadScheduleFile(path.c_str(), list, options);
    }
    EXPECT_EQ(list.itemCount, loaded ? 2 : 0) << after;
    EXPECT_EQ(loaded, after > 2) << after;  // the file's bytes, then one block per item
    list.clear();
    {
      FailingAllocations failing(after);
      loaded = LoadRunnerSchedule(path.c_str(), list);
    }
    EXPECT_EQ(list.itemCount, loaded ? 2 : 0) << after;
    list.clear();
  }
}

// Formatting fails cleanly also when the block must grow: false and no bytes, never a
// part of the file; once enough allocations succeed the bytes are the usual ones.
TEST(AllocationFailure, FormatGivesAllOrNothing) {
  std::string text(258, 'x');
  ScheduleList list;
  for (int i = 0; i < 4; ++i) {
    list.append(NewScheduleItem(text.c_str(), text.c_str(), text.c_str(), text.c_str(), 5, 0));
  }
  list.itemCount = 4;
  ScheduleFileBytes expected;
  ASSERT_TRUE(FormatScheduleFile(list, ScheduleOptions{}, expected));
  bool formatted = false;
  long after = 0;
  for (; after < 10 && !formatted; ++after) {
    ScheduleFileBytes bytes;
    {
      FailingAllocations failing(after);
      formatted = FormatScheduleFile(list, ScheduleOptions{}, bytes);
    }
    if (formatted) {
      EXPECT_EQ(std::string(bytes.data, bytes.size), std::string(expected.data, expected.size));
    } else {
      EXPECT_EQ(bytes.data, nullptr) << after;
      EXPECT_EQ(bytes.size, 0u) << after;
    }
    FreeScheduleFileBytes(bytes);
  }
  EXPECT_TRUE(formatted);
  EXPECT_GT(after, 2);  // the four long records needed the block to grow at least once
  FreeScheduleFileBytes(expected);
  list.clear();

  // A block that already holds the size asked for is used as it is: no allocation.
  ScheduleFileBytes reused;
  ASSERT_TRUE(FormatScheduleFile(list, ScheduleOptions{}, reused));
  FailingAllocations failing(0);
  EXPECT_TRUE(FormatScheduleFile(list, ScheduleOptions{}, reused));
  FreeScheduleFileBytes(reused);
}

// Bytes the in-memory reader cannot copy are unreadable: no items, the options kept.
TEST(AllocationFailure, InMemoryReadOfUncopiedBytesFails) {
  const char bytes[] =
      "true\r\ntrue\r\n\r\n1\r\n\r\nA\r\na.exe\r\nnn\r\nnn\r\nfalse\r\n0\r\n\r\n";
  ScheduleList list;
  ScheduleOptions options{true, true};
  {
    FailingAllocations failing(0);
    EXPECT_EQ(ParseScheduleText(bytes, sizeof bytes - 1, list, options), FileProblem::kFailed);
  }
  EXPECT_EQ(list.head, nullptr);
  EXPECT_TRUE(options.showRunnerWindow);  // kept, not read from an empty file
  options.showRunnerWindow = false;
  ParseScheduleText(bytes, sizeof bytes - 1, list, options);
  EXPECT_EQ(list.itemCount, 1);
  EXPECT_TRUE(options.showRunnerWindow);
  list.clear();
}

// An add whose item cannot be allocated says so and changes nothing.
TEST(AllocationFailure, AddSaysWhenItCannotAllocate) {
  FakeDocumentHost fake;
  EditorDocument document;
  document.host = fake.host();
  fake.itemDialog = [](ItemFields& fields) { return CopyText(fields.name, "A"); };
  {
    FailingAllocations failing(0);
    AddItem(document);
  }
  EXPECT_EQ(document.schedule.head, nullptr);
  EXPECT_FALSE(document.modified);
  ASSERT_EQ(fake.messages.size(), 1u);
  EXPECT_EQ(fake.messages[0].text, "メモリが足りないため、アイテムを追加できませんでした。");
}
