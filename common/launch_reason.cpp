// The reasons of failed launches. The system's message comes from the platform (the
// runner asks for the message of the launch's error code); the texts for a variable are
// the runner's own, naming the variable, since a variable is the one failure the system
// knows nothing about.
#include "launch_reason.h"

#include <algorithm>
#include <cstring>

#include "text.h"

void VariableUnsetReason(const char* name, char* reason) {
  if (!FormatText(reason, kTextSize, "環境変数 %s が設定されていません。", name)) {
    CopyText(reason, kTextSize, "環境変数が設定されていません。");
  }
}

void VariableTooLongReason(const char* name, char* reason) {
  if (!FormatText(reason, kTextSize, "環境変数 %s の値が長すぎます。", name)) {
    CopyText(reason, kTextSize, "環境変数の値が長すぎます。");
  }
}

void SystemMessageReason(const char* message, const char* file, char* reason) {
  // The message is asked for without its inserts filled (the system cannot know how many a
  // message has), so the one insert a launch's message names, the file, is filled here.
  const char* insert = std::strstr(message, "%1");
  if (insert == nullptr) {
    CopyText(reason, kTextSize, message);
  } else {
    char head[kTextSize];
    std::size_t headLength = std::min<std::size_t>(insert - message, kTextSize - 1);
    std::memcpy(head, message, headLength);
    head[headLength] = '\0';
    CopyText(reason, kTextSize, head);
    AppendText(reason, kTextSize, file);
    AppendText(reason, kTextSize, insert + 2);
  }
  std::size_t length = std::strlen(reason);
  while (length > 0 && (reason[length - 1] == '\r' || reason[length - 1] == '\n' ||
                        reason[length - 1] == ' ')) {
    reason[--length] = '\0';
  }
}

void FailureTipText(const char* path, const char* reason, char* text, std::size_t capacity) {
  CopyText(text, capacity, path);
  if (reason == nullptr || reason[0] == '\0') return;
  AppendText(text, capacity, "\n");
  AppendText(text, capacity, reason);
}
