#include "Shared/Parser/uTokenizer.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <iterator>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

#include "Shared/Common/uFormat.h"
#include "Shared/Common/uScopeGuard.h"
#include "Shared/Parser/uTextCompare.h"

namespace tess::parser {

// ---------------------------------------------------------------------------------------------
// TOldStringStream

TOldStringStream::TOldStringStream(std::u16string AString) { WriteString(std::move(AString)); }

int32_t TOldStringStream::Seek(int32_t AOffset, TSeekOrigin AOrigin) {
  int64_t target = 0;
  switch (AOrigin) {
    case TSeekOrigin::soBeginning: target = AOffset; break;
    case TSeekOrigin::soCurrent: target = static_cast<int64_t>(FPosition) + AOffset; break;
    case TSeekOrigin::soEnd: target = static_cast<int64_t>(Size()) - AOffset; break;
  }
  FPosition = static_cast<int32_t>(std::clamp<int64_t>(target, 0, Size()));
  return FPosition;
}

void TOldStringStream::SetSize(int32_t ANewSize) {
  const auto size = static_cast<size_t>(std::max(ANewSize, 0));
  if (FDataString.use_count() > 1)
    WriteString(FDataString->substr(0, size));
  else
    FDataString->resize(size);
  if (FPosition > Size()) FPosition = Size();
}

std::u16string TOldStringStream::ReadString(int32_t ACount) {
  const int32_t count = std::clamp(ACount, 0, Size() - FPosition);
  std::u16string result = FDataString->substr(static_cast<size_t>(FPosition), static_cast<size_t>(count));
  FPosition += count;
  return result;
}

void TOldStringStream::WriteString(std::u16string AString) {
  FDataString = std::make_shared<std::u16string>(std::move(AString));
}

// ---------------------------------------------------------------------------------------------
// TSourceFeeder

TSourceFeeder::TSourceFeeder() : FStream(std::make_unique<TOldStringStream>()) {}

void TSourceFeeder::SetText(std::u16string AText) {
  FStream->WriteString(std::move(AText));
  FStream->SetPosition(0);
}

char16_t TSourceFeeder::ReadChar() {
  assert(!Done() && "ReadChar called at the end of the text");
  const int32_t position = FStream->Position();
  FStream->SetPosition(position + 1);
  return FStream->DataString()[static_cast<size_t>(position)];
}

char16_t TSourceFeeder::LastChar() const {
  const int32_t position = FStream->Position();
  return position == 0 ? u'\0' : FStream->DataString()[static_cast<size_t>(position - 1)];
}

char16_t TSourceFeeder::PeekChar() const {
  return Done() ? u'\0' : FStream->DataString()[static_cast<size_t>(FStream->Position())];
}

void TSourceFeeder::Next(int32_t AOffset) { FStream->Seek(AOffset, TSeekOrigin::soCurrent); }

void TSourceFeeder::Prior(int32_t AOffset) { FStream->Seek(-AOffset, TSeekOrigin::soCurrent); }

void TSourceFeeder::Push() { FQuery.push_back(FStream->Position()); }

void TSourceFeeder::Pop() {
  if (FQuery.empty()) return;
  FStream->SetPosition(FQuery.back());
  FQuery.pop_back();
}

void TSourceFeeder::Drop() {
  if (!FQuery.empty()) FQuery.pop_back();
}

std::u16string TSourceFeeder::ReadFromBuffer(int32_t ASize, bool ADiscardReadText, bool AReturnAllText) {
  const int32_t start = FStream->Position();
  const int32_t count = std::clamp(ASize, 0, FStream->Size() - start);
  const std::u16string& text = FStream->DataString();
  std::u16string result;
  if (AReturnAllText) {
    result = text.substr(static_cast<size_t>(start), static_cast<size_t>(count));
    FStream->SetPosition(start + count);
  } else if (count > 0) {
    result = text.substr(static_cast<size_t>(start + count - 1), 1);
  }
  if (!ADiscardReadText) FStream->SetPosition(start);
  return result;
}

std::u16string TSourceFeeder::ReadLine() {
  std::u16string result;
  while (!Done()) {
    const char16_t c = ReadChar();
    if (c == u'\r' || c == u'\n') {
      if (!Done()) {
        const char16_t next = PeekChar();
        if (next == u'\r' || next == u'\n') Next(1);
      }
      return result;
    }
    result.push_back(c);
  }
  return result;
}

std::u16string TSourceFeeder::ReadWhileNotEntry(std::u16string_view AFindString, bool AIncludeIntoResult) {
  const std::u16string& text = FStream->DataString();
  const size_t start = static_cast<size_t>(FStream->Position());
  size_t found = std::u16string::npos;
  if (!AFindString.empty() && text.size() >= AFindString.size()) {
    // Only where the first character occurs (in either case) is the whole entry compared: strings
    // and comments run to thousands of characters.
    const std::u16string_view view(text);
    const char16_t first = AFindString[0];
    const bool letter = (first >= u'A' && first <= u'Z') || (first >= u'a' && first <= u'z');
    const char16_t firsts[2] = {first, letter ? static_cast<char16_t>(first ^ 0x20) : first};
    const size_t last = text.size() - AFindString.size();
    for (size_t i = view.find_first_of(firsts, start, letter ? 2 : 1); i != std::u16string_view::npos && i <= last;
         i = view.find_first_of(firsts, i + 1, letter ? 2 : 1)) {
      if (SameTextAscii(view.substr(i, AFindString.size()), AFindString)) {
        found = i;
        break;
      }
    }
  }
  size_t end = text.size();
  if (found != std::u16string::npos) end = AIncludeIntoResult ? found + AFindString.size() : found;
  FStream->SetPosition(static_cast<int32_t>(end));
  return text.substr(start, end - start);
}

// ---------------------------------------------------------------------------------------------
// TSymbolMemo

namespace {
uint32_t MemoSlot(uint32_t AKey, uint32_t AMask) { return (AKey * 0x9E3779B1u) & AMask; }
}  // namespace

TSymbolMemo::~TSymbolMemo() {
  // Arena memory goes back with the arena.
  if (!FInArena) ::operator delete(FData);
}

int32_t TSymbolMemo::FindIndex(uint32_t AKey) const {
  const uint32_t* keys = Keys();
  if (!Indexed()) {
    for (uint32_t i = 0; i < FCount; ++i)
      if ((keys[i] & ~kMark) == AKey) return static_cast<int32_t>(i);
    return -1;
  }
  const int32_t* index = Index();
  const uint32_t mask = FCapacity * 2 - 1;
  for (uint32_t slot = MemoSlot(AKey, mask);; slot = (slot + 1) & mask) {
    if (index[slot] < 0 || (keys[index[slot]] & ~kMark) == AKey) return index[slot];
  }
}

TSymbol* TSymbolMemo::Find(std::u16string_view ACaption) const {
  const uint32_t key = FindInternedCaption(ACaption);
  return key == 0 ? nullptr : Find(key);
}

bool TSymbolMemo::Contains(std::u16string_view ACaption) const {
  const uint32_t key = FindInternedCaption(ACaption);
  return key != 0 && Contains(key);
}

size_t TSymbolMemo::BlockBytes(uint32_t ACapacity) const {
  const size_t bytes = (FKeysOnly ? 0 : sizeof(TSymbol*) * ACapacity) + sizeof(uint32_t) * ACapacity +
                       (IndexedAt(ACapacity) ? sizeof(int32_t) * ACapacity * 2 : 0);
  // Whole pointers, so that an outgrown block can go back to the arena.
  return (bytes + sizeof(void*) - 1) / sizeof(void*) * sizeof(void*);
}

void TSymbolMemo::Grow(TArena* AArena) {
  // From one entry up (two keys, the room of one pointer, in a table of keys only): most tables of a
  // parse hold one to six, and an outgrown block goes back to the arena for the next table of its
  // size. Below the index the room grows by half from four, so that a table of five takes 72 bytes
  // rather than 96; from the index on it doubles, as the index's mask needs.
  assert((FData == nullptr || (AArena != nullptr) == (FInArena != 0)) && "a memo table grows in one place");
  static constexpr uint32_t kSteps[] = {1, 2, 3, 4, 6, 8};
  static constexpr uint32_t kKeySteps[] = {2, 4, 6, 8, 12, 16};
  static_assert(kSteps[5] == kLinearLimit && kKeySteps[5] == kKeysLinearLimit);
  const uint32_t* steps = FKeysOnly ? kKeySteps : kSteps;
  uint32_t capacity = FCapacity * 2;
  for (size_t i = 0; i < std::size(kSteps); ++i) {
    if (steps[i] > FCapacity) {
      capacity = steps[i];
      break;
    }
  }
  const size_t bytes = BlockBytes(capacity);
  void* data = AArena != nullptr ? AArena->AllocateRecycled(bytes, alignof(TSymbol*)) : ::operator new(bytes);
  if (FCount > 0) {
    if (!FKeysOnly) std::copy(Symbols(), Symbols() + FCount, static_cast<TSymbol**>(data));
    std::copy(Keys(), Keys() + FCount, KeysIn(data, capacity));
  }
  if (!FInArena)
    ::operator delete(FData);
  else if (FData != nullptr)
    AArena->Recycle(FData, BlockBytes(FCapacity));
  FInArena = AArena != nullptr ? 1u : 0u;
  FData = data;
  FCapacity = capacity;
  if (!Indexed()) return;
  int32_t* index = Index();
  std::fill(index, index + capacity * 2, -1);
  const uint32_t mask = capacity * 2 - 1;
  const uint32_t* keys = Keys();
  for (uint32_t i = 0; i < FCount; ++i) {
    uint32_t slot = MemoSlot(keys[i] & ~kMark, mask);
    while (index[slot] >= 0) slot = (slot + 1) & mask;
    index[slot] = static_cast<int32_t>(i);
  }
}

void TSymbolMemo::Add(uint32_t AKey, TSymbol* ASymbol, TArena* AArena, bool AMarked) {
  assert((!FKeysOnly || ASymbol == nullptr) && "a table of keys only keeps no symbol");
  assert((AKey & kMark) == 0 && "a memo key is below 2^31");
  const uint32_t mark = AMarked ? kMark : 0u;
  if (const int32_t at = FindIndex(AKey); at >= 0) {
    Keys()[at] |= mark;
    return;
  }
  if (FCount == FCapacity) Grow(AArena);
  Keys()[FCount] = AKey | mark;
  if (!FKeysOnly) Symbols()[FCount] = ASymbol;
  if (Indexed()) {
    int32_t* index = Index();
    const uint32_t mask = FCapacity * 2 - 1;
    uint32_t slot = MemoSlot(AKey, mask);
    while (index[slot] >= 0) slot = (slot + 1) & mask;
    index[slot] = static_cast<int32_t>(FCount);
  }
  ++FCount;
}

TStringList TSymbolMemo::Captions() const {
  TStringList result;
  result.reserve(FCount);
  for (uint32_t i = 0; i < FCount; ++i) result.push_back(InternedCaption(Keys()[i] & ~kMark));
  return result;
}

// ---------------------------------------------------------------------------------------------
// Tokens

TToken::TToken(TCompositeToken* AParent) : FParent(AParent) {}

TToken::~TToken() { ClearMemo(); }

void TToken::ClearMemo() {
  if (FMemo == nullptr) return;
  if (FMemoInArena)
    FMemo->~TMemoTables();
  else
    delete FMemo;
  FMemo = nullptr;
}

const TTokenClass& TToken::ClassInfo() {
  static const TTokenClass info{u"TToken", nullptr};
  return info;
}

int TToken::Level() const {
  int level = 0;
  for (const TToken* token = FParent; token != nullptr; token = token->Parent()) ++level;
  return level;
}

void TToken::Accept(TTokenVisitor& AVisitor) { AVisitor.VisitToken(this); }

TToken::TMemoTables& TToken::Memo() {
  if (FMemo == nullptr) {
    if (FParent != nullptr) {
      FMemo = FParent->MemoArena().New<TMemoTables>();
      FMemoInArena = true;
    } else {
      FMemo = new TMemoTables();
      FMemoInArena = false;
    }
  }
  return *FMemo;
}

TArena* TToken::MemoEntryArena() { return FParent != nullptr ? &FParent->MemoArena() : nullptr; }

void TToken::MemoMatched(uint32_t AKey, TSymbol* ASymbol) { Memo().ParentSymbols.Add(AKey, ASymbol, MemoEntryArena()); }

void TToken::MemoFailed(uint32_t AKey, bool ATerminal) {
  Memo().FailedSymbols.Add(AKey, nullptr, MemoEntryArena(), ATerminal);
}

TSymbolMemo TToken::FailedTerminals() const {
  TSymbolMemo result(true);
  if (FMemo != nullptr)
    for (const TSymbolMemo::Entry entry : FMemo->FailedSymbols.Entries())
      if (entry.Marked) result.Add(entry.Key, nullptr);
  return result;
}

void TCustomTextToken::Accept(TTokenVisitor& AVisitor) { AVisitor.VisitCustomTextToken(this); }

namespace {

// The texts of tokens that are not their range of an input: tokens given a text by hand, a
// reader that normalises what it read (line comments end with CR LF), tokens without a parent.
// Few in a parse, so one table beside all of them, locked for the tokens of other threads.
class TOwnTexts {
public:
  void Set(const TCustomTextToken* AToken, std::u16string AText) {
    std::lock_guard lock(FMutex);
    FTable[AToken] = std::move(AText);
  }
  std::u16string_view Find(const TCustomTextToken* AToken) {
    std::lock_guard lock(FMutex);
    const auto entry = FTable.find(AToken);
    return entry != FTable.end() ? std::u16string_view(entry->second) : std::u16string_view();
  }
  void Erase(const TCustomTextToken* AToken) {
    std::lock_guard lock(FMutex);
    FTable.erase(AToken);
  }

private:
  std::mutex FMutex;
  std::unordered_map<const TCustomTextToken*, std::u16string> FTable;
};

TOwnTexts& OwnTexts() {
  // Never destroyed: tokens held by objects of static lifetime may go after it at exit.
  static TOwnTexts* const table = new TOwnTexts();
  return *table;
}

}  // namespace

TCustomTextToken::~TCustomTextToken() {
  if (FHasOwnText) OwnTexts().Erase(this);
}

std::u16string_view TCustomTextToken::InputText() const {
  return std::u16string_view(*Parent()->Input()).substr(static_cast<size_t>(FStartPos),
                                                        static_cast<size_t>(FEndPos - FStartPos));
}

std::u16string_view TCustomTextToken::OwnText() const { return OwnTexts().Find(this); }

void TCustomTextToken::SetText(std::u16string AValue) {
  if (AValue.size() > std::numeric_limits<uint32_t>::max()) throw std::length_error("token text too long");
  // The token being read whose text is what the reader went over: it keeps its range of the input
  // and no text of its own (the reader sets the same range right after).
  const TCompositeToken* parent = Parent();
  if (parent != nullptr && parent->ReadingAt() >= 0 && parent->Input() != nullptr && parent->LastToken() == this) {
    const std::u16string_view input(*parent->Input());
    const auto at = static_cast<size_t>(parent->ReadingAt());
    if (at <= input.size() && input.size() - at >= AValue.size() &&
        std::memcmp(input.data() + at, AValue.data(), AValue.size() * sizeof(char16_t)) == 0) {
      if (FHasOwnText) OwnTexts().Erase(this);
      FHasOwnText = false;
      FStartPos = static_cast<int32_t>(at);
      FEndPos = static_cast<int32_t>(at + AValue.size());
      FTextInInput = true;
      return;
    }
  }
  FTextInInput = false;
  if (AValue.empty()) {
    if (FHasOwnText) OwnTexts().Erase(this);
    FHasOwnText = false;
    return;
  }
  OwnTexts().Set(this, std::move(AValue));
  FHasOwnText = true;
}

void TCustomTextToken::DetachText() { SetText(std::u16string(InputText())); }

void TTextToken::Accept(TTokenVisitor& AVisitor) { AVisitor.VisitTextToken(this); }

void TEOFToken::Accept(TTokenVisitor& AVisitor) { AVisitor.VisitEOFToken(this); }

void TQuotedIdentifierToken::Accept(TTokenVisitor& AVisitor) { AVisitor.VisitQuotedIdentifierToken(this); }

void TWhiteSpace::Accept(TTokenVisitor& AVisitor) { AVisitor.VisitWhiteSpace(this); }

TCompositeToken::TCompositeToken(TCompositeToken* AParent) : TToken(AParent) {}

TCompositeToken::~TCompositeToken() { Clear(); }

TArena& TCompositeToken::Arena() {
  if (!FArena) FArena = std::make_unique<TArena>();
  return *FArena;
}

TArena& TCompositeToken::MemoArena() {
  if (!FMemoArena) FMemoArena = std::make_unique<TArena>();
  return *FMemoArena;
}

void TCompositeToken::ClearMemos() {
  for (TToken* token : FList) token->ClearMemo();
  FMemoArena.reset();
}

TToken* TCompositeToken::Add(const TTokenClass& AClass) {
  if (AClass.Construct != nullptr) {
    TToken* token = AClass.Construct(Arena().Allocate(AClass.Size, AClass.Align), this);
    token->FInArena = true;
    FList.push_back(token);
    return token;
  }
  assert(AClass.Create != nullptr && "a token class reference without a constructor");
  std::unique_ptr<TToken> token = AClass.Create(this);
  FList.push_back(token.get());
  return token.release();
}

void TCompositeToken::Clear() {
  for (TToken* token : FList) {
    if (token->FInArena)
      token->~TToken();
    else
      delete token;
  }
  FList.clear();
  if (FArena) FArena->Release();
  if (FMemoArena) FMemoArena->Release();
  FInput.reset();
}

std::u16string TCompositeToken::GetText() const {
  std::u16string result;
  for (const auto& token : FList) result += token->Text();
  return result;
}

void TCompositeToken::SetText(std::u16string AValue) {
  Clear();
  Add<TTextToken>()->SetText(std::move(AValue));
}

std::u16string TCompositeToken::GetCaption() const {
  if (FList.empty()) return {};
  return common::Format(u"(%s - %s)", {FirstToken()->Caption(), LastToken()->Caption()});
}

int32_t TCompositeToken::GetStartPos() const {
  return FList.empty() ? TToken::GetStartPos() : FList.front()->StartPos();
}

int32_t TCompositeToken::GetEndPos() const { return FList.empty() ? TToken::GetEndPos() : FList.back()->EndPos(); }

// ---------------------------------------------------------------------------------------------
// TTokenVisitor

void TTokenVisitor::VisitQuotedIdentifierToken(TQuotedIdentifierToken* AToken) { VisitCustomTextToken(AToken); }
void TTokenVisitor::VisitToken(TToken*) {}
void TTokenVisitor::VisitCustomTextToken(TCustomTextToken* ACustomTextToken) { VisitToken(ACustomTextToken); }
void TTokenVisitor::VisitTextToken(TTextToken* ATextToken) { VisitCustomTextToken(ATextToken); }
void TTokenVisitor::VisitWhiteSpace(TWhiteSpace* AWhiteSpace) { VisitTextToken(AWhiteSpace); }
void TTokenVisitor::VisitEOFToken(TEOFToken* AEOFToken) { VisitToken(AEOFToken); }

// ---------------------------------------------------------------------------------------------
// Readers

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsUpperHexDigit(char16_t c) { return IsDigit(c) || (c >= u'A' && c <= u'F'); }
bool IsWordChar(char16_t c) { return !IsWhiteSpaceChar(c) && !IsBreakChar(c); }

// Compares the next characters with AIdent (ASCII letters without case) and reads them when equal.
bool ReadIdent(TSourceFeeder& ASource, std::u16string_view AIdent, std::u16string* ARead) {
  if (AIdent.empty()) return false;
  std::u16string read = ASource.ReadFromBuffer(static_cast<int32_t>(AIdent.size()), false, true);
  if (!SameTextAscii(read, AIdent)) return false;
  ASource.Next(static_cast<int32_t>(read.size()));
  if (ARead != nullptr) *ARead = std::move(read);
  return true;
}

template <class Pred>
std::u16string ReadRun(TSourceFeeder& ASource, Pred APred) {
  const std::u16string& text = ASource.Text();
  const int32_t start = ASource.Position();
  int32_t end = start;
  while (end < static_cast<int32_t>(text.size()) && APred(text[static_cast<size_t>(end)])) ++end;
  ASource.SetPosition(end);
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
}

}  // namespace

