// The lowest layer of the parsing engine: the character source, the token classes, the token readers,
// the configurable tokenizer and the iterator the grammar matcher walks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Shared/Common/uDString.h"
#include "Shared/Parser/uArena.h"

namespace tess::parser {

using common::TStringList;

// ---------------------------------------------------------------------------------------------
// Character source

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

// One string with a read position, both counted in UTF-16 code units. The string can be shared
// (SharedString): a token list refers to the characters of the text it was cut from rather than
// copying them. Changing the text leaves a shared string as it was.
class TOldStringStream {
public:
  explicit TOldStringStream(std::u16string AString = {});

  const std::u16string& DataString() const { return *FDataString; }
  std::shared_ptr<const std::u16string> SharedString() const { return FDataString; }
  int32_t Size() const { return static_cast<int32_t>(FDataString->size()); }
  // The result is clamped into [0, Size].
  int32_t Seek(int32_t AOffset, TSeekOrigin AOrigin);
  int32_t Position() const { return FPosition; }
  void SetPosition(int32_t AValue) { Seek(AValue, TSeekOrigin::soBeginning); }
  void SetSize(int32_t ANewSize);
  std::u16string ReadString(int32_t ACount);
  // Replaces the whole text; the position stays where it was.
  void WriteString(std::u16string AString);

private:
  std::shared_ptr<std::u16string> FDataString;
  int32_t FPosition = 0;
};

// Hands out the characters of one text, with look-ahead, stepping back and a stack of saved
// positions. Saving and restoring are constant-time, so readers decide by looking ahead instead
// of copying what is left of the text.
class TSourceFeeder {
public:
  TSourceFeeder();

  TOldStringStream& Stream() { return *FStream; }
  const std::u16string& Text() const { return FStream->DataString(); }
  // Position 0 afterwards; the stack of saved positions is left alone.
  void SetText(std::u16string AText);

  bool Done() const { return FStream->Position() >= FStream->Size(); }
  int32_t Position() const { return FStream->Position(); }
  void SetPosition(int32_t APosition) { FStream->SetPosition(APosition); }
  // Callers test Done first: reading past the end is a programming error.
  char16_t ReadChar();
  // The character most recently read, or U+0000 at the start.
  char16_t LastChar() const;
  // The character at the position without reading it; U+0000 at the end.
  char16_t PeekChar() const;
  void Next(int32_t AOffset = 1);
  void Prior(int32_t AOffset = 1);
  void Push();
  // Restores the most recently saved position; does nothing when none is saved.
  void Pop();
  // Forgets the most recently saved position without moving.
  void Drop();
  size_t SavedCount() const { return FQuery.size(); }

