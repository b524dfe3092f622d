// The language of form text as productions of the grammar engine: a whole form file, or one
// property value, with accessors that read what each production matched.
#pragma once

#include <any>
#include <cstdint>
#include <memory>
#include <string>

#include "Shared/Common/uDString.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uNesting.h"
#include "Shared/Parser/uSymbol.h"

namespace tess::formtext {

using common::TStringList;
using parser::TProduction;
using parser::TSymbol;
using parser::TSymbols;
using parser::TSymbolVisitor;

class TDFMObject;
class TDFMProperties;
class TDFMProperty;
class TDFMPropertyRow;
class TDFMNumber;
class TDFMString;
class TDFMIdentifier;
class TDFMSquareSet;
class TDFMRoundSet;
class TDFMItemSet;

// An index in square brackets that is not a whole number (object A: TA [1.5]).
class EConvertError : public common::Exception {
public:
  using Exception::Exception;
};

// A text nests objects, lists and collections deeper than common::kMaxNestingDepth.
class ENestingError : public common::Exception {
public:
  using Exception::Exception;
};

// The visit operations of the productions that stand for document-model things. Each returns an
// empty result unless overridden.
class TDFMVisitor : public TSymbolVisitor {
public:
  using TSymbolVisitor::VisitSymbol;

  virtual std::any VisitObject(TDFMObject* AObject, std::any AData);
  virtual std::any VisitProperties(TDFMProperties* AProps, std::any AData);
  virtual std::any VisitProperty(TDFMProperty* AProp, std::any AData);
  virtual std::any VisitPropertyRow(TDFMPropertyRow* AProp, std::any AData);
  virtual std::any VisitNumber(TDFMNumber* AProp, std::any AData);
  virtual std::any VisitString(TDFMString* AProp, std::any AData);
  virtual std::any VisitIdentifier(TDFMIdentifier* AProp, std::any AData);
  virtual std::any VisitSquareSet(TDFMSquareSet* AProp, std::any AData);
  virtual std::any VisitRoundSet(TDFMRoundSet* AProp, std::any AData);
  virtual std::any VisitItemSet(TDFMItemSet* AProp, std::any AData);
};

// Walks a right-recursive list production: each link's first matched child is an element and its
// second, when present, is the next link. A link made of the choice TDFMRoundList is stepped
// through to the alternative it matched.
class TDFMChainEnumerator {
public:
  explicit TDFMChainEnumerator(TProduction* AProduction) : FInitial(AProduction) {}

