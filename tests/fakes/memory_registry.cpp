// The in-memory registry: behaves like the Win32 calls the association relies on (create
// opens an existing key, delete refuses a key with subkeys, names compare without case)
// and writes one line per call for the tests to compare.
#include "memory_registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "text.h"

namespace {

constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorAccessDenied = 5;
constexpr int32_t kErrorInvalidHandle = 6;
constexpr int32_t kErrorMoreData = 234;

MemoryRegistry& RegistryOf(void* context) { return *static_cast<MemoryRegistry*>(context); }

// Registry names compare without ASCII case; the second byte of a double-byte character
// is never folded.
bool SameName(const std::string& left, const std::string& right) {
  if (left.size() != right.size()) return false;
  for (std::size_t index = 0; index < left.size(); ++index) {
    unsigned char a = static_cast<unsigned char>(left[index]);
    unsigned char b = static_cast<unsigned char>(right[index]);
    if (IsLeadByte(a) && index + 1 < left.size()) {
      if (a != b || left[index + 1] != right[index + 1]) return false;
      ++index;
      continue;
    }
    if (std::tolower(a) != std::tolower(b)) return false;
  }
  return true;
}

int32_t CreateKey(void* context, RegKey parent, const char* name, RegKey* key) {
  MemoryRegistry& registry = RegistryOf(context);
  *key = kNoKey;
  MemoryRegistry::Node* parentNode = registry.parentFor(parent, name);
  if (parentNode == nullptr) {
    registry.calls.push_back(std::string("create <bad handle>\\") + name + ": failed");
    return kErrorInvalidHandle;
  }
  std::string path = JoinKeyPath(parentNode->path, name);
  if (registry.shouldFail(RegCall::kCreate, path)) {
    registry.calls.push_back("create " + path + ": failed");
    return kErrorAccessDenied;
  }
  registry.calls.push_back("create " + path);
  MemoryRegistry::Node* node = registry.findChild(parentNode, name);
  if (node == nullptr) node = registry.addChild(parentNode, name);
  *key = registry.newHandle(node);
  return 0;
}

int32_t SetDefaultValue(void* context, RegKey key, const char* text, uint32_t byteCount) {
  MemoryRegistry& registry = RegistryOf(context);
  MemoryRegistry::Node* node = registry.nodeOf(key);
  std::string path = node ? node->path : "<bad handle>";
  std::string line = "set " + path + " = " + text + " (" + std::to_string(byteCount) + ")";
  if (node == nullptr) {
    registry.calls.push_back(line + ": failed");
    return kErrorInvalidHandle;
  }
  if (registry.shouldFail(RegCall::kSet, path)) {
    registry.calls.push_back(line + ": failed");
    return kErrorAccessDenied;
  }
  registry.calls.push_back(line);
  node->hasValue = true;
  // REG_SZ as stored: byteCount bytes, up to the first zero among them.
  std::string stored(text, std::min<std::size_t>(byteCount, std::string(text).size()));
  node->value = stored;
  return 0;
}

int32_t OpenKey(void* context, RegKey parent, const char* name, RegKey* key) {
  MemoryRegistry& registry = RegistryOf(context);
  *key = kNoKey;
  MemoryRegistry::Node* parentNode = registry.parentFor(parent, name);
  if (parentNode == nullptr) {
    registry.calls.push_back(std::string("open <bad handle>\\") + name + ": failed");
    return kErrorInvalidHandle;
  }
  std::string path = JoinKeyPath(parentNode->path, name);
  if (registry.shouldFail(RegCall::kOpen, path)) {
    registry.calls.push_back("open " + path + ": failed");
    return kErrorAccessDenied;
  }
  MemoryRegistry::Node* node = registry.findChild(parentNode, name);
  if (node == nullptr) {
    registry.calls.push_back("open " + path + ": not found");
    return kErrorFileNotFound;
  }
  registry.calls.push_back("open " + path);
  *key = registry.newHandle(node);
  return 0;
}

int32_t DeleteKey(void* context, RegKey parent, const char* name) {
  MemoryRegistry& registry = RegistryOf(context);
  MemoryRegistry::Node* parentNode = registry.parentFor(parent, name);
  if (parentNode == nullptr) {
    registry.calls.push_back(std::string("delete <bad handle>\\") + name + ": failed");
    return kErrorInvalidHandle;
  }
  std::string path = JoinKeyPath(parentNode->path, name);
  if (registry.shouldFail(RegCall::kDelete, path)) {
    registry.calls.push_back("delete " + path + ": failed");
    return kErrorAccessDenied;
  }
  MemoryRegistry::Node* node = registry.findChild(parentNode, name);
  if (node == nullptr) {
    registry.calls.push_back("delete " + path + ": not found");
    return kErrorFileNotFound;
  }
  if (!node->children.empty()) {
    registry.calls.push_back("delete " + path + ": has subkeys");
    return kErrorAccessDenied;
  }
  registry.calls.push_back("delete " + path);
  auto& siblings = parentNode->children;
  siblings.erase(std::find(siblings.begin(), siblings.end(), node));
  node->deleted = true;
  return 0;
}

void CloseKey(void* context, RegKey key) {
  MemoryRegistry& registry = RegistryOf(context);
  auto found = registry.handles.find(key);
  if (found == registry.handles.end()) {
    ++registry.badCloses;
    registry.calls.push_back("close <bad handle>");
    return;
  }
  registry.calls.push_back("close " + found->second->path);
  registry.handles.erase(found);
}

bool KeyExists(void* context, RegKey parent, const char* name) {
  MemoryRegistry& registry = RegistryOf(context);
  MemoryRegistry::Node* parentNode = registry.parentFor(parent, name);
  if (parentNode == nullptr) return true;
  std::string path = JoinKeyPath(parentNode->path, name);
  bool exists = registry.findPath(path) != nullptr;
  registry.calls.push_back("exists " + path + (exists ? ": yes" : ": no"));
  return exists;
}

int32_t ReadDefaultValue(void* context, RegKey root, const char* path, char* text,
                         uint32_t capacity) {
  MemoryRegistry& registry = RegistryOf(context);
  if (capacity > 0) text[0] = '\0';
  MemoryRegistry::Node* rootNode = registry.parentFor(root, path);
  if (rootNode == nullptr) {
    registry.calls.push_back(std::string("read <bad handle>\\") + path + ": failed");
    return kErrorInvalidHandle;
  }
  std::string fullPath = JoinKeyPath(rootNode->path, path);
  MemoryRegistry::Node* node = registry.findPath(fullPath);
  if (node == nullptr || !node->hasValue) {
    registry.calls.push_back("read " + fullPath + ": not found");
    return kErrorFileNotFound;
  }
  if (node->value.size() + 1 > capacity) {
    registry.calls.push_back("read " + fullPath + ": too long");
    return kErrorMoreData;
  }
  registry.calls.push_back("read " + fullPath + " = " + node->value);
  std::memcpy(text, node->value.c_str(), node->value.size() + 1);
  return 0;
}

std::string Named(const char* key, const char* name) { return std::string(key) + '@' + name; }

int32_t ReadValue(void* context, RegKey, const char* path, const char* name, char* text,
                  uint32_t capacity) {
  auto found = RegistryOf(context).values.find(Named(path, name));
  if (found == RegistryOf(context).values.end()) return kErrorFileNotFound;
  // As the real read: more data (234) unless the value and its terminator fit capacity.
  return CopyText(text, capacity, found->second.c_str()) ? 0 : kErrorMoreData;
}

int32_t SetValue(void* context, RegKey, const char* path, const char* name, const char* text,
                 uint32_t byteCount) {
  MemoryRegistry& registry = RegistryOf(context);
  if (registry.shouldFail(RegCall::kSet, Named(path, name))) return kErrorAccessDenied;
  if (strnlen(text, byteCount) + 1 != byteCount) return 87;  // the text and its zero, exactly
  registry.values[Named(path, name)] = std::string(text, strnlen(text, byteCount));
  return 0;
}

int32_t DeleteValue(void* context, RegKey, const char* path, const char* name) {
  MemoryRegistry& registry = RegistryOf(context);
  if (registry.shouldFail(RegCall::kDelete, Named(path, name))) return kErrorAccessDenied;
  std::size_t erased = registry.values.erase(Named(path, name));
  erased += registry.binaries.erase(Named(path, name));
  return erased > 0 ? 0 : kErrorFileNotFound;
}

int32_t QueryValue(void* context, RegKey, const char* path, const char* name, uint32_t* type,
                   uint8_t* data, uint32_t capacity, uint32_t* size) {
  MemoryRegistry& registry = RegistryOf(context);
  std::string key = Named(path, name);
  auto binary = registry.binaries.find(key);
  auto text = registry.values.find(key);
  std::string bytes;
  if (binary != registry.binaries.end()) {
    *type = kRegBinary;
    bytes = binary->second;
  } else if (text != registry.values.end()) {
    *type = registry.expandable.count(key) ? kRegExpandString : kRegString;
    bytes = text->second + '\0';
  } else {
    return kErrorFileNotFound;
  }
  *size = static_cast<uint32_t>(bytes.size());
  if (bytes.size() > capacity) return kErrorMoreData;
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  return 0;
}

int32_t SetBinaryValue(void* context, RegKey, const char* path, const char* name,
                       const uint8_t* data, uint32_t size) {
  MemoryRegistry& registry = RegistryOf(context);
  if (registry.shouldFail(RegCall::kSet, Named(path, name))) return kErrorAccessDenied;
  registry.binaries[Named(path, name)] = std::string(reinterpret_cast<const char*>(data), size);
  return 0;
}

// Both kinds of value of one key, in name order.
int32_t EnumValue(void* context, RegKey, const char* path, uint32_t index,
                  RegValueInfo* value) {
  MemoryRegistry& registry = RegistryOf(context);
  *value = RegValueInfo();
  std::map<std::string, std::string> named;
  const std::string prefix = std::string(path) + '@';
  for (const auto* values : {&registry.values, &registry.binaries}) {
    for (const auto& entry : *values) {
      if (entry.first.compare(0, prefix.size(), prefix) == 0) named.insert(entry);
    }
  }
  if (index >= named.size()) return kRegNoMoreItems;
  auto found = std::next(named.begin(), index);
  uint32_t size = 0;
  QueryValue(context, 0, path, found->first.c_str() + prefix.size(), &value->type, nullptr, 0,
             &size);
  value->cut = !CopyText(value->name, found->first.c_str() + prefix.size());
  if (value->type != kRegBinary) value->cut |= !CopyText(value->text, found->second.c_str());
  value->foreign = registry.foreign.count(found->first) > 0;
  return 0;
}

void ShowMessage(void* context, const char* text, const char* caption) {
  MemoryRegistry& registry = RegistryOf(context);
  registry.calls.push_back(std::string("message ") + caption + ": " + text);
  registry.messages.push_back({text, caption});
}

void NotifyShell(void* context) {
  MemoryRegistry& registry = RegistryOf(context);
  registry.calls.push_back("notify");
  ++registry.notifications;
}

}  // namespace

