// The core's heap blocks: malloc, realloc and free behind functions of its own. The programs
// link no C++ runtime library, so no operator new; and a test program can put failing
// versions of all three in place of these (it defines them itself, and memory.cpp is then
// not linked in) to check that every allocation failure is handled.
#pragma once

#include <cstddef>

// Null when memory ran out.
void* AllocateBlock(std::size_t size);
// Null when memory ran out; block is then left as it was.
void* ResizeBlock(void* block, std::size_t size);
void FreeBlock(void* block);
