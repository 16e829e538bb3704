// Where Tab moves the focus in a window of controls, without the window: the controls in
// their Tab order, each either able to take the focus or not (greyed out, hidden).
#pragma once

// The slot Tab moves the focus to from current (Shift+Tab: backwards): the next control
// that can take it, round the end to the start. From outside the controls (current -1)
// Tab starts at the first, Shift+Tab at the last. current itself when no other control
// can take the focus, -1 when none can.
int NextFocusSlot(const bool* canFocus, int count, int current, bool backwards);