  bool MoveNext();
  // The element of the current link; null before the first MoveNext.
  TSymbol* GetCurrent() const;
  void Reset() { FCurrent = nullptr; }

private:
  TProduction* FInitial;
  TProduction* FCurrent = nullptr;
};

// Base of the list productions that the chain enumerator walks.
class TDFMChain : public TProduction {
  TESS_SYMBOL_CLASS(TDFMChain)
public:
  virtual std::unique_ptr<TDFMChainEnumerator> GetEnumerator();
};

// --- Whole file and single value ---------------------------------------------------------------

class TDFMGrammar : public parser::TGrammar {
  TESS_SYMBOL_CLASS(TDFMGrammar)
public:
  // Strings are quoted with apostrophes, binary data with braces; nothing else is quoted.
  void DoConfigureTokenizer(parser::TTokenizer& ATokenizer) override;
  // One more than the document's bound: at the deepest level a document may have, an attempt of
  // an object, list or collection still opens before its first token fails.
  int32_t MaxNestingDepth() const override { return common::kMaxNestingDepth + 1; }
  // Raises ENestingError.
  [[noreturn]] void RaiseNestingTooDeep() override;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMValueGrammar : public TDFMGrammar {
  TESS_SYMBOL_CLASS(TDFMValueGrammar)
protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

// --- Objects -----------------------------------------------------------------------------------

class TDFMObject : public TProduction {
  TESS_SYMBOL_CLASS(TDFMObject)
public:
  // The keyword constant in upper case: "OBJECT", "INHERITED" or "INLINE".
  std::u16string Kind() const;
  std::u16string ObjectName() const;
  // The class after the colon; empty when the header has none.
  std::u16string Ancestor() const;
  // The index in square brackets, -1 when there is none. Raises EConvertError for one that is
  // not a whole number.
  int32_t Count() const;
  TDFMProperties* Props() const;

  std::any Accept(TSymbolVisitor& AVisitor, std::any AData) override;
  using TProduction::Accept;
  bool IsNestingLevel() const override { return true; }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMObjectKind : public TProduction {
  TESS_SYMBOL_CLASS(TDFMObjectKind)
public:
  std::u16string Text() const;
  const parser::TStrategyClass& GetStrategyClass() const override;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMIdentifier : public TProduction {
  TESS_SYMBOL_CLASS(TDFMIdentifier)
public:
  // The word, or the dotted chain as one text (Font.Name).
  std::u16string Text() const;
  const parser::TStrategyClass& GetStrategyClass() const override;
  std::any Accept(TSymbolVisitor& AVisitor, std::any AData) override;
  using TProduction::Accept;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMIdentifierChain : public TProduction {
  TESS_SYMBOL_CLASS(TDFMIdentifierChain)
public:
  std::u16string Text() const;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMInheritance : public TProduction {
  TESS_SYMBOL_CLASS(TDFMInheritance)
public:
  std::u16string Ancestor() const;
  int32_t Count() const;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMIndex : public TProduction {
  TESS_SYMBOL_CLASS(TDFMIndex)
public:
  // Raises EConvertError when the number, with its minus sign if any, is not a whole number that
  // fits 32 bits.
  int32_t Count() const;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMProperties : public TProduction {
  TESS_SYMBOL_CLASS(TDFMProperties)
public:
  TDFMProperty* Prop() const;
  // The rest of the list, or null at its end.
  TDFMProperties* GetNext() const;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMProperty : public TProduction {
  TESS_SYMBOL_CLASS(TDFMProperty)
public:
  bool IsObject() const;
  const parser::TStrategyClass& GetStrategyClass() const override;
  std::any Accept(TSymbolVisitor& AVisitor, std::any AData) override;
  using TProduction::Accept;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMPropertyRow : public TProduction {
  TESS_SYMBOL_CLASS(TDFMPropertyRow)
public:
  std::u16string PropName() const;
  TSymbol* PropValue() const;
  std::any Accept(TSymbolVisitor& AVisitor, std::any AData) override;
  using TProduction::Accept;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

// --- Values ------------------------------------------------------------------------------------

class TDFMValue : public TProduction {
  TESS_SYMBOL_CLASS(TDFMValue)
public:
  const parser::TStrategyClass& GetStrategyClass() const override;
  std::any Accept(TSymbolVisitor& AVisitor, std::any AData) override;
  using TProduction::Accept;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMPrimitive : public TProduction {
  TESS_SYMBOL_CLASS(TDFMPrimitive)
public:
  const parser::TStrategyClass& GetStrategyClass() const override;
  std::any Accept(TSymbolVisitor& AVisitor, std::any AData) override;
  using TProduction::Accept;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMNumber : public TProduction {
  TESS_SYMBOL_CLASS(TDFMNumber)
public:
  // The number as written, with "-" in front when the minus sign was there.
  std::u16string Value() const;
  std::any Accept(TSymbolVisitor& AVisitor, std::any AData) override;
  using TProduction::Accept;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMString : public TProduction {
  TESS_SYMBOL_CLASS(TDFMString)
public:
  // The pieces and plus signs run together.
  std::u16string Value() const;
  // Appends each piece exactly as written, in order.
  void AddValues(TStringList& AValues) const;
  const parser::TStrategyClass& GetStrategyClass() const override;
  std::any Accept(TSymbolVisitor& AVisitor, std::any AData) override;
  using TProduction::Accept;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMSquareSet : public TProduction {
  TESS_SYMBOL_CLASS(TDFMSquareSet)
public:
  // Replaces ANames by the member identifiers, in order.
  void FillNames(TStringList& ANames) const;
  std::any Accept(TSymbolVisitor& AVisitor, std::any AData) override;
  using TProduction::Accept;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMIdentifierList : public TProduction {
  TESS_SYMBOL_CLASS(TDFMIdentifierList)
public:
  void AddNames(TStringList& ANames) const;
  const parser::TStrategyClass& GetStrategyClass() const override;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMItemSet : public TProduction {
  TESS_SYMBOL_CLASS(TDFMItemSet)
public:
  // Over the TDFMItems; null for an empty collection.
  std::unique_ptr<TDFMChainEnumerator> GetEnumerator() const;
  std::any Accept(TSymbolVisitor& AVisitor, std::any AData) override;
  using TProduction::Accept;
  bool IsNestingLevel() const override { return true; }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMItemList : public TProduction {
  TESS_SYMBOL_CLASS(TDFMItemList)
protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

class TDFMItem : public TProduction {
  TESS_SYMBOL_CLASS(TDFMItem)
public:
  std::u16string ObjectName() const;
  // The index in square brackets after the item keyword (item [3]), or -1.
  int32_t Count() const;
  TDFMProperties* Props() const;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

// A list: parentheses around primitives and lists in any order, possibly none. Components that
// stream their own data mix the two ( 'Default' True () 'WordStar' False () ).
class TDFMRoundSet : public TDFMChain {
  TESS_SYMBOL_CLASS(TDFMRoundSet)
public:
  // Over the elements (TDFMPrimitives and TDFMRoundSets); null for an empty list.
  std::unique_ptr<TDFMChainEnumerator> GetEnumerator() override;
  std::any Accept(TSymbolVisitor& AVisitor, std::any AData) override;
  using TProduction::Accept;
  bool IsNestingLevel() const override { return true; }

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

// The elements of a list: a link headed by a primitive or by a nested list.
class TDFMRoundList : public TDFMChain {
  TESS_SYMBOL_CLASS(TDFMRoundList)
public:
  std::unique_ptr<TDFMChainEnumerator> GetEnumerator() override;
  const parser::TStrategyClass& GetStrategyClass() const override;

protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

// A primitive followed by the rest of the list, whatever its elements.
class TDFMPrimitiveList : public TDFMChain {
  TESS_SYMBOL_CLASS(TDFMPrimitiveList)
protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

// A nested list followed by the rest of the list, whatever its elements.
class TDFMRoundListSet : public TDFMChain {
  TESS_SYMBOL_CLASS(TDFMRoundListSet)
protected:
  void AddPossibleSymbols(TSymbols& ASymbols) override;
};

}  // namespace tess::formtext