const char kUserClasses[] = "HKCU\\Software\\Classes";

std::string JoinKeyPath(const std::string& parent, const std::string& name) {
  return parent.empty() ? name : parent + "\\" + name;
}

MemoryRegistry::MemoryRegistry() {
  nodes.emplace_back();
  root = &nodes.back();
  nodes.emplace_back();
  userRoot = &nodes.back();
  userRoot->name = kUserClasses;
  userRoot->path = kUserClasses;
}

namespace {

// The tree a key path lies in, and where the path's names start within it.
MemoryRegistry::Node* TreeOf(const MemoryRegistry& registry, const std::string& path,
                             std::size_t* start) {
  const std::string prefix = std::string(kUserClasses) + "\\";
  if (path.compare(0, prefix.size(), prefix) == 0) {
    *start = prefix.size();
    return registry.userRoot;
  }
  *start = 0;
  return registry.root;
}

}  // namespace

void MemoryRegistry::addKey(const std::string& path) {
  std::size_t start = 0;
  Node* node = TreeOf(*this, path, &start);
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    std::string name = path.substr(start, end - start);
    Node* child = findChild(node, name);
    node = child ? child : addChild(node, name);
    start = end + 1;
  }
}

void MemoryRegistry::addKey(const std::string& path, const std::string& value) {
  addKey(path);
  Node* node = findPath(path);
  node->hasValue = true;
  node->value = value;
}

