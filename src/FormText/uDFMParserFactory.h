// The parser factory of form text: every parser made after start-up cuts text with TDFMTokenizer.
#pragma once

#include "Shared/Parser/uParserFactory.h"

namespace tess::formtext {

class TDFMParserFactory : public parser::TParserFactory {
public:
  const parser::TTokenizerClass& GetTokenizerClass() const override;
};

// Puts a TDFMParserFactory in place of the engine's factory, unless one is there already. Runs
// when the form-text module starts; the facade calls it too, before it makes its parser, so that
// no start-up order can leave it with the engine's plain tokenizer.
void InstallDFMParserFactory();

}  // namespace tess::formtext
