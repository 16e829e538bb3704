// Running out of memory while saving or loading a schedule: the operation reports failure
// and loses nothing, and the program goes on. This test program replaces the global
// operator new with one that can be told to fail from a given allocation on.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "schedule_file.h"

namespace fs = std::filesystem;

namespace {

// -1: every allocation succeeds; n >= 0: the next n succeed and every later one fails.
long allocationsBeforeFailure = -1;

void* Allocate(std::size_t size) {
  if (allocationsBeforeFailure == 0) throw std::bad_alloc();
  if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

// Arms the failure for the life of the object.
struct FailingAllocations {
  explicit FailingAllocations(long after) { allocationsBeforeFailure = after; }
  ~FailingAllocations() { allocationsBeforeFailure = -1; }
};

std::string ReadAll(const std::string& path) {
  std::string bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return "<missing>";
  char chunk[4096];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
  std::fclose(file);
  return bytes;
}

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

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

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
  std::string old = ReadAll(path);
  options.showRunnerWindow = true;
  bool saved = false;
  for (long after = 0; after < 50 && !saved; ++after) {
    {
      FailingAllocations failing(after);
      saved = WriteScheduleFile(path.c_str(), list, options);
    }
    if (!saved) {
      EXPECT_EQ(ReadAll(path), old) << after;
      EXPECT_EQ(folder.entries(), 1u) << after;
    }
  }
  EXPECT_TRUE(saved);
  EXPECT_EQ(ReadAll(path).substr(0, 6), "true\r\n");
  list.clear();
}

// A load that runs out of memory reports failure or stops at the items it could hold; it
// never ends the program.
TEST(AllocationFailure, LoadStopsCleanly) {
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
    EXPECT_EQ(list.head != nullptr, loaded && after > 1) << after;
    list.clear();
    {
      FailingAllocations failing(after);
      loaded = LoadRunnerSchedule(path.c_str(), list);
    }
    EXPECT_LE(list.itemCount, 2) << after;
    list.clear();
  }
}
