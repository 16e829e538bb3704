// The schedule model: one ScheduleItem per program to start, kept in launch order in a
// doubly linked ScheduleList. Both the editor and the runner use these records as they are.
#pragma once

#include <cstdint>

#include "text.h"

struct ScheduleItem {
  ScheduleItem* prev;
  ScheduleItem* next;
  char path[kTextSize];
  char fileName[kTextSize];  // derived from path whenever path is stored
  char name[kTextSize];
  char arguments[kTextSize];
  char workFolder[kTextSize];
  int32_t delaySeconds;
  int32_t pathIsEnvVar;  // 0 off, 1 on: path names an environment variable

  // Stores the six values (texts cut to 259 bytes), derives fileName, clears the links.
  void construct(const char* name, const char* path, const char* arguments,
                 const char* workFolder, int32_t delaySeconds, int32_t pathIsEnvVar);
  // The same as construct, but the item keeps its place in the list.
  void set(const char* name, const char* path, const char* arguments, const char* workFolder,
           int32_t delaySeconds, int32_t pathIsEnvVar);
  // Copies the four texts (each into a kTextSize buffer) and the two numbers out.
  void get(char* name, char* path, char* arguments, char* workFolder, int32_t* delaySeconds,
           int32_t* pathIsEnvVar) const;
  // Sets whichever link is given; a null argument leaves that link as it is.
  void link(ScheduleItem* previous, ScheduleItem* following);
  // 1 clears next, 2 clears prev, 3 both; any other mode changes nothing.
  void clearLinks(int mode);
  ScheduleItem* nextItem() const { return next; }
  ScheduleItem* previousItem() const { return prev; }
  // Takes the item out of its chain; returns the former next item, else the former
  // previous one, else null. The caller updates the list head itself.
  ScheduleItem* unlink();
};

// A new heap item holding the six values, or null when memory runs out.
ScheduleItem* NewScheduleItem(const char* name, const char* path, const char* arguments,
                              const char* workFolder, int32_t delaySeconds,
                              int32_t pathIsEnvVar);
void FreeScheduleItem(ScheduleItem* item);

struct ScheduleList {
  ScheduleItem* head = nullptr;
  int32_t itemCount = 0;  // kept by the callers of append, lowered by removeAt, zeroed by clear

  void append(ScheduleItem* item);
  // append for callers that already hold the tail (null for an empty list): the loaders
  // keep the item they appended last instead of walking the list for every item.
  void appendAfter(ScheduleItem* tail, ScheduleItem* item);
  ScheduleItem* at(int32_t position) const;  // null when out of range
  bool removeAt(int32_t position);
  bool moveToTop(int32_t position);
  bool moveUp(int32_t position);
  bool moveDown(int32_t position);
  bool moveToBottom(int32_t position);
  void clear();
};
