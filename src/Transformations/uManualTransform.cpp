#include "Transformations/uManualTransform.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "FormText/uDFMHelper.h"
#include "Shared/Common/uDXMLDocument.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"

namespace tess::transform {

using common::TDXMLDocument;
using common::TDXMLNode;

TManualTransform::TManualTransform() = default;

TManualTransform::~TManualTransform() = default;

std::u16string TManualTransform::GetCaption() const { return FCaption; }

void TManualTransform::SetCaption(const std::u16string& AValue) { FCaption = AValue; }

std::unique_ptr<TTransform> TManualTransform::CreateNew() const { return std::make_unique<TManualTransform>(); }

void TManualTransform::Assign(const TTransform& ASource) {
  TTransform::Assign(ASource);
  const auto* source = dynamic_cast<const TManualTransform*>(&ASource);
  if (source == nullptr || source == this) return;
  FDescription = source->Description();
  FCaption = source->GetCaption();
  // The clones are made before the own actions go, so nothing is read after it is freed.
  std::vector<std::unique_ptr<TTransformAction>> copies;
  copies.reserve(source->FActions.size());
  for (const auto& action : source->FActions) copies.push_back(action->Clone());
  FActions = std::move(copies);
}

void TManualTransform::Save() {
  TDXMLDocument document;
  SaveToDocument(document);
  document.SaveToFile(FullName());
}

void TManualTransform::SaveToDocument(TDXMLDocument& ADocument) const {
  ADocument.Create(common::TDXMLFileEncoding::feUtf8, u"Transformation");
  TDXMLNode root = ADocument.DocumentElement();
  root.AddChild(u"Caption").SetText(FCaption);
  root.AddChild(u"Description").SetText(FDescription);
  TDXMLNode actions = root.AddChild(u"Actions");
  for (const auto& action : FActions) {
    // Named first, so an action the format cannot store leaves no empty element behind.
    const std::u16string name = ActionElementName(*action);
    action->Save(actions.AddChild(name));
  }
}

void TManualTransform::Load() {
  TDXMLDocument document;
  document.LoadFromFile(FullName());
  LoadFromDocument(document);
}

void TManualTransform::LoadFromDocument(const TDXMLDocument& ADocument) {
  const TDXMLNode root = ADocument.DocumentElement();
  FCaption = root.FindNode(u"Caption").Text().value_or(std::u16string());
  FDescription = root.FindNode(u"Description").Text().value_or(std::u16string());
  const TDXMLNode actions = root.FindNode(u"Actions");
  if (!actions) return;
  for (const TDXMLNode& node : actions.ChildNodes()) {
    // Text between the action elements has no name of its own in this document model; it is
    // refused under the name a reader of XML knows it by.
    std::unique_ptr<TTransformAction> action = CreateAction(node.IsElement() ? node.NodeName() : u"#text");
    action->Load(node);
    FActions.push_back(std::move(action));
  }
}

bool TManualTransform::Editable() const { return true; }

bool TManualTransform::Valid() const {
  return std::all_of(FActions.begin(), FActions.end(), [](const auto& action) { return action->Valid(); });
}

std::u16string TManualTransform::Description() const { return FDescription; }

void TManualTransform::Execute() {
  FStatus = TTransformStatus::tsNoChanges;
  RunReportingErrors([this] {
    formtext::TDFMHelper& helper = formtext::DFMHelper();
    std::unique_ptr<doc::TDObject> root = helper.LoadObject(FInFile);
    ApplyActions(*root);
    helper.SaveObject(*root, FOutFile);
  });
}

void TManualTransform::ApplyActions(doc::TDObject& ARoot) {
  const size_t count = FActions.size();
  for (size_t i = 0; i < count; ++i) {
    TTransformAction& action = *FActions[i];
    action.SetOnMessage(FOnMessage);
    action.Process(ARoot);
    if (action.Changed()) FStatus = TTransformStatus::tsApplied;
  }
}

TTransformAction* TManualTransform::AddAction(std::unique_ptr<TTransformAction> AAction) {
  TTransformAction* added = AAction.get();
  if (added != nullptr) FActions.push_back(std::move(AAction));
  return added;
}

void TManualTransform::RemoveAction(TTransformAction* AAction) {
  const int index = IndexOfAction(AAction);
  if (index >= 0) FActions.erase(FActions.begin() + index);
}

void TManualTransform::Move(int ACurIndex, int ANewIndex) {
  CheckIndex(ACurIndex);
  CheckIndex(ANewIndex);
  if (ACurIndex == ANewIndex) return;
  std::unique_ptr<TTransformAction> moved = std::move(FActions[static_cast<size_t>(ACurIndex)]);
  FActions.erase(FActions.begin() + ACurIndex);
  FActions.insert(FActions.begin() + ANewIndex, std::move(moved));
}

TTransformAction* TManualTransform::Actions(int AIndex) const {
  CheckIndex(AIndex);
  return FActions[static_cast<size_t>(AIndex)].get();
}

void TManualTransform::SetActions(int AIndex, std::unique_ptr<TTransformAction> AAction) {
  CheckIndex(AIndex);
  if (!AAction) return;
  FActions[static_cast<size_t>(AIndex)] = std::move(AAction);
}

int TManualTransform::IndexOfAction(const TTransformAction* AAction) const {
  for (size_t i = 0; i < FActions.size(); ++i)
    if (FActions[i].get() == AAction) return static_cast<int>(i);
  return -1;
}

void TManualTransform::CheckIndex(int AIndex) const {
  if (AIndex < 0 || AIndex >= ActionCount())
    throw ETransformError(common::Format(u"List index out of bounds (%d)", {AIndex}));
}

}  // namespace tess::transform
