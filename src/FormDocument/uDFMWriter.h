// Prints a form document model as form text: the layout is regenerated, leaf values are kept.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "FormDocument/uDFMDocument.h"

namespace tess::doc {

// An indenting text accumulator. Line breaks are CR LF unless told otherwise; one level is two spaces.
class TFormattedWriter {
public:
  void SetLineBreak(common::TLineBreak ABreak) { FLineBreak = common::LineBreakText(ABreak); }
  std::u16string_view LineBreak() const { return FLineBreak; }
  // Empties the text and returns to level 0.
  void Clear();
  void Indent() { ++FIndent; }
  // No lower bound: a negative level indents by nothing.
  void Undent() { --FIndent; }
  // Appends the line break and the indentation of the current level.
  void NewLine();
  // Appends ALine; ADelim goes between the text so far and ALine when both are non-empty.
  void Write(std::u16string_view ALine, std::u16string_view ADelim = {});
  // The break comes before the text: NewLine, then Write.
  void WriteLn(std::u16string_view ALine, std::u16string_view ADelim = {});
  void RemoveLastChar();

  int32_t IndentLevel() const { return FIndent; }
  const std::u16string& Result() const { return FResult; }
  // Hands the text over without copying it; the writer is left empty.
  std::u16string TakeResult();

private:
  int32_t FIndent = 0;
  std::u16string FResult;
  std::u16string_view FLineBreak = u"\r\n";
};

// Walks a document and prints it as the IDE lays form text out.
class TDFMDefiner final : public TDVisitor {
public:
  TDFMDefiner();
  ~TDFMDefiner() override;

  // The complete form text of the tree rooted at AObject, ending with a line break after the last
  // "end". Lines break as the document's file did (CR LF for a document made from nothing), brace
  // blocks included, and its lists close as they did there.
  std::u16string GetDefinition(TDObject& AObject);

  void* VisitBase(TDBase& ANode, void* AData) override;
  void* VisitString(TDString& AValue, void* AData) override;
  void* VisitNumber(TDNumber& AValue, void* AData) override;
  void* VisitVar(TDVar& AValue, void* AData) override;
  void* VisitSet(TDSet& AValue, void* AData) override;
  void* VisitArray(TDArray& AValue, void* AData) override;
  void* VisitProp(TDProp& AProp, void* AData) override;
  void* VisitItem(TDItem& AItem, void* AData) override;
  void* VisitItems(TDItems& AItems, void* AData) override;
  void* VisitObject(TDObject& AObject, void* AData) override;

private:
  void DefineNode(TDBase* ANode);
  void DefineProps(const TDProps& AProps);
  void DefineObjects(const TDObjects& AObjects);

  std::unique_ptr<TFormattedWriter> FOut;
  bool FListsCloseAlone = false;
};

}  // namespace tess::doc
