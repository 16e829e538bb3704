// The reasons of failed launches. The system's message comes from the platform (the
// runner asks for the message of the launch's error code); the texts for a variable are
// the runner's own, naming the variable, since a variable is the one failure the system
// knows nothing about.
#include "launch_reason.h"

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

void SystemMessageReason(const char* message, char* reason) {
  CopyText(reason, kTextSize, message);
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
