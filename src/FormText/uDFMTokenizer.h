// The tokenizer of form text: glued string pieces and brace blocks are one token, and the number
// forms the IDE writes (exponents, type suffixes) are one number each.
#pragma once

#include <memory>

#include "Shared/Parser/uTokenizer.h"

namespace tess::formtext {

// Reads the longest run of quoted pieces and #-codes that touch each other ('a'#13#10'b', #65#66,
// a whole {...} block) as one string token, exactly as written.
class TPascalQuotedStringReader : public parser::TQuotedStringReader {
public:
  using TQuotedStringReader::TQuotedStringReader;

protected:
  bool DoAccept(parser::TCompositeToken& AParentToken, parser::TSourceFeeder& ASource) override;
  parser::TToken* DoReadToken(parser::TCompositeToken& AParentToken, parser::TSourceFeeder& ASource) override;
};

// The engine's numbers plus what the IDE writes for floats and typed values: an exponent
// (1.25E-5, 1E17, 1.5E+02) and a suffix marking single, currency or date values (1.5s, 0c,
// 44231d, either case), and the words binary forms print for non-finite floats (NAN, INF, with the
// type letter s or d) where they stand alone. The token text is kept as written, so it prints back
// unchanged.
class TDFMNumericReader : public parser::TNumericReader {
public:
  using TNumericReader::TNumericReader;

protected:
  bool DoAccept(parser::TCompositeToken& AParentToken, parser::TSourceFeeder& ASource) override;
  parser::TToken* DoReadToken(parser::TCompositeToken& AParentToken, parser::TSourceFeeder& ASource) override;
};

class TDFMTokenizer : public parser::TTokenizer {
  TESS_TOKENIZER_CLASS(TDFMTokenizer)

protected:
  std::unique_ptr<parser::TTokenReader> CreateQuotedStringReader() override;
  std::unique_ptr<parser::TTokenReader> CreateNumberReader() override;
};

}  // namespace tess::formtext
