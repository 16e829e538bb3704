// A FileLookup over a fixed table, for testing ToLongPath and the command-line resolution
// without a file system: each known path maps to the long name of its last component.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "long_path.h"

struct FakeFileLookup {
  std::map<std::string, std::string> entries;  // path looked up -> name found
  std::vector<std::string> queries;            // every path looked up, in order

  void add(const std::string& path, const std::string& foundName);
  FileLookup lookup();
};
