#include "Shared/Parser/uParser.h"

#include <algorithm>

#include "Shared/Common/uScopeGuard.h"
#include "Shared/Parser/uParserFactory.h"

namespace tess::parser {

void EGrammarError::SetLocation(int32_t AMaxPosition, int32_t AOffset, int32_t ALine, int32_t AColumn,
                                std::u16string ATokenText) {
  FMaxPosition = AMaxPosition;
  FOffset = AOffset;
  FLine = ALine;
  FColumn = AColumn;
  FTokenText = std::move(ATokenText);
}

void LineAndColumnOf(std::u16string_view AText, int32_t AOffset, int32_t& ALine, int32_t& AColumn) {
  ALine = 1;
  AColumn = 1;
  const size_t end = std::min(AText.size(), static_cast<size_t>(std::max(AOffset, 0)));
  for (size_t i = 0; i < end; ++i) {
    const char16_t c = AText[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < end && AText[i + 1] == u'\n') ++i;
      ++ALine;
      AColumn = 1;
    } else {
      ++AColumn;
    }
  }
}

TParser::TParser() : FTokenizer(ParserFactory().CreateTokenizer()) {}

TParser::~TParser() = default;

void TParser::Tokenize(TCompositeToken* ARootToken, std::u16string AInputText) {
  FTokenizer->Tokenize(ARootToken, std::move(AInputText));
}

void TGrammarParser::Parse(TGrammar& AGrammar, std::u16string AText, int32_t& AMaxPosition) {
  AMaxPosition = 0;
  Tokenize(AGrammar.RootToken(), std::move(AText));
  std::unique_ptr<TTokenIterator> iterator = Tokenizer().CreateIterator(AGrammar.RootToken());
  bool matched = false;
  {
    common::TScopeGuard detach([&] {
      AMaxPosition = iterator->MaxPosition();
      AGrammar.SetIterator(nullptr);
    });
    // A tokenizer that stopped without an end-of-file token leaves nothing to match.
    matched = !iterator->IsDone() && AGrammar.Match(*iterator);
  }
  iterator.reset();
  if (matched) return;

  EGrammarError error(u"Grammar failed");
  const TCompositeToken* tokens = AGrammar.RootToken();
  if (AMaxPosition >= 0 && AMaxPosition < tokens->Count()) {
    const TToken* token = tokens->Tokens(AMaxPosition);
    int32_t line = 1;
    int32_t column = 1;
    LineAndColumnOf(Tokenizer().Source().Text(), token->StartPos(), line, column);
    error.SetLocation(AMaxPosition, token->StartPos(), line, column, token->Text());
  } else {
    error.SetLocation(AMaxPosition, 0, 1, 1, {});
  }
  throw error;
}

}  // namespace tess::parser
