// Installs the form-text parser factory when the module starts.
#include "FormText/uDFMParserFactory.h"

#include <memory>

#include "FormText/uDFMTokenizer.h"

namespace tess::formtext {

const parser::TTokenizerClass& TDFMParserFactory::GetTokenizerClass() const { return TDFMTokenizer::ClassInfo(); }

void InstallDFMParserFactory() {
  if (dynamic_cast<TDFMParserFactory*>(&parser::ParserFactory()) != nullptr) return;
  parser::ReplaceParserFactory(std::make_unique<TDFMParserFactory>());
}

namespace {

// Module start-up: the engine's factory exists on first use, and is replaced here before main runs.
const bool GInstalled = (InstallDFMParserFactory(), true);

}  // namespace

}  // namespace tess::formtext