bool TTokenReader::Accept(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  // A look ahead: the source is back where it was afterwards, also when a reader raises.
  ASource.Push();
  common::TScopeGuard restore([&ASource] { ASource.Pop(); });
  return DoAccept(AParentToken, ASource);
}

TToken* TTokenReader::ReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  const int32_t start = ASource.Position();
  // Nothing read, or a reader that raised, leaves the source where it was.
  common::TScopeGuard rewind([&ASource, start] { ASource.SetPosition(start); });
  // The token's text may be its range of the input, when the parent holds this source's text.
  const bool fromInput = AParentToken.FInput != nullptr && AParentToken.FInput.get() == &ASource.Text();
  if (fromInput) AParentToken.FReadingAt = start;
  common::TScopeGuard read([&AParentToken, fromInput] {
    if (fromInput) AParentToken.FReadingAt = -1;
  });
  TToken* token = DoReadToken(AParentToken, ASource);
  if (token == nullptr) return nullptr;
  rewind.Dismiss();
  token->SetRange(start, ASource.Position());
  return token;
}

bool TWhiteSpaceReader::DoAccept(TCompositeToken&, TSourceFeeder& ASource) {
  return !ASource.Done() && IsWhiteSpaceChar(ASource.ReadChar());
}

TToken* TWhiteSpaceReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  return MakeToken<TWhiteSpace>(AParentToken, ReadRun(ASource, IsWhiteSpaceChar));
}