  std::u16string ReadFromBuffer(int32_t ASize, bool ADiscardReadText, bool AReturnAllText);
  std::u16string ReadFromBuffer(int32_t ASize) { return ReadFromBuffer(ASize, true, true); }
  // The rest of the line; one break (CR LF, LF CR, CR CR or LF LF count as one) is consumed.
  std::u16string ReadLine();
  // Everything up to the first occurrence of AFindString (ASCII letters compared without case),
  // with or without that occurrence; the rest of the text when there is none.
  std::u16string ReadWhileNotEntry(std::u16string_view AFindString, bool AIncludeIntoResult);

private:
  std::unique_ptr<TOldStringStream> FStream;
  std::vector<int32_t> FQuery;
};

// ---------------------------------------------------------------------------------------------
// Tokens

class TToken;
class TCompositeToken;
class TTokenVisitor;
class TSymbol;
class TSymbolMemo;

// A token class reference: creates a token of one class under a parent, on the heap (Create) or
// in given memory (Construct, with the class's Size and Align), which is how a token list makes
// its tokens.
struct TTokenClass {
  std::u16string_view Name;
  std::unique_ptr<TToken> (*Create)(TCompositeToken* AParent);
  TToken* (*Construct)(void* AMemory, TCompositeToken* AParent) = nullptr;
  size_t Size = 0;
  size_t Align = 0;
};

namespace detail {
template <class T>
std::unique_ptr<TToken> CreateTokenOf(TCompositeToken* AParent) {
  return std::make_unique<T>(AParent);
}
template <class T>
TToken* ConstructTokenOf(void* AMemory, TCompositeToken* AParent) {
  return new (AMemory) T(AParent);
}
}  // namespace detail

// Gives a token class its class reference and its name.
#define TESS_TOKEN_CLASS(Cls)                                                                                  \
public:                                                                                                        \
  static const ::tess::parser::TTokenClass& ClassInfo() {                                                      \
    static const ::tess::parser::TTokenClass info{u"" #Cls, &::tess::parser::detail::CreateTokenOf<Cls>,       \
                                                  &::tess::parser::detail::ConstructTokenOf<Cls>, sizeof(Cls), \
                                                  alignof(Cls)};                                               \
    return info;                                                                                               \
  }                                                                                                            \
  std::u16string_view ClassName() const override { return u"" #Cls; }

// The per-token memo of the grammar matcher: symbols that matched or failed starting at a token,
// keyed by the interned caption of the symbol. Lookups compare key numbers, hashed once a table
// grows past a few entries. The entries live in the arena Add is given (the token list's memo
// arena), else on the heap; the table itself keeps no arena, since a parse has three tables for
// most of its tokens. The tables of failures keep keys only (AKeysOnly): what a failed attempt made
// is freed with it, and a key takes 4 bytes where a key with its symbol takes 12.
class TSymbolMemo {
public:
  struct Entry {
    uint32_t Key;
    TSymbol* Symbol;  // null in a table of keys only
    bool Marked = false;
  };

  // The entries in the order they were added, each read as an Entry.
  class TEntries {
  public:
    class TIterator {
    public:
      TIterator(const TSymbolMemo& AMemo, uint32_t AIndex) : FMemo(&AMemo), FIndex(AIndex) {}
      Entry operator*() const { return FMemo->EntryAt(FIndex); }
      TIterator& operator++() {
        ++FIndex;
        return *this;
      }
      bool operator==(const TIterator& AOther) const { return FIndex == AOther.FIndex; }

    private:
      const TSymbolMemo* FMemo;
      uint32_t FIndex;
    };

    explicit TEntries(const TSymbolMemo& AMemo) : FMemo(AMemo) {}
    size_t size() const { return FMemo.Count(); }
    Entry operator[](size_t AIndex) const { return FMemo.EntryAt(static_cast<uint32_t>(AIndex)); }
    TIterator begin() const { return {FMemo, 0}; }
    TIterator end() const { return {FMemo, FMemo.FCount}; }

  private:
    const TSymbolMemo& FMemo;
  };

  explicit TSymbolMemo(bool AKeysOnly = false) : FKeysOnly(AKeysOnly ? 1u : 0u), FInArena(0) {}
  ~TSymbolMemo();
  TSymbolMemo(const TSymbolMemo&) = delete;
  TSymbolMemo& operator=(const TSymbolMemo&) = delete;
  TSymbolMemo(TSymbolMemo&& AOther) noexcept
      : FData(AOther.FData), FCount(AOther.FCount), FCapacity(AOther.FCapacity), FKeysOnly(AOther.FKeysOnly),
        FInArena(AOther.FInArena) {
    AOther.FData = nullptr;
    AOther.FCount = 0;
    AOther.FCapacity = 0;
  }
  TSymbolMemo& operator=(TSymbolMemo&&) = delete;

  TSymbol* Find(uint32_t AKey) const {
    const int32_t at = FindIndex(AKey);
    return at >= 0 && !FKeysOnly ? Symbols()[at] : nullptr;
  }
  bool Contains(uint32_t AKey) const { return FindIndex(AKey) >= 0; }
  // Looks the caption up without regard to case.
  TSymbol* Find(std::u16string_view ACaption) const;
  bool Contains(std::u16string_view ACaption) const;
  // A key already present keeps its first symbol, as a lookup in a list would find the first. A
  // table of keys only takes a null symbol. The entries grow in AArena when it is given, which
  // must then be the same for every Add of the table and outlive it. AMarked marks the entry (a
  // key added again keeps a mark it has and takes a new one): the failures at a token mark those
  // of terminals. Keys are below 2^31.
  void Add(uint32_t AKey, TSymbol* ASymbol, TArena* AArena = nullptr, bool AMarked = false);
  size_t Count() const { return FCount; }
  TEntries Entries() const { return TEntries(*this); }
  // The captions, as first spelt when interned, in the order of the entries.
  TStringList Captions() const;

private:
  // Past this many entries a table also keeps an open-addressing index of 2 * capacity slots; a
  // table of keys only is searched without one further, its keys being a third of the entry.
  // One block holds the symbols (none in a table of keys only), the keys, then the index.
  static constexpr uint32_t kLinearLimit = 8;
  static constexpr uint32_t kKeysLinearLimit = 16;
  bool IndexedAt(uint32_t ACapacity) const { return ACapacity > (FKeysOnly ? kKeysLinearLimit : kLinearLimit); }
  bool Indexed() const { return IndexedAt(FCapacity); }
  int32_t FindIndex(uint32_t AKey) const;
  // A stored key is the key with the mark in its top bit.
  static constexpr uint32_t kMark = 1u << 31;
  Entry EntryAt(uint32_t AIndex) const {
    const uint32_t key = Keys()[AIndex];
    return {key & ~kMark, FKeysOnly ? nullptr : Symbols()[AIndex], (key & kMark) != 0};
  }
  size_t BlockBytes(uint32_t ACapacity) const;
  TSymbol** Symbols() const { return static_cast<TSymbol**>(FData); }
  uint32_t* KeysIn(void* AData, uint32_t ACapacity) const {
    return reinterpret_cast<uint32_t*>(static_cast<std::byte*>(AData) + (FKeysOnly ? 0 : sizeof(TSymbol*) * ACapacity));
  }
  uint32_t* Keys() const { return KeysIn(FData, FCapacity); }
  int32_t* Index() const { return reinterpret_cast<int32_t*>(Keys() + FCapacity); }
  void Grow(TArena* AArena);

  void* FData = nullptr;
  uint32_t FCount = 0;
  uint32_t FCapacity : 30 = 0;
  uint32_t FKeysOnly : 1;
  uint32_t FInArena : 1;  // FData came from an arena and goes back with it
};

// Kinds of token as bits, for the tests the iterator and the terminals make on every token. A
// class answers its own kind and those of its bases, so a subclass counts as each of its bases
// exactly as a class-membership test would; the answer is only cheaper.
enum TTokenKind : uint32_t {
  tkComposite = 1u << 0,
  tkEOF = 1u << 1,
  tkCustomText = 1u << 2,
  tkReservedWord = 1u << 3,
  tkText = 1u << 4,
  tkQuotedString = 1u << 5,
  tkQuotedIdentifier = 1u << 6,
  tkWhiteSpace = 1u << 7,
  tkComment = 1u << 8,
  tkLineComment = 1u << 9,
  tkBlockComment = 1u << 10,
  tkNumeric = 1u << 11,
  tkBreak = 1u << 12,
  tkCompositeOperation = 1u << 13,
};

class TToken {
public:
  explicit TToken(TCompositeToken* AParent);
  virtual ~TToken();
  TToken(const TToken&) = delete;
  TToken& operator=(const TToken&) = delete;

  static const TTokenClass& ClassInfo();
  virtual std::u16string_view ClassName() const { return u"TToken"; }

  virtual std::u16string GetText() const = 0;
  virtual void SetText(std::u16string AValue) = 0;
  std::u16string Text() const { return GetText(); }
  virtual std::u16string GetCaption() const { return GetText(); }
  std::u16string Caption() const { return GetCaption(); }
  // Half-open character range [StartPos, EndPos) of the token in the input.
  virtual int32_t GetStartPos() const { return FStartPos; }
  virtual int32_t GetEndPos() const { return FEndPos; }
  int32_t StartPos() const { return GetStartPos(); }
  int32_t EndPos() const { return GetEndPos(); }
  void SetRange(int32_t AStartPos, int32_t AEndPos) {
    if (FTextInInput && (AStartPos != FStartPos || AEndPos != FEndPos)) DetachText();
    FStartPos = AStartPos;
    FEndPos = AEndPos;
  }

  TCompositeToken* Parent() const { return FParent; }
  // Number of ancestors: 0 for a root.
  int Level() const;

  virtual void Accept(TTokenVisitor& AVisitor);
  virtual uint32_t Kinds() const { return 0; }
  // Whether the token is of any of the kinds in AKinds.
  bool IsKind(uint32_t AKinds) const { return (Kinds() & AKinds) != 0; }

  // The matcher's memo tables, created on first use: most tokens (white space, the end of a
  // string run) are never the start of an attempt, and a million tokens must not cost three
  // million empty tables. The const accessors give null until the table exists.
  const TSymbolMemo* ParentSymbols() const { return FMemo ? &FMemo->ParentSymbols : nullptr; }
  const TSymbolMemo* FailedSymbols() const { return FMemo ? &FMemo->FailedSymbols : nullptr; }
  // The failures of terminals, as a table of their own made on request from the marks in
  // FailedSymbols: the matcher never reads it, and a parse keeps no third table per token for it.
  TSymbolMemo FailedTerminals() const;
  // Records that ASymbol, of memo key AKey, matched starting here (a key present keeps its symbol).
  void MemoMatched(uint32_t AKey, TSymbol* ASymbol);
  // Records that the symbol of memo key AKey failed starting here, marked when it is a terminal.
  void MemoFailed(uint32_t AKey, bool ATerminal);
  // Forgets every memo entry (the symbols they name are about to be freed).
  void ClearMemo();

protected:
  // Called before the range of a token whose text is its range of the parent's input moves: the
  // text is copied out then.
  virtual void DetachText() {}

private:
  friend class TCompositeToken;
  struct TMemoTables {
    TSymbolMemo ParentSymbols{false};
    TSymbolMemo FailedSymbols{true};
  };
  TMemoTables& Memo();
  // Where the entries of this token's memo grow: the parent's memo arena, none for a root.
  TArena* MemoEntryArena();

  // In this order, so that the flags and those of the subclasses share the last word.
  TCompositeToken* FParent;
  TMemoTables* FMemo = nullptr;  // in the parent's memo arena, or on the heap for a root

protected:
  int32_t FStartPos = 0;
  int32_t FEndPos = 0;

private:
  bool FInArena = false;  // made by the parent's arena, destroyed without delete
  bool FMemoInArena = false;

protected:
  bool FTextInInput = false;  // the text is [FStartPos, FEndPos) of the parent's input
};

class TCustomTextToken : public TToken {
  TESS_TOKEN_CLASS(TCustomTextToken)
public:
  uint32_t Kinds() const override { return tkCustomText; }
  using TToken::TToken;
  ~TCustomTextToken() override;
  std::u16string GetText() const override { return std::u16string(TextRef()); }
  // Raises std::length_error for a text of 2^32 characters or more.
  void SetText(std::u16string AValue) override;
  // The stored text without a copy; valid until the text or the range is set again or the token
  // goes.
  std::u16string_view TextRef() const {
    if (FTextInInput) return InputText();
    return FHasOwnText ? OwnText() : std::u16string_view();
  }
  void Accept(TTokenVisitor& AVisitor) override;

protected:
  void DetachText() override;

private:
  // A token read from its parent's input keeps no text: its text is its range of that input, so
  // that a million tokens take neither a copy nor a pointer each. Any other text is kept in a
  // table beside the tokens, keyed by token.
  std::u16string_view InputText() const;
  std::u16string_view OwnText() const;
  bool FHasOwnText = false;
};

class TTextToken : public TCustomTextToken {
  TESS_TOKEN_CLASS(TTextToken)
public:
  uint32_t Kinds() const override { return tkText | tkCustomText; }
  using TCustomTextToken::TCustomTextToken;
  void Accept(TTokenVisitor& AVisitor) override;
};

class TCompositeToken : public TToken {
  TESS_TOKEN_CLASS(TCompositeToken)
public:
  uint32_t Kinds() const override { return tkComposite; }
  explicit TCompositeToken(TCompositeToken* AParent = nullptr);
  ~TCompositeToken() override;

  TToken* Add(const TTokenClass& AClass);
  template <class T>
  T* Add() {
    return static_cast<T*>(Add(T::ClassInfo()));
  }
  int32_t Count() const { return static_cast<int32_t>(FList.size()); }
  void Clear();
  TToken* Tokens(int32_t AIndex) const { return FList[static_cast<size_t>(AIndex)]; }
  TToken* operator[](int32_t AIndex) const { return Tokens(AIndex); }
  TToken* FirstToken() const { return FList.empty() ? nullptr : FList.front(); }
  TToken* LastToken() const { return FList.empty() ? nullptr : FList.back(); }
  // Where the children live; released when the children are cleared.
  TArena& Arena();
  // Where the children's memo tables live, apart from the children, so that a caller done with
  // matching can give the memo back while it still reads the matched tree (ClearMemos).
  TArena& MemoArena();
  // Forgets the memo of every child and gives all its memory back, none kept for the next parse:
  // what is built from the tree next needs it more. The tokens stay.
  void ClearMemos();
  // The text the children were cut from, kept while they are: children whose text is their range
  // of it refer to it. Null when none was given; Clear drops it.
  const std::u16string* Input() const { return FInput.get(); }
  // Where in the input the child being read starts, -1 outside reading.
  int32_t ReadingAt() const { return FReadingAt; }
  virtual bool IsDone() const { return false; }

  std::u16string GetText() const override;
  // Replaces the children by one text token holding AValue.
  void SetText(std::u16string AValue) override;
  std::u16string GetCaption() const override;
  int32_t GetStartPos() const override;
  int32_t GetEndPos() const override;

private:
  friend class TTokenizer;
  friend class TTokenReader;

  std::vector<TToken*> FList;  // owned
  std::shared_ptr<const std::u16string> FInput;
  int32_t FReadingAt = -1;
  std::unique_ptr<TArena> FArena;
  std::unique_ptr<TArena> FMemoArena;
};

class TEOFToken : public TToken {
  TESS_TOKEN_CLASS(TEOFToken)
public:
  uint32_t Kinds() const override { return tkEOF; }
  using TToken::TToken;
  std::u16string GetText() const override { return {}; }
  void SetText(std::u16string) override {}
  std::u16string GetCaption() const override { return u"EOF"; }
  void Accept(TTokenVisitor& AVisitor) override;
};

class TReservedWordToken : public TCustomTextToken {
  TESS_TOKEN_CLASS(TReservedWordToken)
public:
  uint32_t Kinds() const override { return tkReservedWord | tkCustomText; }
  using TCustomTextToken::TCustomTextToken;
};

class TQuotedStringToken : public TCustomTextToken {
  TESS_TOKEN_CLASS(TQuotedStringToken)
public:
  uint32_t Kinds() const override { return tkQuotedString | tkCustomText; }
  using TCustomTextToken::TCustomTextToken;
};

class TQuotedIdentifierToken : public TCustomTextToken {
  TESS_TOKEN_CLASS(TQuotedIdentifierToken)
public:
  uint32_t Kinds() const override { return tkQuotedIdentifier | tkCustomText; }
  using TCustomTextToken::TCustomTextToken;
  void Accept(TTokenVisitor& AVisitor) override;
};

class TWhiteSpace : public TTextToken {
  TESS_TOKEN_CLASS(TWhiteSpace)
public:
  uint32_t Kinds() const override { return tkWhiteSpace | tkText | tkCustomText; }
  using TTextToken::TTextToken;
  std::u16string GetCaption() const override { return u"Space"; }
  void Accept(TTokenVisitor& AVisitor) override;
};

class TCommentToken : public TTextToken {
  TESS_TOKEN_CLASS(TCommentToken)
public:
  uint32_t Kinds() const override { return tkComment | tkText | tkCustomText; }
  using TTextToken::TTextToken;
};

class TLineComment : public TCommentToken {
  TESS_TOKEN_CLASS(TLineComment)
public:
  uint32_t Kinds() const override { return tkLineComment | tkComment | tkText | tkCustomText; }
  using TCommentToken::TCommentToken;
};

class TBlockComment : public TCommentToken {
  TESS_TOKEN_CLASS(TBlockComment)
public:
  uint32_t Kinds() const override { return tkBlockComment | tkComment | tkText | tkCustomText; }
  using TCommentToken::TCommentToken;
};

class TNumericToken : public TTextToken {
  TESS_TOKEN_CLASS(TNumericToken)
public:
  uint32_t Kinds() const override { return tkNumeric | tkText | tkCustomText; }
  using TTextToken::TTextToken;
};

class TBreakToken : public TCustomTextToken {
  TESS_TOKEN_CLASS(TBreakToken)
public:
  uint32_t Kinds() const override { return tkBreak | tkCustomText; }
  using TCustomTextToken::TCustomTextToken;
};

class TCompositeOperationToken : public TCustomTextToken {
  TESS_TOKEN_CLASS(TCompositeOperationToken)
public:
  uint32_t Kinds() const override { return tkCompositeOperation | tkCustomText; }
  using TCustomTextToken::TCustomTextToken;
};

// Double dispatch over the token classes; each default hands on to the more general operation.
class TTokenVisitor {
public:
  virtual ~TTokenVisitor() = default;
  virtual void VisitQuotedIdentifierToken(TQuotedIdentifierToken* AToken);
  virtual void VisitToken(TToken* AToken);
  virtual void VisitCustomTextToken(TCustomTextToken* ACustomTextToken);
  virtual void VisitTextToken(TTextToken* ATextToken);
  virtual void VisitWhiteSpace(TWhiteSpace* AWhiteSpace);
  virtual void VisitEOFToken(TEOFToken* AEOFToken);
};

// ---------------------------------------------------------------------------------------------
// Token readers

class TTokenizer;

class TTokenReader {
public:
  explicit TTokenReader(TTokenizer* ATokenizer) : FTokenizer(ATokenizer) {}
  virtual ~TTokenReader() = default;
  TTokenReader(const TTokenReader&) = delete;
  TTokenReader& operator=(const TTokenReader&) = delete;

  TTokenizer* Tokenizer() const { return FTokenizer; }

  // Whether a token of this reader starts at the position; never consumes input, also when
  // DoAccept raises.
  bool Accept(TCompositeToken& AParentToken, TSourceFeeder& ASource);
  // Reads the token and sets its range; when none is formed (or DoReadToken raises) the source
  // goes back to where the token would have started.
  TToken* ReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource);

protected:
  // May move the position; Accept restores it.
  virtual bool DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) = 0;
  // Consumes the token, appends it to AParentToken and returns it, or returns null.
  virtual TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) = 0;

  // Makes a token of class T with AText under AParentToken; null for an empty text.
  template <class T>
  static TToken* MakeToken(TCompositeToken& AParentToken, std::u16string AText) {
    if (AText.empty()) return nullptr;
    TToken* token = AParentToken.Add<T>();
    token->SetText(std::move(AText));
    return token;
  }

