// Builds the document model from the parse tree the form-text grammars leave behind.
#pragma once

#include <any>
#include <memory>
#include <optional>
#include <string_view>

#include "FormDocument/uDFMDocument.h"
#include "FormText/uDFMGrammar.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uNesting.h"

namespace tess::formtext {

// The walk below, the printer and the document's destructor recurse once per level: deeper texts
// are refused (ENestingError), by the grammar while it matches or here.
using common::kMaxNestingDepth;

// Each visit returns a new model object, carried in the std::any as a doc::TDBase* that the
// caller takes over at once. The model copies every text out of the tree, so it stays valid after
// the grammar is reset.
class TDFMModelMaker : public TDFMVisitor {
public:
  // The form matched by AGrammar. Raises when the tree yields anything but an object, and
  // ENestingError when it nests too deep. ASource, the text that was parsed, tells how the file's
  // lists close (ListsCloseAlone); without it they close as the IDE writes them.
  std::unique_ptr<doc::TDObject> Make(parser::TGrammar& AGrammar, std::u16string_view ASource = {});
  // The value matched by a value production (TDFMValue or one of its alternatives).
  std::unique_ptr<doc::TDValue> MakeValue(TSymbol* AValue);

  std::any VisitObject(TDFMObject* AObject, std::any AData) override;
  std::any VisitPropertyRow(TDFMPropertyRow* AProp, std::any AData) override;
  std::any VisitNumber(TDFMNumber* AProp, std::any AData) override;
  std::any VisitString(TDFMString* AProp, std::any AData) override;
  std::any VisitIdentifier(TDFMIdentifier* AProp, std::any AData) override;
  std::any VisitSquareSet(TDFMSquareSet* AProp, std::any AData) override;
  std::any VisitRoundSet(TDFMRoundSet* AProp, std::any AData) override;
  std::any VisitItemSet(TDFMItemSet* AProp, std::any AData) override;

private:
  std::unique_ptr<doc::TDProp> MakeProp(TDFMPropertyRow* ARow);
  std::unique_ptr<doc::TDItem> MakeItem(TSymbol* AItem);
  void AddProperties(doc::TDItem& AItem, TDFMProperties* AProps);
  void AddProperty(TDFMProperty* AProperty, doc::TDItem& AItem);

  // Counts one level of nesting for as long as it lives; raises beyond the bound.
  class TLevel {
  public:
    explicit TLevel(int& ADepth);
    ~TLevel() { --FDepth; }
    TLevel(const TLevel&) = delete;
    TLevel& operator=(const TLevel&) = delete;

  private:
    int& FDepth;
  };

  void NoteListClose(TDFMRoundSet& AList);

  int FDepth = 0;
  std::u16string_view FSource;
  // Decided by the first list that has elements; unset until one is met.
  std::optional<bool> FListsCloseAlone;
};

}  // namespace tess::formtext