bool TTextReader::DoAccept(TCompositeToken&, TSourceFeeder& ASource) {
  return !ASource.Done() && IsWordChar(ASource.ReadChar());
}

TToken* TTextReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  std::u16string text = ReadRun(ASource, IsWordChar);
  if (text.empty()) return nullptr;
  if (Tokenizer()->IsKeyword(text)) return MakeToken<TReservedWordToken>(AParentToken, std::move(text));
  return MakeToken<TTextToken>(AParentToken, std::move(text));
}

bool TBreakCharsReader::DoAccept(TCompositeToken&, TSourceFeeder& ASource) {
  return !ASource.Done() && IsBreakChar(ASource.ReadChar());
}

TToken* TBreakCharsReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  if (ASource.Done()) return nullptr;
  const char16_t c = ASource.ReadChar();
  if (!IsBreakChar(c)) return nullptr;
  return MakeToken<TBreakToken>(AParentToken, std::u16string(1, c));
}

bool TNumericReader::DoAccept(TCompositeToken&, TSourceFeeder& ASource) {
  return !ASource.Done() && IsDigit(ASource.ReadChar());
}

TToken* TNumericReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  bool hexSeen = false;
  bool pointSeen = false;
  std::u16string text;
  while (!ASource.Done()) {
    const char16_t c = ASource.ReadChar();
    bool take = false;
    if (c == u'X' || c == u'x') {
      take = !hexSeen;
      hexSeen = true;
    } else if (c == u'.') {
      take = !pointSeen;
      pointSeen = true;
    } else {
      take = IsDigit(c) || (hexSeen && IsUpperHexDigit(c));
    }
    if (!take) {
      ASource.Prior(1);
      break;
    }
    text.push_back(c);
  }
  return MakeToken<TNumericToken>(AParentToken, std::move(text));
}