private:
  TTokenizer* FTokenizer;
};

class TWhiteSpaceReader : public TTokenReader {
public:
  using TTokenReader::TTokenReader;

protected:
  bool DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
  TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
};

class TTextReader : public TTokenReader {
public:
  using TTokenReader::TTokenReader;

protected:
  bool DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
  TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
};

class TBreakCharsReader : public TTokenReader {
public:
  using TTokenReader::TTokenReader;

protected:
  bool DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
  TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
};

class TCompositeOperationsReader : public TTokenReader {
public:
  using TTokenReader::TTokenReader;

protected:
  bool DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
  TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
};

class TLineCommentReader : public TTokenReader {
public:
  TLineCommentReader(TTokenizer* ATokenizer, std::u16string AIdent = {})
      : TTokenReader(ATokenizer), FIdent(std::move(AIdent)) {}
  const std::u16string& Ident() const { return FIdent; }
  void SetIdent(std::u16string AIdent) { FIdent = std::move(AIdent); }

protected:
  bool DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
  TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;

private:
  std::u16string FIdent;
};

class TBlockCommentReader : public TTokenReader {
public:
  TBlockCommentReader(TTokenizer* ATokenizer, std::u16string ABeginIdent = {}, std::u16string AEndIdent = {})
      : TTokenReader(ATokenizer), FEndIdent(std::move(AEndIdent)), FBeginIdent(std::move(ABeginIdent)) {}
  const std::u16string& EndIdent() const { return FEndIdent; }
  const std::u16string& BeginIdent() const { return FBeginIdent; }
  void SetEndIdent(std::u16string AValue) { FEndIdent = std::move(AValue); }
  void SetBeginIdent(std::u16string AValue) { FBeginIdent = std::move(AValue); }

protected:
  bool DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
  TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;

private:
  std::u16string FEndIdent;
  std::u16string FBeginIdent;
};

