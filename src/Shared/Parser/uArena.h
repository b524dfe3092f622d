// Bump allocation for the objects of one parse (tokens, memo tables, grammar symbols), which are
// made by the million and all die together.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace tess::parser {

// Hands out memory by bumping a pointer through large blocks and takes it back all at once. The
// objects placed in it are destroyed by their owner before Release; the arena never runs
// destructors. Not thread-safe: it belongs to one token list or one grammar.
class TArena {
public:
  TArena() = default;
  ~TArena();
  TArena(const TArena&) = delete;
  TArena& operator=(const TArena&) = delete;

  void* Allocate(size_t ASize, size_t AAlign);
  template <class T, class... Args>
  T* New(Args&&... AArgs) {
    return new (Allocate(sizeof(T), alignof(T))) T(std::forward<Args>(AArgs)...);
  }
  // Memory of ASize bytes that an earlier Recycle gave back when there is some, else fresh memory.
  // Callers that give back use this for every size they give back.
  void* AllocateRecycled(size_t ASize, size_t AAlign);
  // Keeps AMemory, allocated here with ASize bytes (at least a pointer's worth), for the next
  // AllocateRecycled of that size; memory of more than kMaxRecycled bytes simply stays until
  // Release. The object in it must be destroyed already.
  void Recycle(void* AMemory, size_t ASize);
  static constexpr size_t kMaxRecycled = 1024;
  // Gives back all the memory. Blocks up to a limit are kept for the next parse (a token list and
  // a grammar are refilled for every text); the rest go back to the heap.
  void Release();
  size_t BytesReserved() const { return FReserved; }

private:
  struct TBlock {
    std::byte* Memory;
    size_t Size;
    bool Mapped;  // a huge-page mapping rather than a heap block
  };
  bool UseBlock(size_t AIndex, size_t ASize, size_t AAlign);
  TBlock NewBlock(size_t AMinimum);
  static void FreeBlock(const TBlock& ABlock);

  // Given-back memory by size in steps of a pointer, each piece holding the next of its list.
  static constexpr size_t kRecycledLists = kMaxRecycled / sizeof(void*) + 1;
  std::array<void*, kRecycledLists> FRecycled{};
  std::vector<TBlock> FBlocks;
  size_t FCurrent = 0;  // the block being filled
  std::byte* FNext = nullptr;
  std::byte* FEnd = nullptr;
  size_t FReserved = 0;
};

}  // namespace tess::parser