bool TLineCommentReader::DoAccept(TCompositeToken&, TSourceFeeder& ASource) {
  return ReadIdent(ASource, FIdent, nullptr);
}

TToken* TLineCommentReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  std::u16string text;
  if (!ReadIdent(ASource, FIdent, &text)) return nullptr;
  // The break is normalised: a comment always ends with CR LF, also at the end of the text.
  text += ASource.ReadLine();
  text += u"\r\n";
  return MakeToken<TLineComment>(AParentToken, std::move(text));
}

bool TBlockCommentReader::DoAccept(TCompositeToken&, TSourceFeeder& ASource) {
  return ReadIdent(ASource, FBeginIdent, nullptr);
}

TToken* TBlockCommentReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  std::u16string text;
  if (!ReadIdent(ASource, FBeginIdent, &text)) return nullptr;
  text += ASource.ReadWhileNotEntry(FEndIdent, true);
  return MakeToken<TBlockComment>(AParentToken, std::move(text));
}

bool TQuotedStringReader::DoAccept(TCompositeToken&, TSourceFeeder& ASource) {
  return !ASource.Done() && Tokenizer()->IsAnyQuote(std::u16string(1, ASource.ReadChar()));
}

TToken* TQuotedStringReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  if (ASource.Done()) return nullptr;
  const std::u16string first(1, ASource.ReadChar());
  if (!Tokenizer()->IsAnyQuote(first)) return nullptr;
  std::u16string text = first;
  const std::u16string closing = Tokenizer()->GetPairQuote(first);
  while (!ASource.Done()) {
    text += ASource.ReadWhileNotEntry(closing, true);
    if (ASource.Done()) break;
    // A doubled closing quote stands for itself and the string goes on.
    std::u16string ahead = ASource.ReadFromBuffer(static_cast<int32_t>(closing.size()), false, true);
    if (closing.empty() || !SameTextAscii(ahead, closing)) break;
    ASource.Next(static_cast<int32_t>(ahead.size()));
    text += ahead;
  }
  if (Tokenizer()->IsQuotedIdentifier(text)) return MakeToken<TQuotedIdentifierToken>(AParentToken, std::move(text));
  return MakeToken<TQuotedStringToken>(AParentToken, std::move(text));
}