void MemoryRegistry::failNth(RegCall kind, int nth) { rules.push_back({kind, nth, ""}); }

void MemoryRegistry::failPath(RegCall kind, const std::string& path) {
  rules.push_back({kind, 0, path});
}

void MemoryRegistry::failRoot(RegCall kind, RegKey rootKey) {
  rules.push_back({kind, 0, "", rootKey});
}

bool MemoryRegistry::hasKey(const std::string& path) const { return findPath(path) != nullptr; }

std::string MemoryRegistry::valueOf(const std::string& path) const {
  Node* node = findPath(path);
  if (node == nullptr) return "<no key>";
  return node->hasValue ? node->value : "<none>";
}

std::vector<std::string> MemoryRegistry::allKeys() const {
  std::vector<std::string> paths;
  std::vector<const Node*> pending(root->children.begin(), root->children.end());
  pending.insert(pending.end(), userRoot->children.begin(), userRoot->children.end());
  while (!pending.empty()) {
    const Node* node = pending.back();
    pending.pop_back();
    paths.push_back(node->path);
    pending.insert(pending.end(), node->children.begin(), node->children.end());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

std::vector<std::string> MemoryRegistry::callsStartingWith(const std::string& prefix) const {
  std::vector<std::string> selected;
  for (const std::string& call : calls) {
    if (call.compare(0, prefix.size(), prefix) == 0) selected.push_back(call);
  }
  return selected;
}

void MemoryRegistry::clearCalls() {
  calls.clear();
  messages.clear();
  notifications = 0;
}

RegistryHost MemoryRegistry::host() {
  RegistryHost result;
  result.createKey = CreateKey;
  result.setDefaultValue = SetDefaultValue;
  result.openKey = OpenKey;
  result.deleteKey = DeleteKey;
  result.closeKey = CloseKey;
  result.keyExists = KeyExists;
  result.readDefaultValue = ReadDefaultValue;
  result.readValue = ReadValue;
  result.setValue = SetValue;
  result.deleteValue = DeleteValue;
  result.queryValue = QueryValue;
  result.setBinaryValue = SetBinaryValue;
  result.enumValue = EnumValue;
  result.showMessage = ShowMessage;
  result.notifyShell = NotifyShell;
  result.context = this;
  return result;
}

MemoryRegistry::Node* MemoryRegistry::nodeOf(RegKey key) const {
  if (key == kClassesRoot) return root;
  if (key == kUserClassesRoot) return userRoot;
  auto found = handles.find(key);
  return found == handles.end() ? nullptr : found->second;
}

MemoryRegistry::Node* MemoryRegistry::parentFor(RegKey parent, const std::string& name) const {
  bool mine = parent == kClassesRoot && findChild(userRoot, name.substr(0, name.find('\\')));
  return mine ? userRoot : nodeOf(parent);
}

MemoryRegistry::Node* MemoryRegistry::findChild(Node* parent, const std::string& name) const {
  if (parent->deleted) return nullptr;
  for (Node* child : parent->children) {
    if (SameName(child->name, name)) return child;
  }
  return nullptr;
}

MemoryRegistry::Node* MemoryRegistry::addChild(Node* parent, const std::string& name) {
  nodes.emplace_back();
  Node* node = &nodes.back();
  node->name = name;
  node->path = JoinKeyPath(parent->path, name);
  node->parent = parent;
  parent->children.push_back(node);
  return node;
}

MemoryRegistry::Node* MemoryRegistry::findPath(const std::string& path) const {
  std::size_t start = 0;
  Node* node = TreeOf(*this, path, &start);
  while (node != nullptr && start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    node = findChild(node, path.substr(start, end - start));
    start = end + 1;
  }
  return node;
}

bool MemoryRegistry::shouldFail(RegCall kind, const std::string& path) {
  int count = ++callCounts[kind];
  for (const FailRule& rule : rules) {
    if (rule.kind != kind) continue;
    if (rule.nth != 0 && rule.nth != count) continue;
    if (!rule.path.empty() && !SameName(rule.path, path)) continue;
    if (rule.root != kNoKey) {
      std::size_t start = 0;
      Node* tree = TreeOf(*this, path, &start);
      if (tree != nodeOf(rule.root)) continue;
    }
    return true;
  }
  return false;
}

RegKey MemoryRegistry::newHandle(Node* node) {
  RegKey key = nextHandle;
  nextHandle += 4;
  handles[key] = node;
  return key;
}