class TQuotedStringReader : public TTokenReader {
public:
  using TTokenReader::TTokenReader;

protected:
  bool DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
  TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
};

class TNumericReader : public TTokenReader {
public:
  using TTokenReader::TTokenReader;

protected:
  bool DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
  TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
};

// Holds any number of readers and reads with the first that accepts.
class TCompositeReader : public TTokenReader {
public:
  using TTokenReader::TTokenReader;

  // Takes ownership.
  void AddReader(std::unique_ptr<TTokenReader> AReader);
  size_t Count() const { return FReaders.size(); }
  TTokenReader* Readers(size_t AIndex) const { return FReaders[AIndex].get(); }
  TTokenReader* LastAcceptReader() const { return FLastAcceptReader; }

protected:
  bool DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;
  TToken* DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) override;

private:
  std::vector<std::unique_ptr<TTokenReader>> FReaders;
  TTokenReader* FLastAcceptReader = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Quote pairs

class TQuotePair {
public:
  TQuotePair(std::u16string AFirstQuote, std::u16string ALastQuote)
      : FLastQuote(std::move(ALastQuote)), FFirstQuote(std::move(AFirstQuote)) {}
  void Assign(const TQuotePair& ASource) {
    FLastQuote = ASource.FLastQuote;
    FFirstQuote = ASource.FFirstQuote;
  }
  const std::u16string& LastQuote() const { return FLastQuote; }
  const std::u16string& FirstQuote() const { return FFirstQuote; }
  void SetLastQuote(std::u16string AValue) { FLastQuote = std::move(AValue); }
  void SetFirstQuote(std::u16string AValue) { FFirstQuote = std::move(AValue); }

private:
  std::u16string FLastQuote;
  std::u16string FFirstQuote;
};