bool TCompositeOperationsReader::DoAccept(TCompositeToken&, TSourceFeeder& ASource) {
  for (const TCompositeOperation& op : Tokenizer()->CompositeOperations()) {
    if (op.Operation.empty()) continue;
    const std::u16string ahead = ASource.ReadFromBuffer(static_cast<int32_t>(op.Operation.size()), false, true);
    if (SameText(ahead, op.Operation)) return true;
  }
  return false;
}

TToken* TCompositeOperationsReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  for (const TCompositeOperation& op : Tokenizer()->CompositeOperations()) {
    if (op.Operation.empty()) continue;
    const int32_t start = ASource.Position();
    std::u16string read = ASource.ReadFromBuffer(static_cast<int32_t>(op.Operation.size()));
    if (!SameText(read, op.Operation)) {
      ASource.SetPosition(start);
      continue;
    }
    const TTokenClass& cls = op.TokenClass != nullptr ? *op.TokenClass : TCompositeOperationToken::ClassInfo();
    assert(cls.Create != nullptr && "a composite operation names a class that makes no tokens");
    TToken* token = AParentToken.Add(cls);
    token->SetText(std::move(read));
    return token;
  }
  return nullptr;
}

void TCompositeReader::AddReader(std::unique_ptr<TTokenReader> AReader) { FReaders.push_back(std::move(AReader)); }

