// The form text layout: one property a line, two spaces a level, pieces of long strings below.
#include "FormDocument/uDFMWriter.h"

#include "Shared/Common/uFormat.h"

namespace tess::doc {

void TFormattedWriter::Clear() {
  FResult.clear();
  FIndent = 0;
}

void TFormattedWriter::NewLine() {
  FResult += FLineBreak;
  if (FIndent > 0) FResult.append(static_cast<size_t>(FIndent) * 2, u' ');
}

void TFormattedWriter::Write(std::u16string_view ALine, std::u16string_view ADelim) {
  if (ALine.empty()) return;
  if (!FResult.empty()) FResult += ADelim;
  FResult += ALine;
}

void TFormattedWriter::WriteLn(std::u16string_view ALine, std::u16string_view ADelim) {
  NewLine();
  Write(ALine, ADelim);
}

void TFormattedWriter::RemoveLastChar() {
  if (!FResult.empty()) FResult.pop_back();
}

std::u16string TFormattedWriter::TakeResult() {
  std::u16string result = std::move(FResult);
  Clear();
  return result;
}

TDFMDefiner::TDFMDefiner() : FOut(std::make_unique<TFormattedWriter>()) {}

TDFMDefiner::~TDFMDefiner() = default;

std::u16string TDFMDefiner::GetDefinition(TDObject& AObject) {
  FOut->Clear();
  FOut->SetLineBreak(AObject.LineBreak());
  FListsCloseAlone = AObject.ListsCloseAlone();
  DefineNode(&AObject);
  FOut->Write(FOut->LineBreak());
  return FOut->TakeResult();
}

void TDFMDefiner::DefineNode(TDBase* ANode) {
  if (ANode) ANode->Accept(*this, nullptr);
}

void TDFMDefiner::DefineProps(const TDProps& AProps) {
  FOut->Indent();
  for (int i = 0; i < AProps.Count(); ++i) DefineNode(AProps.Items(i));
  FOut->Undent();
}

void TDFMDefiner::DefineObjects(const TDObjects& AObjects) {
  FOut->Indent();
  for (int i = 0; i < AObjects.Count(); ++i) {
    FOut->NewLine();
    DefineNode(AObjects.Items(i));
  }
  FOut->Undent();
}

void* TDFMDefiner::VisitBase(TDBase&, void*) { return nullptr; }

void* TDFMDefiner::VisitObject(TDObject& AObject, void*) {
  const std::u16string kind = ObjectKindToStr(AObject.Kind());
  // A header without a class (object TLabel) has no colon either: "object TLabel:" would not
  // read back, and a transformation must never make a readable file unreadable.
  if (AObject.Ancestor().empty())
    FOut->Write(common::Format(u"%s %s", {kind, AObject.Name()}));
  else
    FOut->Write(common::Format(u"%s %s: %s", {kind, AObject.Name(), AObject.Ancestor()}));
  if (AObject.Index() != -1) FOut->Write(common::Format(u" [%d]", {AObject.Index()}));
  DefineProps(AObject.Props());
  DefineObjects(AObject.Objects());
  FOut->WriteLn(u"end");
  return nullptr;
}

void* TDFMDefiner::VisitProp(TDProp& AProp, void*) {
  FOut->WriteLn(AProp.Name());
  FOut->Write(u" = ");
  DefineNode(AProp.Value());
  return nullptr;
}

void* TDFMDefiner::VisitNumber(TDNumber& AValue, void*) {
  FOut->Write(AValue.Num());
  return nullptr;
}

void* TDFMDefiner::VisitVar(TDVar& AValue, void*) {
  FOut->Write(AValue.Name());
  return nullptr;
}

void* TDFMDefiner::VisitSet(TDSet& AValue, void*) {
  std::u16string names;
  for (const auto& name : AValue.Items()) {
    if (name.empty()) continue;
    if (!names.empty()) names += u", ";
    names += name;
  }
  FOut->Write(u"[" + names + u"]");
  return nullptr;
}

namespace {

// A brace block keeps the line breaks of the text it was read from; the document's own break may
// be another (a block pasted in, a document printed for another file), and a file must not end up
// with a mixture.
bool HasOtherBreak(std::u16string_view ALine, std::u16string_view ABreak) {
  for (size_t i = 0; i < ALine.size(); ++i) {
    if (ALine[i] != u'\r' && ALine[i] != u'\n') continue;
    const size_t length = ALine[i] == u'\r' && i + 1 < ALine.size() && ALine[i + 1] == u'\n' ? 2 : 1;
    if (ALine.substr(i, length) != ABreak) return true;
    i += length - 1;
  }
  return false;
}

std::u16string WithBreaks(std::u16string_view ALine, std::u16string_view ABreak) {
  std::u16string result;
  result.reserve(ALine.size() + ALine.size() / 32);
  for (size_t i = 0; i < ALine.size(); ++i) {
    const char16_t c = ALine[i];
    if (c == u'\r') {
      if (i + 1 < ALine.size() && ALine[i + 1] == u'\n') ++i;
      result += ABreak;
    } else if (c == u'\n') {
      result += ABreak;
    } else {
      result.push_back(c);
    }
  }
  return result;
}

}  // namespace

void* TDFMDefiner::VisitString(TDString& AValue, void*) {
  const auto& lines = AValue.Lines();
  if (lines.size() <= 1) {
    // No text reads back from "Name = " with nothing after it; a string without pieces is the
    // empty string.
    if (lines.empty()) {
      FOut->Write(u"''");
      return nullptr;
    }
    const std::u16string& line = lines.front();
    if (!line.empty() && line.front() == u'{' && HasOtherBreak(line, FOut->LineBreak()))
      FOut->Write(WithBreaks(line, FOut->LineBreak()));
    else
      FOut->Write(line);
    return nullptr;
  }
  FOut->Indent();
  for (size_t i = 0; i < lines.size(); ++i) {
    FOut->WriteLn(lines[i]);
    if (i + 1 < lines.size()) FOut->Write(u" +");
  }
  FOut->Undent();
  return nullptr;
}

void* TDFMDefiner::VisitArray(TDArray& AValue, void*) {
  FOut->Write(u"(");
  FOut->Indent();
  for (int i = 0; i < AValue.Count(); ++i) {
    FOut->NewLine();
    DefineNode(AValue.Items(i));
  }
  FOut->Undent();
  if (FListsCloseAlone && AValue.Count() > 0) FOut->NewLine();
  FOut->Write(u")");
  return nullptr;
}

void* TDFMDefiner::VisitItems(TDItems& AItems, void*) {
  FOut->Write(u"<");
  FOut->Indent();
  for (int i = 0; i < AItems.Count(); ++i) DefineNode(AItems.Items(i));
  FOut->Undent();
  FOut->Write(u">");
  return nullptr;
}

void* TDFMDefiner::VisitItem(TDItem& AItem, void*) {
  FOut->WriteLn(AItem.Name());
  if (AItem.Index() != -1) FOut->Write(common::Format(u" [%d]", {AItem.Index()}));
  DefineProps(AItem.Props());
  DefineObjects(AItem.Objects());
  FOut->WriteLn(u"end");
  return nullptr;
}

}  // namespace tess::doc
