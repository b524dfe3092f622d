// Loading, checking and saving form text through one reused parser, builder and writer.
#include "FormText/uDFMHelper.h"

#include "FormText/uDFMParserFactory.h"
#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"

namespace tess::formtext {

using namespace tess::doc;

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::u16string HexOf(uint32_t AValue) {
  static const char16_t digits[] = u"0123456789ABCDEF";
  std::u16string result;
  do {
    result.insert(result.begin(), digits[AValue & 0xF]);
    AValue >>= 4;
  } while (AValue != 0);
  while (result.size() < 4) result.insert(result.begin(), u'0');
  return result;
}

void EscapeStrings(TDValue* AValue);

void EscapeItem(TDItem& AItem) {
  for (int i = 0; i < AItem.Props().Count(); ++i) EscapeStrings(AItem.Props().Items(i)->Value());
  for (int i = 0; i < AItem.Objects().Count(); ++i) EscapeItem(*AItem.Objects().Items(i));
}

void EscapeStrings(TDValue* AValue) {
  if (auto* text = dynamic_cast<TDString*>(AValue)) {
    for (auto& line : text->Lines()) EscapeForCodePage(line);
  } else if (auto* list = dynamic_cast<TDArray*>(AValue)) {
    for (int i = 0; i < list->Count(); ++i) EscapeStrings(list->Items(i));
  } else if (auto* items = dynamic_cast<TDItems*>(AValue)) {
    for (int i = 0; i < items->Count(); ++i) EscapeItem(*items->Items(i));
  }
}

void CheckValues(const TDItem& AItem);

void CheckValue(const TDValue* AValue) {
  if (const auto* list = dynamic_cast<const TDArray*>(AValue)) {
    for (int i = 0; i < list->Count(); ++i) CheckValue(list->Items(i));
  } else if (const auto* items = dynamic_cast<const TDItems*>(AValue)) {
    for (int i = 0; i < items->Count(); ++i) CheckValues(*items->Items(i));
  }
}

// "Name = " with nothing after it would make the saved file unreadable.
void CheckValues(const TDItem& AItem) {
  for (int i = 0; i < AItem.Props().Count(); ++i) {
    const TDProp* prop = AItem.Props().Items(i);
    if (prop->Value() == nullptr)
      throw EDocumentError(common::Format(u"The property %s of %s has no value, so the form cannot be saved",
                                          {prop->Name(), AItem.Name()}));
    CheckValue(prop->Value());
  }
  for (int i = 0; i < AItem.Objects().Count(); ++i) CheckValues(*AItem.Objects().Items(i));
}

// The first character the code page lacks, as the message that names it and where it stands.
[[noreturn]] void RaiseUnwritable(const std::u16string& AText, size_t AAt) {
  int32_t line = 0, column = 0;
  parser::LineAndColumnOf(AText, static_cast<int32_t>(AAt), line, column);
  uint32_t code = AText[AAt];
  std::u16string shown(1, AText[AAt]);
  if (code >= 0xD800 && code <= 0xDBFF && AAt + 1 < AText.size()) {
    const uint32_t low = AText[AAt + 1];
    if (low >= 0xDC00 && low <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      shown.push_back(AText[AAt + 1]);
    }
  }
  throw EEncodingError(
      common::Format(u"The character %s (U+%s) in line %d, column %d has no Windows-1252 code and stands outside a "
                     u"quoted string, so the file cannot be saved without losing it",
                     {shown, HexOf(code), line, column}));
}

}  // namespace

bool EscapeForCodePage(std::u16string& ALine) {
  if (common::IsCp1252Representable(ALine)) return false;
  std::u16string result;
  result.reserve(ALine.size() + 16);
  const size_t n = ALine.size();
  size_t i = 0;
  while (i < n) {
    const char16_t c = ALine[i];
    if (c == u'{') {
      // A brace block holds hexadecimal digits only; an apostrophe in it opens nothing.
      const size_t close = ALine.find(u'}', i + 1);
      const size_t end = close == std::u16string::npos ? n : close + 1;
      result.append(ALine, i, end - i);
      i = end;
      continue;
    }
    if (c != u'\'') {
      result.push_back(c);
      ++i;
      continue;
    }
    // A quoted piece: its content runs to the apostrophe that is not doubled.
    size_t j = i + 1;
    while (j < n) {
      if (ALine[j] == u'\'') {
        if (j + 1 < n && ALine[j + 1] == u'\'') {
          j += 2;
          continue;
        }
        break;
      }
      ++j;
    }
    if (j >= n) {
      // An unterminated piece cannot come from a parsed file: keep it as it stands.
      result.append(ALine, i, n - i);
      break;
    }
    // Cutting at characters that are not apostrophes never splits a doubled apostrophe, so each
    // part reads back as the same characters.
    size_t partStart = i + 1;
    bool wrote = false;
    auto flushPart = [&](size_t AEnd) {
      if (AEnd > partStart) {
        result.push_back(u'\'');
        result.append(ALine, partStart, AEnd - partStart);
        result.push_back(u'\'');
        wrote = true;
      }
    };
    for (size_t k = i + 1; k < j; ++k) {
      if (common::Cp1252ByteOf(ALine[k]) >= 0) continue;
      flushPart(k);
      result += u'#' + common::IntToStr(ALine[k]);
      wrote = true;
      partStart = k + 1;
    }
    flushPart(j);
    if (!wrote) result += u"''";
    i = j + 1;
  }
  const bool changed = result != ALine;
  ALine = std::move(result);
  return changed;
}