bool TCompositeReader::DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  FLastAcceptReader = nullptr;
  for (const auto& reader : FReaders) {
    if (reader->Accept(AParentToken, ASource)) {
      FLastAcceptReader = reader.get();
      return true;
    }
  }
  return false;
}

TToken* TCompositeReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  struct TForget {
    TTokenReader*& Reader;
    ~TForget() { Reader = nullptr; }
  } forget{FLastAcceptReader};
  if (FLastAcceptReader == nullptr) Accept(AParentToken, ASource);
  if (FLastAcceptReader == nullptr) return nullptr;
  return FLastAcceptReader->ReadToken(AParentToken, ASource);
}

// ---------------------------------------------------------------------------------------------
// Quote pairs

TQuotePair* TQuotePairs::CreateQuotePair(std::u16string AFirstQuote, std::u16string ALastQuote) {
  auto pair = std::make_unique<TQuotePair>(std::move(AFirstQuote), std::move(ALastQuote));
  FList.push_back(std::move(pair));
  return FList.back().get();
}

TQuotePair* TQuotePairs::FindQuotePair(std::u16string_view AQuote) const {
  for (const auto& pair : FList)
    if (pair->FirstQuote() == AQuote || pair->LastQuote() == AQuote) return pair.get();
  return nullptr;
}

