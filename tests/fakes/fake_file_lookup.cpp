// The table-driven FileLookup used by the long-path and command-line tests.
#include "fakes/fake_file_lookup.h"

#include "text.h"

namespace {

bool FindInTable(void* context, const char* path, char* foundName) {
  FakeFileLookup* fake = static_cast<FakeFileLookup*>(context);
  fake->queries.push_back(path);
  auto entry = fake->entries.find(path);
  if (entry == fake->entries.end()) return false;
  CopyText(foundName, kTextSize, entry->second.c_str());
  return true;
}

}  // namespace

void FakeFileLookup::add(const std::string& path, const std::string& foundName) {
  entries[path] = foundName;
}

FileLookup FakeFileLookup::lookup() { return FileLookup{&FindInTable, this}; }