TDFMHelper::TDFMHelper() {
  InstallDFMParserFactory();
  FParser = std::make_unique<parser::TGrammarParser>();
  FGrammar = std::make_unique<TDFMGrammar>();
  FGrammar->ConfigureTokenizer(FParser->Tokenizer());
  FValueGrammar = std::make_unique<TDFMValueGrammar>();
  FValueGrammar->ConfigureTokenizer(FParser->Tokenizer());
  FModel = std::make_unique<TDFMModelMaker>();
  FDef = std::make_unique<TDFMDefiner>();
}

TDFMHelper::~TDFMHelper() {
  FModel.reset();
  FDef.reset();
  FValueGrammar.reset();
  FGrammar.reset();
  FParser.reset();
}

namespace {

// Mebibytes with one decimal, the same in every locale: 536870912 gives "512.0". Rounded up on
// request, so that a size just past a limit never reads as the limit itself.
std::u16string Mebibytes(uint64_t ABytes, bool ARoundUp) {
  const uint64_t unit = uint64_t{1} << 20;
  const uint64_t tenths = (ABytes * 10 + (ARoundUp ? unit - 1 : unit / 2)) / unit;
  return common::IntToStr(static_cast<int64_t>(tenths / 10)) + u"." +
         common::IntToStr(static_cast<int64_t>(tenths % 10));
}

}  // namespace

void TDFMHelper::CheckTextSize(uint64_t ABytes) const {
  if (ABytes <= FMaxTextBytes) return;
  throw ETooLargeError(common::Format(u"The form text is %s MiB, more than the %s MiB a form may have to be loaded",
                                      {Mebibytes(ABytes, true), Mebibytes(FMaxTextBytes, false)}));
}

std::unique_ptr<TDObject> TDFMHelper::LoadObject(const common::TFilePath& AFileName) {
  CheckTextSize(static_cast<uint64_t>(common::DDirectory::FileSize(AFileName)));
  return LoadObjectFromBytes(common::DDirectory::ReadBytes(AFileName));
}

std::unique_ptr<TDObject> TDFMHelper::LoadObjectFromBytes(std::string_view ABytes) {
  CheckTextSize(ABytes.size());
  if (ABytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    const std::string_view body = ABytes.substr(kUtf8Bom.size());
    std::u16string text = common::Utf8ToUtf16(body);
    // Saving writes the decoded text back; a replacement character standing for broken bytes
    // would silently change the file.
    if (common::Utf16ToUtf8(text) != body)
      throw EEncodingError(u"The file starts with a UTF-8 byte-order mark but its bytes are not valid UTF-8");
    auto object = LoadObjectFromText(std::move(text));
    object->SetEncoding(TDTextEncoding::teUtf8Bom);
    return object;
  }
  return LoadObjectFromText(common::Cp1252ToUtf16(ABytes));
}

std::unique_ptr<TDObject> TDFMHelper::LoadObjectFromText(std::u16string AText) {
  CheckTextSize(AText.size());
  FGrammar->Reset();
  const common::TLineBreak lineBreak = common::FirstLineBreakOf(std::u16string_view(AText));
  int32_t maxPosition = 0;
  FParser->Parse(*FGrammar, std::move(AText), maxPosition);
  // The model is built from the matched tree alone: the memo goes first, so that its memory is
  // back before the model takes more.
  FGrammar->RootToken()->ClearMemos();
  auto object = FModel->Make(*FGrammar, FParser->Tokenizer().Source().Text());
  object->SetLineBreak(lineBreak);
  // The tree and tokens are not needed once the model holds its own copies; freeing them now
  // keeps a large file's parse from living until the next call.
  FGrammar->Reset();
  return object;
}

std::unique_ptr<TDValue> TDFMHelper::LoadValue(std::u16string_view ADef) noexcept {
  try {
    FValueGrammar->Reset();
    int32_t maxPosition = 0;
    FParser->Parse(*FValueGrammar, std::u16string(ADef), maxPosition);
    auto value = FModel->MakeValue(FValueGrammar->Child(0));
    FValueGrammar->Reset();
    return value;
  } catch (...) {
    return nullptr;
  }
}