std::u16string TQuotePairs::GetPairedQuote(std::u16string_view AQuote) const {
  const TQuotePair* pair = FindQuotePair(AQuote);
  if (pair == nullptr) return {};
  return pair->FirstQuote() == AQuote ? pair->LastQuote() : pair->FirstQuote();
}

// ---------------------------------------------------------------------------------------------
// TTokenizer

TTokenizer::TTokenizer()
    : FSource(std::make_unique<TSourceFeeder>()),
      FWhiteSpaceReader(std::make_unique<TWhiteSpaceReader>(this)),
      FTextReader(std::make_unique<TTextReader>(this)),
      FBreakCharsReader(std::make_unique<TBreakCharsReader>(this)),
      FCompositeOperationsReader(std::make_unique<TCompositeOperationsReader>(this)),
      FLineCommentReader(std::make_unique<TCompositeReader>(this)),
      FBlockCommentReader(std::make_unique<TCompositeReader>(this)),
      FQuotes(std::make_unique<TQuotePairs>()),
      FIdentifierQuotes(std::make_unique<TQuotePairs>()) {}

TTokenizer::~TTokenizer() = default;

std::unique_ptr<TTokenReader> TTokenizer::CreateQuotedStringReader() {
  return std::make_unique<TQuotedStringReader>(this);
}

std::unique_ptr<TTokenReader> TTokenizer::CreateNumberReader() { return std::make_unique<TNumericReader>(this); }

TTokenReader& TTokenizer::QuotedStringReader() {
  if (!FQuotedStringReader) FQuotedStringReader = CreateQuotedStringReader();
  return *FQuotedStringReader;
}

TTokenReader& TTokenizer::NumericReader() {
  if (!FNumericReader) FNumericReader = CreateNumberReader();
  return *FNumericReader;
}

void TTokenizer::AddCompositeOperation(std::u16string AOperation, const TTokenClass* ATokenClass) {
  FCompositeOperations.push_back({std::move(AOperation), ATokenClass});
}

void TTokenizer::AddLineComment(std::u16string AIdent) {
  FLineCommentReader->AddReader(std::make_unique<TLineCommentReader>(this, std::move(AIdent)));
}

void TTokenizer::AddBlockComment(std::u16string ABeginIdent, std::u16string AEndIdent) {
  FBlockCommentReader->AddReader(
      std::make_unique<TBlockCommentReader>(this, std::move(ABeginIdent), std::move(AEndIdent)));
}

