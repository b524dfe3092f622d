// String runs, brace blocks and the IDE's number forms for the form-text tokenizer.
#include "FormText/uDFMTokenizer.h"

#include <algorithm>

#include "Shared/Parser/uTextCompare.h"

namespace tess::formtext {

using parser::TCompositeToken;
using parser::TSourceFeeder;
using parser::TToken;

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsWordChar(char16_t c) {
  return IsDigit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c >= 0x80;
}

// The length of NAN, INF, NANs, INFs, NANd or INFd at APos when the word ends there and is not
// the start of a dotted name (INF.Caption names a component), otherwise 0.
size_t NonFiniteWordAt(const std::u16string& AText, size_t APos) {
  const std::u16string_view rest = std::u16string_view(AText).substr(std::min(APos, AText.size()));
  if (!rest.starts_with(u"NAN") && !rest.starts_with(u"INF")) return 0;
  size_t length = 3;
  if (length < rest.size() && (rest[length] == u's' || rest[length] == u'd')) ++length;
  if (length < rest.size() && (IsWordChar(rest[length]) || rest[length] == u'.')) return 0;
  return length;
}

}  // namespace

bool TPascalQuotedStringReader::DoAccept(TCompositeToken&, TSourceFeeder& ASource) {
  if (ASource.Done()) return false;
  const char16_t c = ASource.ReadChar();
  return c == u'#' || Tokenizer()->IsAnyQuote(std::u16string_view(&c, 1));
}

TToken* TPascalQuotedStringReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  std::u16string text;
  bool unterminated = false;
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
    bool closed = false;
    while (!ASource.Done()) {
      const std::u16string piece = ASource.ReadWhileNotEntry(closing, true);
      text += piece;
      closed = !closing.empty() && std::u16string_view(piece).ends_with(closing);
      if (ASource.Done()) break;
      // A doubled closing quote stands for itself inside the piece.
      const std::u16string ahead = ASource.ReadFromBuffer(static_cast<int32_t>(closing.size()), false, true);
      if (closing.empty() || ahead != closing) break;
      ASource.Next(static_cast<int32_t>(ahead.size()));
      text += ahead;
      closed = false;  // the doubled quote belongs to the piece, which goes on
    }
    unterminated = unterminated || !closed;
  }
  // A piece that runs to the end of the text is no string: a plain text token matches no terminal,
  // so the grammar rejects it, and a value such as 'unclosed can never be saved into a form.
  if (unterminated) return MakeToken<parser::TCustomTextToken>(AParentToken, std::move(text));
  return MakeToken<parser::TQuotedStringToken>(AParentToken, std::move(text));
}

bool TDFMNumericReader::DoAccept(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  const auto start = static_cast<size_t>(ASource.Position());
  return TNumericReader::DoAccept(AParentToken, ASource) || NonFiniteWordAt(ASource.Text(), start) != 0;
}

TToken* TDFMNumericReader::DoReadToken(TCompositeToken& AParentToken, TSourceFeeder& ASource) {
  const auto start = static_cast<size_t>(ASource.Position());
  if (const size_t length = NonFiniteWordAt(ASource.Text(), start); length != 0) {
    ASource.SetPosition(static_cast<int32_t>(start + length));
    return MakeToken<parser::TNumericToken>(AParentToken, ASource.Text().substr(start, length));
  }
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