class TQuotePairs {
public:
  TQuotePair* CreateQuotePair(std::u16string AFirstQuote, std::u16string ALastQuote);
  TQuotePair* CreateQuotePair(const std::u16string& AQuote) { return CreateQuotePair(AQuote, AQuote); }
  // The first pair with AQuote on either side (exact comparison); null when there is none.
  TQuotePair* FindQuotePair(std::u16string_view AQuote) const;
  // The other side of the pair found for AQuote; empty when there is none.
  std::u16string GetPairedQuote(std::u16string_view AQuote) const;
  size_t Count() const { return FList.size(); }
  TQuotePair* Items(size_t AIndex) const { return FList[AIndex].get(); }
  void Clear() { FList.clear(); }
  void Delete(size_t AIndex) { FList.erase(FList.begin() + static_cast<std::ptrdiff_t>(AIndex)); }

private:
  std::vector<std::unique_ptr<TQuotePair>> FList;
};

// One configured multi-character operator; a null class makes TCompositeOperationToken.
struct TCompositeOperation {
  std::u16string Operation;
  const TTokenClass* TokenClass = nullptr;
};
using TCompositeOperations = std::vector<TCompositeOperation>;

// ---------------------------------------------------------------------------------------------
// Tokenizer and iterator

class TTokenIterator;