void TTokenizer::Tokenize(TCompositeToken* ARootToken, std::u16string AInputText) {
  assert(ARootToken != nullptr && "Tokenize needs a root token");
  FSource->SetText(std::move(AInputText));
  ARootToken->Clear();
  ARootToken->FInput = FSource->Stream().SharedString();
  for (;;) {
    TToken* token = ReadNextToken(*ARootToken);
    if (token == nullptr || token->IsKind(tkEOF)) break;
  }
  ARootToken->FList.shrink_to_fit();
}

TToken* TTokenizer::ReadNextToken(TCompositeToken& AParentToken) {
  TSourceFeeder& source = *FSource;
  if (source.Done()) {
    TToken* eof = AParentToken.Add<TEOFToken>();
    const int32_t length = source.Stream().Size();
    eof->SetRange(length, length);
    return eof;
  }
  TTokenReader* const readers[] = {
      FWhiteSpaceReader.get(), FLineCommentReader.get(), FBlockCommentReader.get(),        &QuotedStringReader(),
      &NumericReader(),        FTextReader.get(),        FCompositeOperationsReader.get(), FBreakCharsReader.get()};
  for (TTokenReader* reader : readers) {
    // An empty composite cannot accept; skipping it saves a position save and restore per token.
    if ((reader == FLineCommentReader.get() || reader == FBlockCommentReader.get()) &&
        static_cast<TCompositeReader*>(reader)->Count() == 0)
      continue;
    if (reader == FCompositeOperationsReader.get() && FCompositeOperations.empty()) continue;
    if (reader->Accept(AParentToken, source)) return reader->ReadToken(AParentToken, source);
  }
  return nullptr;
}

std::unique_ptr<TTokenIterator> TTokenizer::CreateIterator(TCompositeToken* ARootToken) {
  return std::make_unique<TTokenIterator>(ARootToken);
}

bool TTokenizer::IsQuote(std::u16string_view AValue) const { return FQuotes->FindQuotePair(AValue) != nullptr; }

bool TTokenizer::IsIdentifierQuote(std::u16string_view AValue) const {
  return FIdentifierQuotes->FindQuotePair(AValue) != nullptr;
}

std::u16string TTokenizer::GetPairQuote(std::u16string_view AValue) const {
  std::u16string result = FQuotes->GetPairedQuote(AValue);
  if (result.empty()) result = FIdentifierQuotes->GetPairedQuote(AValue);
  return result;
}

bool TTokenizer::IsQuotedIdentifier(std::u16string_view AValue) const {
  for (size_t i = 0; i < FIdentifierQuotes->Count(); ++i) {
    const std::u16string& quote = FIdentifierQuotes->Items(i)->FirstQuote();
    if (quote.empty() || AValue.size() < quote.size()) continue;
    if (SameText(AValue.substr(0, quote.size()), quote)) return true;
  }
  return false;
}

bool TTokenizer::IsKeyword(std::u16string_view AValue) const {
  auto found = std::lower_bound(FKeywords.begin(), FKeywords.end(), AValue,
                                [](const std::u16string& a, std::u16string_view b) { return CompareText(a, b) < 0; });
  return found != FKeywords.end() && CompareText(*found, AValue) == 0;
}

// ---------------------------------------------------------------------------------------------
// TTokenIterator

TTokenIterator::TTokenIterator(TCompositeToken* ATokens) : FTokens(ATokens) {
  assert(ATokens != nullptr && "an iterator needs a token list");
  First();
}

void TTokenIterator::First() {
  FPosition = 0;
  FMaxPosition = 0;
  SkipInsignificant();
}

void TTokenIterator::Next() {
  ++FPosition;
  SkipInsignificant();
}

TToken* TTokenIterator::Token() const {
  assert(!IsDone() && "Token read on a finished iterator");
  return FTokens->Tokens(FPosition);
}

void TTokenIterator::GoToBookmark(TBookmark ABookmark) {
  FPosition = ABookmark;
  UpdateMaxPosition();
}

void TTokenIterator::SkipInsignificant() {
  while (!IsDone()) {
    TToken* token = FTokens->Tokens(FPosition);
    const uint32_t kinds = token->Kinds();
    const bool skip =
        (FIgnoreWhiteSpaces && (kinds & tkWhiteSpace) != 0) || (FIgnoreComments && (kinds & tkComment) != 0);
    if (!skip) break;
    ++FPosition;
  }
  UpdateMaxPosition();
}

}  // namespace tess::parser
