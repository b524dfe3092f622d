// The one way in and out of form text: load a form file into a document, check or parse a value
// typed by the user, and save a document back.
#pragma once

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>

#include "FormDocument/uDFMDocument.h"
#include "FormDocument/uDFMWriter.h"
#include "FormText/uDFMGrammar.h"
#include "FormText/uDFMGrammarModel.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uFilePath.h"
#include "Shared/Parser/uParser.h"

namespace tess::formtext {

// A document cannot be written in its file's encoding without losing characters, or a file that
// claims to be UTF-8 is not.
class EEncodingError : public common::Exception {
public:
  using Exception::Exception;
};

// A document holds something form text cannot express, such as a property without a value.
class EDocumentError : public common::Exception {
public:
  using Exception::Exception;
};

// A form text is larger than the helper loads (TDFMHelper::MaxTextBytes).
class ETooLargeError : public common::Exception {
public:
  using Exception::Exception;
};

// What a form text may weigh by default: a parse holds about 25 bytes per input byte at its peak,
// so this keeps the largest load to a few gigabytes, and positions well inside 32 bits.
constexpr uint64_t kDefaultMaxTextBytes = uint64_t{512} << 20;

// The kinds of name a transformation writes into a form.
enum class TDFMNameKind { nkProperty, nkObject, nkClass };

// Owns one parser, both form-text grammars, one model builder and one writer, configured once and
// reused. Not thread-safe: one caller at a time.
class TDFMHelper {
public:
  TDFMHelper();
  ~TDFMHelper();
  TDFMHelper(const TDFMHelper&) = delete;
  TDFMHelper& operator=(const TDFMHelper&) = delete;

  // The form in the file. A file that starts with the UTF-8 byte-order mark is read as UTF-8,
  // any other as Windows-1252; the document remembers which. Raises parser::EGrammarError
  // "Grammar failed" for text that is not a form, EFileError when the file cannot be read,
  // EEncodingError for a marked file that is not UTF-8, ENestingError for objects, lists and
  // collections nested more than kMaxNestingDepth deep, ETooLargeError (before reading anything)
  // for a file larger than MaxTextBytes.
  std::unique_ptr<doc::TDObject> LoadObject(const common::TFilePath& AFileName);
  // LoadObject on bytes already in memory.
  std::unique_ptr<doc::TDObject> LoadObjectFromBytes(std::string_view ABytes);
  // The form in a text; the document is marked as Windows-1252.
  std::unique_ptr<doc::TDObject> LoadObjectFromText(std::u16string AText);

  // The value ADef denotes, or null when it is not exactly one valid value. Never raises.
  std::unique_ptr<doc::TDValue> LoadValue(std::u16string_view ADef) noexcept;
  // Whether ADef is exactly one valid value, the one LoadValue gives. Never raises.
  bool IsValidValue(std::u16string_view ADef) noexcept;
  // Whether AName reads back unchanged as that kind of name: a property name is identifiers
  // joined by dots, an object or class name one identifier. An empty name is not one. Never raises.
  bool IsValidName(std::u16string_view AName, TDFMNameKind AKind) noexcept;

  // Writes AObject as form text into the file, replacing it only once the new content is
  // complete. Raises, leaving the file as it was, EDocumentError when a property has no value
  // (the text would not read back), EEncodingError when a character cannot be written in the
  // document's encoding, EFileError when the file cannot be written.
  void SaveObject(doc::TDObject& AObject, const common::TFilePath& AFileName);
  // The bytes SaveObject writes.
  std::string SaveObjectToBytes(doc::TDObject& AObject);

  parser::TGrammarParser& Parser() { return *FParser; }

  // The largest form text the Load operations take, in bytes of the file (characters of a text);
  // a larger one is refused with ETooLargeError before it is parsed.
  uint64_t MaxTextBytes() const { return FMaxTextBytes; }
  void SetMaxTextBytes(uint64_t AValue) { FMaxTextBytes = AValue; }
  // Raises ETooLargeError, naming both sizes, when a text of ABytes is more than MaxTextBytes. For
  // callers that know a file's size before they read it.
  void CheckTextSize(uint64_t ABytes) const;

private:
  std::unique_ptr<parser::TGrammarParser> FParser;
  std::unique_ptr<TDFMGrammar> FGrammar;
  std::unique_ptr<TDFMValueGrammar> FValueGrammar;
  std::unique_ptr<TDFMModelMaker> FModel;
  std::unique_ptr<doc::TDFMDefiner> FDef;
  uint64_t FMaxTextBytes = kDefaultMaxTextBytes;
};

// The shared instance, made on first use and freed when the program ends.
TDFMHelper& DFMHelper();

// Rewrites each character Windows-1252 lacks inside a quoted piece of a string line as a #nnnn
// code, closing and reopening the quotes around it: 'aЖb' becomes 'a'#1046'b'. Characters
// outside quoted pieces are left alone. True when anything changed.
bool EscapeForCodePage(std::u16string& ALine);

// The longest token or quoted piece an error message shows whole.
constexpr size_t kMaxQuotedLength = 80;

// Control characters (U+0000 to U+001F, U+007F to U+009F) written as \xHH, so that text taken
// from a damaged file keeps to one line of a log.
std::u16string EscapeControls(std::u16string_view AText);
// A token as an error quotes it: escaped, and cut to kMaxQuotedLength characters with "..." after.
std::u16string QuotedToken(std::u16string_view AText);
// An error's message as a log shows it: a grammar failure with the line and column it stopped at
// and the token found there; every quoted piece longer than kMaxQuotedLength cut; escaped.
std::u16string DescribeError(const std::exception& AError);

}  // namespace tess::formtext
