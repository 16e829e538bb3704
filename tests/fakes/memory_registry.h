// An in-memory registry behind RegistryHost for the association tests. It keeps two key
// trees (the classes for all users and the user's classes, merged in HKEY_CLASSES_ROOT
// as parentFor says), records every call in order as one readable line, and fails any call it
// is told to (the n-th call of a kind, every call of a kind on one key path, or every call
// of a kind under one root).
//
// Key paths under HKEY_CLASSES_ROOT are written with names joined by backslashes
// ("tlf_auto_file\shell\open"); those in the user's classes start with kUserClasses
// ("HKCU\Software\Classes\tlf_auto_file"). Call lines:
//   "create <path>", "set <path> = <text> (<byteCount>)", "open <path>",
//   "delete <path>", "close <path>", "exists <path>", "read <path> = <text>", "notify",
//   "message <caption>: <text>"
// and a failed call ends in ": <reason>" ("failed", "not found", "has subkeys").
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "registry_host.h"

enum class RegCall { kCreate, kSet, kOpen, kDelete };

// How the user's classes are written in key paths.
extern const char kUserClasses[];  // "HKCU\Software\Classes"

struct MemoryRegistry {
  struct Node {
    std::string name;
    std::string path;
    bool hasValue = false;
    std::string value;
    Node* parent = nullptr;
    std::vector<Node*> children;
    bool deleted = false;
  };
  struct FailRule {
    RegCall kind;
    int nth;               // 1-based count among calls of this kind, 0: any
    std::string path;      // empty: any
    RegKey root = kNoKey;  // kClassesRoot or kUserClassesRoot; kNoKey: any
  };
  struct Message {
    std::string text;
    std::string caption;
  };

  MemoryRegistry();

  // Preparing a state: the key and all keys above it, optionally with a default value.
  void addKey(const std::string& path);
  void addKey(const std::string& path, const std::string& value);
  void failNth(RegCall kind, int nth);
  void failPath(RegCall kind, const std::string& path);
  void failRoot(RegCall kind, RegKey root);

  bool hasKey(const std::string& path) const;
  // The default value, or "<none>" when the key has none, "<no key>" when it is missing.
  std::string valueOf(const std::string& path) const;
  // Every key path of both places, sorted.
  std::vector<std::string> allKeys() const;
  // Calls recorded since the last clearCalls, optionally only those starting with prefix.
  std::vector<std::string> callsStartingWith(const std::string& prefix) const;
  void clearCalls();
  int openHandles() const { return static_cast<int>(handles.size()); }

  RegistryHost host();

  std::deque<Node> nodes;  // owns every node, deleted ones too, so handles never dangle
  Node* root;
  Node* userRoot;
  std::map<RegKey, Node*> handles;
  RegKey nextHandle = 0x1000;
  std::vector<FailRule> rules;
  std::map<RegCall, int> callCounts;
  std::vector<std::string> calls;
  std::vector<Message> messages;
  int badCloses = 0;  // closes of a key that was not open
  int notifications = 0;
  // Named values by "<key path>@<name>", unrecorded; kSet and kDelete rules on that fail them.
  std::map<std::string, std::string> values;
  // Under the same names: REG_BINARY values (their bytes), the names of values above that
  // are REG_EXPAND_SZ, and those an enumeration reports with characters outside ANSI.
  std::map<std::string, std::string> binaries;
  std::set<std::string> expandable;
  std::set<std::string> foreign;

  // Used by the host functions.
  Node* nodeOf(RegKey key) const;
  // As Windows merges them: a top-level key the user's classes hold is used there with all
  // below it, any other (and a new one) in the classes for all users.
  Node* parentFor(RegKey parent, const std::string& name) const;
  Node* findChild(Node* parent, const std::string& name) const;
  Node* addChild(Node* parent, const std::string& name);
  Node* findPath(const std::string& path) const;
  bool shouldFail(RegCall kind, const std::string& path);
  RegKey newHandle(Node* node);
};

// The child path of a key path.
std::string JoinKeyPath(const std::string& parent, const std::string& name);