// A tokenizer class reference, what the parser factory names.
struct TTokenizerClass {
  std::u16string_view Name;
  std::unique_ptr<TTokenizer> (*Create)();
};

namespace detail {
template <class T>
std::unique_ptr<TTokenizer> CreateTokenizerOf() {
  return std::make_unique<T>();
}
}  // namespace detail

// Gives a tokenizer class its class reference; a subclass names itself with it.
#define TESS_TOKENIZER_CLASS(Cls)                                                                                 \
public:                                                                                                           \
  static const ::tess::parser::TTokenizerClass& ClassInfo() {                                                     \
    static const ::tess::parser::TTokenizerClass info{u"" #Cls, &::tess::parser::detail::CreateTokenizerOf<Cls>}; \
    return info;                                                                                                  \
  }

// Cuts a whole text into a flat list of tokens under a root composite token. The readers are
// asked in a fixed order: white space, line comments, block comments, quoted string, number,
// word, composite operation, break character.
class TTokenizer {
  TESS_TOKENIZER_CLASS(TTokenizer)
public:
  TTokenizer();
  virtual ~TTokenizer();
  TTokenizer(const TTokenizer&) = delete;
  TTokenizer& operator=(const TTokenizer&) = delete;

  TSourceFeeder& Source() { return *FSource; }
  TQuotePairs& Quotes() { return *FQuotes; }
  TQuotePairs& IdentifierQuotes() { return *FIdentifierQuotes; }
  TCompositeOperations& CompositeOperations() { return FCompositeOperations; }
  void AddCompositeOperation(std::u16string AOperation, const TTokenClass* ATokenClass = nullptr);
  // Kept sorted by CompareText: IsKeyword searches it by halves.
  TStringList& Keywords() { return FKeywords; }

  void AddLineComment(std::u16string AIdent);
  void AddBlockComment(std::u16string ABeginIdent, std::u16string AEndIdent);

  // Replaces the children of ARootToken by the tokens of AInputText; with the standard readers
  // the list always ends with one TEOFToken.
  void Tokenize(TCompositeToken* ARootToken, std::u16string AInputText);
  // Positioned at the first significant token; owned by the caller, must not outlive the root.
  std::unique_ptr<TTokenIterator> CreateIterator(TCompositeToken* ARootToken);

  bool IsQuote(std::u16string_view AValue) const;
  bool IsIdentifierQuote(std::u16string_view AValue) const;
  bool IsAnyQuote(std::u16string_view AValue) const { return IsQuote(AValue) || IsIdentifierQuote(AValue); }
  std::u16string GetPairQuote(std::u16string_view AValue) const;
  bool IsQuotedIdentifier(std::u16string_view AValue) const;
  bool IsKeyword(std::u16string_view AValue) const;

  // The two readers a subclass may replace. Made on first use, not in the constructor, so that a
  // subclass's override is the one that runs.
  TTokenReader& QuotedStringReader();
  TTokenReader& NumericReader();
  TCompositeReader& LineCommentReader() { return *FLineCommentReader; }
  TCompositeReader& BlockCommentReader() { return *FBlockCommentReader; }

protected:
  virtual std::unique_ptr<TTokenReader> CreateQuotedStringReader();
  virtual std::unique_ptr<TTokenReader> CreateNumberReader();

private:
  TToken* ReadNextToken(TCompositeToken& AParentToken);

  std::unique_ptr<TSourceFeeder> FSource;
  std::unique_ptr<TWhiteSpaceReader> FWhiteSpaceReader;
  std::unique_ptr<TTextReader> FTextReader;
  std::unique_ptr<TBreakCharsReader> FBreakCharsReader;
  std::unique_ptr<TCompositeOperationsReader> FCompositeOperationsReader;
  std::unique_ptr<TCompositeReader> FLineCommentReader;
  std::unique_ptr<TCompositeReader> FBlockCommentReader;
  std::unique_ptr<TTokenReader> FQuotedStringReader;
  std::unique_ptr<TTokenReader> FNumericReader;
  std::unique_ptr<TQuotePairs> FQuotes;
  std::unique_ptr<TQuotePairs> FIdentifierQuotes;
  TCompositeOperations FCompositeOperations;
  TStringList FKeywords;
};

using TBookmark = int32_t;

// Walks the children of a root token, skipping white space and comments, and remembers the
// furthest token it has stood on.
class TTokenIterator {
public:
  explicit TTokenIterator(TCompositeToken* ATokens);

  void First();
  void Next();
  bool IsDone() const { return FPosition >= FTokens->Count(); }
  // Reading the token of a finished iterator is a programming error.
  TToken* Token() const;
  TBookmark GetBookmark() const { return FPosition; }
  // No skipping: a bookmark is a position GetBookmark gave.
  void GoToBookmark(TBookmark ABookmark);
  void FreeBookmark(TBookmark) {}

  TCompositeToken* Tokens() const { return FTokens; }
  int32_t Position() const { return FPosition; }
  int32_t MaxPosition() const { return FMaxPosition; }
  bool IgnoreComments() const { return FIgnoreComments; }
  void SetIgnoreComments(bool AValue) { FIgnoreComments = AValue; }
  bool IgnoreWhiteSpaces() const { return FIgnoreWhiteSpaces; }
  void SetIgnoreWhiteSpaces(bool AValue) { FIgnoreWhiteSpaces = AValue; }

private:
  void SkipInsignificant();
  void UpdateMaxPosition() {
    if (FPosition > FMaxPosition) FMaxPosition = FPosition;
  }

  TCompositeToken* FTokens;
  int32_t FPosition = 0;
  bool FIgnoreComments = true;
  bool FIgnoreWhiteSpaces = true;
  int32_t FMaxPosition = 0;
};

}  // namespace tess::parser