bool TDFMHelper::IsValidName(std::u16string_view AName, TDFMNameKind AKind) noexcept {
  if (AName.empty()) return false;
  // The grammar takes a dotted chain wherever a name stands; objects and classes have one part.
  if (AKind != TDFMNameKind::nkProperty && AName.find(u'.') != std::u16string_view::npos) return false;
  // The name is read back in the place it is written to, so what passes here is what a saved
  // form holds and reads again; comparing what was read catches a name that reads as more.
  const std::u16string name(AName);
  try {
    switch (AKind) {
      case TDFMNameKind::nkProperty: {
        const auto object = LoadObjectFromText(u"object A: TA\r\n  " + name + u" = 0\r\nend\r\n");
        return object->Props().Count() == 1 && object->Props().Items(0)->Name() == name &&
               object->Objects().Count() == 0;
      }
      case TDFMNameKind::nkObject: {
        const auto object = LoadObjectFromText(u"object " + name + u": TA\r\nend\r\n");
        return object->Name() == name && object->Ancestor() == u"TA" && object->Props().Count() == 0 &&
               object->Objects().Count() == 0;
      }
      case TDFMNameKind::nkClass: {
        const auto object = LoadObjectFromText(u"object A: " + name + u"\r\nend\r\n");
        return object->Name() == u"A" && object->Ancestor() == name && object->Props().Count() == 0 &&
               object->Objects().Count() == 0;
      }
    }
  } catch (...) {}
  return false;
}

bool TDFMHelper::IsValidValue(std::u16string_view ADef) noexcept {
  // Through the model too: a value that matches the grammar but nests too deep has no model,
  // and the editor must not accept a value it then cannot set.
  return LoadValue(ADef) != nullptr;
}

std::string TDFMHelper::SaveObjectToBytes(TDObject& AObject) {
  CheckValues(AObject);
  std::u16string text = FDef->GetDefinition(AObject);
  if (AObject.Encoding() == TDTextEncoding::teUtf8Bom) {
    std::string bytes(kUtf8Bom);
    bytes += common::Utf16ToUtf8(text);
    return bytes;
  }
  if (!common::IsCp1252Representable(text)) {
    // Rare: only documents a transformation gave characters the code page lacks. The caller's
    // document stays as it is; a copy takes the #nnnn codes.
    auto copy = CloneOf(AObject);
    EscapeItem(*copy);
    text = FDef->GetDefinition(*copy);
    for (size_t i = 0; i < text.size(); ++i)
      if (common::Cp1252ByteOf(text[i]) < 0) RaiseUnwritable(text, i);
  }
  return common::Utf16ToCp1252(text);
}

void TDFMHelper::SaveObject(TDObject& AObject, const common::TFilePath& AFileName) {
  common::DDirectory::WriteBytes(AFileName, SaveObjectToBytes(AObject));
}

std::u16string EscapeControls(std::u16string_view AText) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string result;
  result.reserve(AText.size());
  for (const char16_t c : AText) {
    if (c >= 0x20 && (c < 0x7F || c > 0x9F)) {
      result.push_back(c);
      continue;
    }
    result += u"\\x";
    result.push_back(kDigits[(c >> 4) & 0xF]);
    result.push_back(kDigits[c & 0xF]);
  }
  return result;
}

std::u16string QuotedToken(std::u16string_view AText) {
  if (AText.size() <= kMaxQuotedLength) return EscapeControls(AText);
  return EscapeControls(AText.substr(0, kMaxQuotedLength)) + u"...";
}

namespace {

// A message can name a whole string or number read from a damaged file between apostrophes.
std::u16string CutQuotedPieces(const std::u16string& AMessage) {
  std::u16string result;
  size_t at = 0;
  while (at < AMessage.size()) {
    const size_t open = AMessage.find(u'\'', at);
    const size_t close = open == std::u16string::npos ? open : AMessage.find(u'\'', open + 1);
    if (close == std::u16string::npos) {
      result.append(AMessage, at);
      break;
    }
    result.append(AMessage, at, open + 1 - at);
    const std::u16string_view piece = std::u16string_view(AMessage).substr(open + 1, close - open - 1);
    result += piece.size() > kMaxQuotedLength ? std::u16string(piece.substr(0, kMaxQuotedLength)) + u"..."
                                              : std::u16string(piece);
    result.push_back(u'\'');
    at = close + 1;
  }
  return result;
}

}  // namespace

std::u16string DescribeError(const std::exception& AError) {
  const auto* error = dynamic_cast<const common::Exception*>(&AError);
  std::u16string message = error != nullptr ? error->Message() : common::Utf8ToUtf16(AError.what());
  if (const auto* grammar = dynamic_cast<const parser::EGrammarError*>(&AError)) {
    message += common::Format(u" on line %d, column %d", {grammar->Line(), grammar->Column()});
    if (!grammar->TokenText().empty()) message += u" near '" + QuotedToken(grammar->TokenText()) + u"'";
    return EscapeControls(message);
  }
  return EscapeControls(CutQuotedPieces(message));
}

TDFMHelper& DFMHelper() {
  static TDFMHelper instance;
  return instance;
}

}  // namespace tess::formtext
