// Putting a freshly written file in place of another in one step, for the schedule writer:
// the old file is either replaced whole or left as it was.
#pragma once

// Moves the file at from over the file at to (replacing it, or creating it when missing).
// Returns false and changes nothing at to when the move fails.
bool ReplaceFileWith(const char* from, const char* to);
