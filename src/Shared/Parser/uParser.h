// The entry point of the engine: tokenizes a text into a grammar's token list, matches the grammar
// and turns a failed match into EGrammarError.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Shared/Common/uException.h"
#include "Shared/Parser/uSymbol.h"
#include "Shared/Parser/uTokenizer.h"

namespace tess::parser {

// A text does not match its grammar. The message stays "Grammar failed"; beside it the error
// tells where the text stopped making sense: the furthest token the matcher reached.
class EGrammarError : public common::Exception {
public:
  explicit EGrammarError(std::u16string AMessage) : Exception(std::move(AMessage)) {}

  // Index of that token among the grammar's tokens, its character offset, its 1-based line and
  // column (counted in UTF-16 units; CR LF, CR and LF each end a line), and its text.
  int32_t MaxPosition() const { return FMaxPosition; }
  int32_t Offset() const { return FOffset; }
  int32_t Line() const { return FLine; }
  int32_t Column() const { return FColumn; }
  const std::u16string& TokenText() const { return FTokenText; }
  void SetLocation(int32_t AMaxPosition, int32_t AOffset, int32_t ALine, int32_t AColumn, std::u16string ATokenText);

private:
  int32_t FMaxPosition = 0;
  int32_t FOffset = 0;
  int32_t FLine = 1;
  int32_t FColumn = 1;
  std::u16string FTokenText;
};

class TParser {
public:
  // The tokenizer is of the class the global parser factory names.
  TParser();
  virtual ~TParser();
  TParser(const TParser&) = delete;
  TParser& operator=(const TParser&) = delete;

  TTokenizer& Tokenizer() { return *FTokenizer; }

protected:
  void Tokenize(TCompositeToken* ARootToken, std::u16string AInputText);

private:
  std::unique_ptr<TTokenizer> FTokenizer;
};

class TGrammarParser : public TParser {
public:
  // Tokenizes AText into AGrammar's root token and matches AGrammar. AMaxPosition receives the
  // furthest token index reached, also on failure. Raises EGrammarError "Grammar failed" when
  // the text does not match; other exceptions pass through unchanged. The caller configures the
  // tokenizer once per grammar and resets the grammar before each call.
  void Parse(TGrammar& AGrammar, std::u16string AText, int32_t& AMaxPosition);
};

// Line and column (1-based) of a character offset in a text.
void LineAndColumnOf(std::u16string_view AText, int32_t AOffset, int32_t& ALine, int32_t& AColumn);

}  // namespace tess::parser
