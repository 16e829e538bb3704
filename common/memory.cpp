// The core's heap blocks: the C library's allocator. Only the three functions of memory.h
// live in this file, so a test program that defines them replaces it whole.
#include "memory.h"

#include <cstdlib>

void* AllocateBlock(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

void* ResizeBlock(void* block, std::size_t size) {
  return std::realloc(block, size == 0 ? 1 : size);
}

void FreeBlock(void* block) { std::free(block); }
