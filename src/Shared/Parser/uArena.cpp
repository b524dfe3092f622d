#include "Shared/Parser/uArena.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tess::parser {

namespace {

constexpr size_t kBlockSize = 256 * 1024;
// What an arena keeps between parses.
constexpr size_t kKeptBytes = 16u << 20;
// Once an arena holds this much, it grows by huge pages: a parse of a large text touches hundreds
// of megabytes once, and faulting them in 4 KiB at a time cost more than the parse itself.
constexpr size_t kHugeFrom = 8u << 20;
constexpr size_t kHugePage = 2u << 20;
constexpr size_t kHugeBlockSize = 8u << 20;

std::byte* AlignUp(std::byte* APointer, size_t AAlign) {
  const auto address = reinterpret_cast<uintptr_t>(APointer);
  return reinterpret_cast<std::byte*>((address + AAlign - 1) & ~(static_cast<uintptr_t>(AAlign) - 1));
}

}  // namespace

bool TArena::UseBlock(size_t AIndex, size_t ASize, size_t AAlign) {
  TBlock& block = FBlocks[AIndex];
  std::byte* start = AlignUp(block.Memory, AAlign);
  if (start + ASize > block.Memory + block.Size) return false;
  FCurrent = AIndex;
  FNext = start;
  FEnd = block.Memory + block.Size;
  return true;
}

void* TArena::Allocate(size_t ASize, size_t AAlign) {
  std::byte* start = FNext != nullptr ? AlignUp(FNext, AAlign) : nullptr;
  if (start == nullptr || start + ASize > FEnd) {
    // The next kept block when it is large enough, otherwise a new one.
    size_t next = FNext != nullptr ? FCurrent + 1 : 0;
    while (next < FBlocks.size() && !UseBlock(next, ASize, AAlign)) ++next;
    if (next >= FBlocks.size()) {
      FBlocks.push_back(NewBlock(ASize + AAlign));
      FReserved += FBlocks.back().Size;
      UseBlock(FBlocks.size() - 1, ASize, AAlign);
    }
    start = FNext;
  }
  FNext = start + ASize;
  return start;
}

void* TArena::AllocateRecycled(size_t ASize, size_t AAlign) {
  if (ASize <= kMaxRecycled && ASize % sizeof(void*) == 0) {
    void*& head = FRecycled[ASize / sizeof(void*)];
    if (head != nullptr) {
      void* memory = head;
      head = *static_cast<void**>(memory);
      return memory;
    }
  }
  return Allocate(ASize, AAlign);
}

void TArena::Recycle(void* AMemory, size_t ASize) {
  if (ASize < sizeof(void*) || ASize > kMaxRecycled || ASize % sizeof(void*) != 0) return;
  void*& head = FRecycled[ASize / sizeof(void*)];
  *static_cast<void**>(AMemory) = head;
  head = AMemory;
}

TArena::~TArena() {
  for (const TBlock& block : FBlocks) FreeBlock(block);
}

TArena::TBlock TArena::NewBlock(size_t AMinimum) {
#if defined(__linux__)
  if (FReserved >= kHugeFrom) {
    const size_t size = (std::max(kHugeBlockSize, AMinimum) + kHugePage - 1) & ~(kHugePage - 1);
    // Over-map by one huge page and trim, so that the block starts on a huge-page boundary.
    void* mapping = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping != MAP_FAILED) {
      auto* raw = static_cast<std::byte*>(mapping);
      auto* start = AlignUp(raw, kHugePage);
      if (start > raw) ::munmap(raw, static_cast<size_t>(start - raw));
      const size_t tail = static_cast<size_t>((raw + size + kHugePage) - (start + size));
      if (tail > 0) ::munmap(start + size, tail);
      ::madvise(start, size, MADV_HUGEPAGE);
      return {start, size, true};
    }
  }
#endif
  const size_t size = std::max(kBlockSize, AMinimum);
  auto* memory = static_cast<std::byte*>(::operator new(size));
  return {memory, size, false};
}

void TArena::FreeBlock(const TBlock& ABlock) {
#if defined(__linux__)
  if (ABlock.Mapped) {
    ::munmap(ABlock.Memory, ABlock.Size);
    return;
  }
#endif
  ::operator delete(ABlock.Memory);
}

void TArena::Release() {
  size_t kept = 0;
  size_t keep = 0;
  while (keep < FBlocks.size() && kept + FBlocks[keep].Size <= kKeptBytes) kept += FBlocks[keep++].Size;
  FRecycled.fill(nullptr);
  for (size_t i = keep; i < FBlocks.size(); ++i) FreeBlock(FBlocks[i]);
  FBlocks.resize(keep);
  FReserved = kept;
  FCurrent = 0;
  FNext = FEnd = nullptr;
}

}  // namespace tess::parser
