// The item dialog (resource 101) in which the user enters one schedule item, with its file
// and folder browsers and the test run.
#pragma once

#include <windows.h>

#include <cstddef>

#include "item_form.h"

// Runs the dialog over fields; true when it ended with OK (fields then hold the entry).
bool RunItemDialog(HINSTANCE instance, HWND owner, ItemFields& fields);

// Whether the dialog is open and one of its fields differs from what it was opened with
// (also when its texts cannot be read for want of memory).
bool ItemDialogChanged();

// DragQueryFileA for the first file of a drop (an HDROP): QueryDroppedFileFn's rules.
uint32_t QueryFirstDroppedFile(void* drop, char* buffer, uint32_t capacity);

// The file chooser for a program: 1 and the chosen path in path (kTextSize bytes), or 0 and
// an empty path.
int ChooseProgramFile(HWND owner, char* path);

// The folder browser opened at startFolder: 1 and the chosen folder's path in result, or 2
// when the user cancelled or chose a folder that has no file-system path (result is then
// untouched).
int BrowseForFolder(HWND owner, const char* startFolder, char* result, std::size_t capacity);
