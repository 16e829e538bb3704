// The Tab order's walk over a window's controls.
#include "focus_cycle.h"

int NextFocusSlot(const bool* canFocus, int count, int current, bool backwards) {
  if (count <= 0) return -1;
  // From outside, start one step before the first (after the last) control.
  if (current < 0 || current >= count) current = backwards ? 0 : count - 1;
  int step = backwards ? count - 1 : 1;
  int slot = current;
  for (int tried = 0; tried < count; ++tried) {
    slot = (slot + step) % count;
    if (canFocus[slot]) return slot;
  }
  return -1;
}
