#include "Shared/Parser/uArena.h"

#include <algorithm>
#include <cstdint>

namespace tess::parser {

namespace {

constexpr size_t kBlockSize = 256 * 1024;
// What an arena keeps between parses.
constexpr size_t kKeptBytes = 16u << 20;

std::byte* AlignUp(std::byte* APointer, size_t AAlign) {
  const auto address = reinterpret_cast<uintptr_t>(APointer);
  return reinterpret_cast<std::byte*>((address + AAlign - 1) & ~(static_cast<uintptr_t>(AAlign) - 1));
}

}  // namespace

bool TArena::UseBlock(size_t AIndex, size_t ASize, size_t AAlign) {
  TBlock& block = FBlocks[AIndex];
  std::byte* start = AlignUp(block.Memory.get(), AAlign);
  if (start + ASize > block.Memory.get() + block.Size) return false;
  FCurrent = AIndex;
  FNext = start;
  FEnd = block.Memory.get() + block.Size;
  return true;
}

void* TArena::Allocate(size_t ASize, size_t AAlign) {
  std::byte* start = FNext != nullptr ? AlignUp(FNext, AAlign) : nullptr;
  if (start == nullptr || start + ASize > FEnd) {
    // The next kept block when it is large enough, otherwise a new one.
    size_t next = FNext != nullptr ? FCurrent + 1 : 0;
    while (next < FBlocks.size() && !UseBlock(next, ASize, AAlign)) ++next;
    if (next >= FBlocks.size()) {
      const size_t size = std::max(kBlockSize, ASize + AAlign);
      FBlocks.push_back({std::make_unique_for_overwrite<std::byte[]>(size), size});
      FReserved += size;
      UseBlock(FBlocks.size() - 1, ASize, AAlign);
    }
    start = FNext;
  }
  FNext = start + ASize;
  return start;
}

void TArena::Release() {
  size_t kept = 0;
  size_t keep = 0;
  while (keep < FBlocks.size() && kept + FBlocks[keep].Size <= kKeptBytes) kept += FBlocks[keep++].Size;
  FBlocks.resize(keep);
  FReserved = kept;
  FCurrent = 0;
  FNext = FEnd = nullptr;
}

}  // namespace tess::parser
