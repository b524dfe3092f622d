// String runs, brace blocks and the IDE's number forms for the form-text tokenizer.
#include "FormText/uDFMTokenizer.h"

#include "Shared/Parser/uTextCompare.h"

namespace tess::formtext {

using parser::TCompositeToken;
using parser::TSourceFeeder;
using parser::TToken;

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

bool TPascalQuotedStringReader::DoAccept(TCompositeToken&, TSourceFeeder& ASource) {
  if (ASource.Done()) return false;
  const char16_t c = ASource.ReadChar();
  return c == u'#' || Tokenizer()->IsAnyQuote(std::u16string_view(&c, 1));
}

TToken* TPascalQuotedStringReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  std::u16string text;
  while (!ASource.Done()) {
    const char16_t c = ASource.ReadChar();
    if (c == u'#') {
      // Only decimal codes belong to the run: #$41 leaves $41 to the word reader.
      text.push_back(c);
      while (!ASource.Done()) {
        const char16_t digit = ASource.ReadChar();
        if (!IsDigit(digit)) {
          ASource.Prior(1);
          break;
        }
        text.push_back(digit);
      }
      continue;
    }
    const std::u16string_view quote(&c, 1);
    if (!Tokenizer()->IsAnyQuote(quote)) {
      ASource.Prior(1);
      break;
    }
    text.push_back(c);
    const std::u16string closing = Tokenizer()->GetPairQuote(quote);
    while (!ASource.Done()) {
      text += ASource.ReadWhileNotEntry(closing, true);
      if (ASource.Done()) break;
      // A doubled closing quote stands for itself inside the piece.
      const std::u16string ahead = ASource.ReadFromBuffer(static_cast<int32_t>(closing.size()), false, true);
      if (closing.empty() || ahead != closing) break;
      ASource.Next(static_cast<int32_t>(ahead.size()));
      text += ahead;
    }
  }
  return MakeToken<parser::TQuotedStringToken>(AParentToken, std::move(text));
}

TToken* TDFMNumericReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  TToken* token = TNumericReader::DoReadToken(AParentToken, ASource);
  if (token == nullptr) return nullptr;
  std::u16string text = token->Text();
  // In a hexadecimal number E, C and D are digits, not an exponent or a suffix.
  if (text.find_first_of(u"xX") != std::u16string::npos) return token;

  const std::u16string& source = ASource.Text();
  size_t pos = static_cast<size_t>(ASource.Position());
  auto at = [&](size_t i) -> char16_t { return i < source.size() ? source[i] : u'\0'; };

  // An exponent counts only with at least one digit after the E (and its sign): 1E alone stays
  // the number 1 followed by the word E.
  if (at(pos) == u'E' || at(pos) == u'e') {
    size_t digits = pos + 1;
    if (at(digits) == u'+' || at(digits) == u'-') ++digits;
    if (IsDigit(at(digits))) {
      size_t end = digits;
      while (IsDigit(at(end))) ++end;
      text.append(source, pos, end - pos);
      pos = end;
    }
  }
  // A suffix counts only where the word ends, so 12days stays the number 12 and the word days.
  const char16_t suffix = at(pos);
  if ((suffix == u'd' || suffix == u'D' || suffix == u'c' || suffix == u'C' || suffix == u's' || suffix == u'S') &&
      (pos + 1 >= source.size() || parser::IsWhiteSpaceChar(at(pos + 1)) || parser::IsBreakChar(at(pos + 1)))) {
    text.push_back(suffix);
    ++pos;
  }
  if (pos != static_cast<size_t>(ASource.Position())) {
    ASource.SetPosition(static_cast<int32_t>(pos));
    token->SetText(std::move(text));
  }
  return token;
}

std::unique_ptr<parser::TTokenReader> TDFMTokenizer::CreateQuotedStringReader() {
  return std::make_unique<TPascalQuotedStringReader>(this);
}

std::unique_ptr<parser::TTokenReader> TDFMTokenizer::CreateNumberReader() {
  return std::make_unique<TDFMNumericReader>(this);
}

}  // namespace tess::formtext
