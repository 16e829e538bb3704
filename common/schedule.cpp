// The schedule item and the schedule list: plain linked-list handling shared by the editor
// (which edits and reorders the list) and the runner (which builds it once and walks it).
#include "schedule.h"

#include <cstring>

#include "memory.h"
#include "path_split.h"

namespace {

// A missing text is stored as an empty one rather than followed.
const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

void ScheduleItem::construct(const char* nameText, const char* pathText,
                             const char* argumentsText, const char* workFolderText,
                             int32_t delay, int32_t envFlag) {
  prev = nullptr;
  next = nullptr;
  set(nameText, pathText, argumentsText, workFolderText, delay, envFlag);
}

namespace {

// True when text lies inside item, as when an item is set from its own fields.
bool IsInside(const char* text, const ScheduleItem* item) {
  auto address = reinterpret_cast<uintptr_t>(text);
  auto start = reinterpret_cast<uintptr_t>(item);
  return address >= start && address < start + sizeof(ScheduleItem);
}

// Stores text in a field. A text that fits is copied whole at once; only a longer one
// needs the character-boundary cut of CopyText (loading a large schedule copies thousands).
void StoreText(char* field, const char* text) {
  std::size_t length = strnlen(text, kTextSize);
  if (length < kTextSize) {
    std::memcpy(field, text, length + 1);
  } else {
    CopyText(field, kTextSize, text);
  }
}

}  // namespace

void ScheduleItem::set(const char* nameText, const char* pathText, const char* argumentsText,
                       const char* workFolderText, int32_t delay, int32_t envFlag) {
  const char* texts[4] = {OrEmpty(nameText), OrEmpty(pathText), OrEmpty(argumentsText),
                          OrEmpty(workFolderText)};
  char* fields[4] = {name, path, arguments, workFolder};
  bool aliased = false;
  for (const char* text : texts) aliased = aliased || IsInside(text, this);
  if (aliased) {
    // Copied through scratch buffers first, so an item may be set from its own texts.
    char scratch[4][kTextSize];
    for (int i = 0; i < 4; ++i) CopyText(scratch[i], texts[i]);
    for (int i = 0; i < 4; ++i) StoreText(fields[i], scratch[i]);
  } else {
    for (int i = 0; i < 4; ++i) StoreText(fields[i], texts[i]);
  }
  delaySeconds = delay;
  pathIsEnvVar = envFlag;
  DeriveFileName(path, fileName);
}

void ScheduleItem::get(char* nameOut, char* pathOut, char* argumentsOut, char* workFolderOut,
                       int32_t* delayOut, int32_t* envFlagOut) const {
  if (nameOut != nullptr) CopyText(nameOut, kTextSize, name);
  if (pathOut != nullptr) CopyText(pathOut, kTextSize, path);
  if (argumentsOut != nullptr) CopyText(argumentsOut, kTextSize, arguments);
  if (workFolderOut != nullptr) CopyText(workFolderOut, kTextSize, workFolder);
  if (delayOut != nullptr) *delayOut = delaySeconds;
  if (envFlagOut != nullptr) *envFlagOut = pathIsEnvVar;
}

void ScheduleItem::link(ScheduleItem* previous, ScheduleItem* following) {
  if (previous != nullptr) prev = previous;
  if (following != nullptr) next = following;
}

void ScheduleItem::clearLinks(int mode) {
  if (mode == 1 || mode == 3) next = nullptr;
  if (mode == 2 || mode == 3) prev = nullptr;
}

ScheduleItem* ScheduleItem::unlink() {
  ScheduleItem* formerPrev = prev;
  ScheduleItem* formerNext = next;
  if (formerPrev != nullptr && formerNext != nullptr) {
    formerNext->prev = formerPrev;
    formerPrev->next = formerNext;
  } else if (formerNext != nullptr) {
    formerNext->prev = nullptr;
  } else if (formerPrev != nullptr) {
    formerPrev->next = nullptr;
  }
  prev = nullptr;
  next = nullptr;
  return formerNext != nullptr ? formerNext : formerPrev;
}

// A failed allocation gives null, so the loaders and the add command stop cleanly instead
// of ending the program. The item is a plain record that construct fills completely.
ScheduleItem* NewScheduleItem(const char* name, const char* path, const char* arguments,
                              const char* workFolder, int32_t delaySeconds,
                              int32_t pathIsEnvVar) {
  auto* item = static_cast<ScheduleItem*>(AllocateBlock(sizeof(ScheduleItem)));
  if (item == nullptr) return nullptr;
  item->construct(name, path, arguments, workFolder, delaySeconds, pathIsEnvVar);
  return item;
}

void FreeScheduleItem(ScheduleItem* item) { FreeBlock(item); }

void ScheduleList::append(ScheduleItem* item) {
  ScheduleItem* tail = head;
  while (tail != nullptr && tail->next != nullptr) tail = tail->next;
  appendAfter(tail, item);
}

void ScheduleList::appendAfter(ScheduleItem* tail, ScheduleItem* item) {
  if (item == nullptr) return;
  if (tail == nullptr) {
    head = item;
    return;
  }
  tail->link(nullptr, item);
  item->link(tail, nullptr);
}

ScheduleItem* ScheduleList::at(int32_t position) const {
  if (position < 0 || position >= itemCount) return nullptr;
  ScheduleItem* item = head;
  for (int32_t step = 0; step < position && item != nullptr; ++step) item = item->next;
  return item;
}

bool ScheduleList::removeAt(int32_t position) {
  ScheduleItem* item = at(position);
  if (item == nullptr) return false;
  if (position == 0) {
    ScheduleItem* following = item->next;
    item->unlink();
    FreeScheduleItem(item);
    head = following;
  } else {
    item->unlink();  // joins the neighbours
    FreeScheduleItem(item);
  }
  --itemCount;
  return true;
}

bool ScheduleList::moveToTop(int32_t position) {
  if (position <= 0) return false;
  ScheduleItem* item = at(position);
  if (item == nullptr || item->prev == nullptr) return false;
  ScheduleItem* p = item->prev;
  ScheduleItem* n = item->next;
  item->clearLinks(3);
  if (n != nullptr) {
    p->link(nullptr, n);
    n->link(p, nullptr);
  } else {
    p->clearLinks(1);  // p is the new tail
  }
  ScheduleItem* oldHead = head;
  item->link(nullptr, oldHead);
  oldHead->link(item, nullptr);
  head = item;
  return true;
}

bool ScheduleList::moveUp(int32_t position) {
  if (position <= 0) return false;
  ScheduleItem* item = at(position);
  if (item == nullptr || item->prev == nullptr) return false;
  ScheduleItem* p = item->prev;
  ScheduleItem* n = item->next;
  ScheduleItem* pp = p->prev;
  item->clearLinks(3);
  p->clearLinks(3);
  // New order: pp, item, p, n.
  if (pp != nullptr) {
    pp->link(nullptr, item);
    item->link(pp, nullptr);
  } else {
    head = item;
  }
  item->link(nullptr, p);
  p->link(item, nullptr);
  if (n != nullptr) {
    p->link(nullptr, n);
    n->link(p, nullptr);
  }
  return true;
}

bool ScheduleList::moveDown(int32_t position) {
  if (position < 0 || position >= itemCount - 1) return false;
  ScheduleItem* item = at(position);
  if (item == nullptr || item->next == nullptr) return false;
  ScheduleItem* n = item->next;
  ScheduleItem* p = item->prev;
  ScheduleItem* nn = n->next;
  item->clearLinks(3);
  n->clearLinks(3);
  // New order: p, n, item, nn.
  if (p != nullptr) {
    p->link(nullptr, n);
    n->link(p, nullptr);
  } else {
    head = n;
  }
  n->link(nullptr, item);
  item->link(n, nullptr);
  if (nn != nullptr) {
    item->link(nullptr, nn);
    nn->link(item, nullptr);
  }
  return true;
}

bool ScheduleList::moveToBottom(int32_t position) {
  if (position < 0 || position >= itemCount - 1) return false;
  ScheduleItem* item = at(position);
  ScheduleItem* tail = at(itemCount - 1);  // found before anything is relinked
  if (item == nullptr || tail == nullptr || item->next == nullptr) return false;
  ScheduleItem* p = item->prev;
  ScheduleItem* n = item->next;
  item->clearLinks(3);
  if (p != nullptr) {
    p->link(nullptr, n);
    n->link(p, nullptr);
  } else {
    n->clearLinks(2);
    head = n;
  }
  item->link(tail, nullptr);
  tail->link(nullptr, item);
  return true;
}

void ScheduleList::clear() {
  ScheduleItem* item = head;
  while (item != nullptr) {
    ScheduleItem* following = item->next;
    FreeScheduleItem(item);
    item = following;
  }
  head = nullptr;
  itemCount = 0;
}
