#include "Transformations/uManualTransform.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "FormStream/uBinaryToText.h"
#include "FormStream/uFormFormat.h"
#include "FormStream/uStreams.h"
#include "FormStream/uTextToBinary.h"
#include "FormText/uDFMHelper.h"
#include "Shared/Common/uDXMLDocument.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"

namespace tess::transform {

using common::TDXMLDocument;
using common::TDXMLNode;

namespace {

constexpr std::u16string_view kRootName = u"Transformation";

[[noreturn]] void RefuseAction(size_t AIndex, std::u16string_view AElement, const std::u16string& AWhat) {
  throw ETransformError(
      common::Format(u"Action %d (%s): %s", {int64_t(AIndex + 1), formtext::EscapeControls(AElement), AWhat}));
}

std::u16string Describe(const TSettingProblem& AProblem, bool AForEditor) {
  return (AForEditor ? SettingLabel(AProblem.Setting) : AProblem.Setting) + u" " + AProblem.Reason;
}

// A misspelt element would read as an empty setting and select everything; so every element of
// an action must be one of its settings, and the settings must make an action that can run.
void CheckStoredAction(size_t AIndex, const TDXMLNode& ANode, const TTransformAction& AAction) {
  const std::u16string element = ANode.NodeName();
  const std::vector<std::u16string> settings = AAction.Settings();
  for (const TDXMLNode& child : ANode.ChildNodes()) {
    if (!child.IsElement()) RefuseAction(AIndex, element, u"text where only settings belong");
    if (std::find(settings.begin(), settings.end(), child.NodeName()) == settings.end())
      RefuseAction(AIndex, element, u"unknown setting " + formtext::EscapeControls(child.NodeName()));
  }
}

void CheckLoadedAction(size_t AIndex, const TDXMLNode& ANode, const TTransformAction& AAction) {
  if (const auto missing = AAction.MissingSetting()) {
    if (!ANode.FindNode(missing->Setting))
      RefuseAction(AIndex, ANode.NodeName(), u"missing setting " + missing->Setting);
    RefuseAction(AIndex, ANode.NodeName(), Describe(*missing, false));
  }
  if (const auto problem = AAction.Problem()) RefuseAction(AIndex, ANode.NodeName(), Describe(*problem, false));
}

}  // namespace

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
  if (root.NodeName() != kRootName)
    throw ETransformError(
        common::Format(u"The document element is %s, not Transformation: this is no transformation file",
                       {formtext::EscapeControls(root.NodeName())}));
  FCaption = root.FindNode(u"Caption").Text().value_or(std::u16string());
  FDescription = root.FindNode(u"Description").Text().value_or(std::u16string());
  const TDXMLNode actions = root.FindNode(u"Actions");
  if (!actions) return;
  for (const TDXMLNode& node : actions.ChildNodes()) {
    // Text between the action elements has no name of its own in this document model; it is
    // refused under the name a reader of XML knows it by.
    std::unique_ptr<TTransformAction> action = CreateAction(node.IsElement() ? node.NodeName() : u"#text");
    CheckStoredAction(FActions.size(), node, *action);
    action->Load(node);
    CheckLoadedAction(FActions.size(), node, *action);
    FActions.push_back(std::move(action));
  }
}

bool TManualTransform::Editable() const { return true; }

bool TManualTransform::Valid() const {
  return std::all_of(FActions.begin(), FActions.end(), [](const auto& action) { return action->Valid(); });
}

std::u16string TManualTransform::FirstProblem() const {
  for (size_t i = 0; i < FActions.size(); ++i) {
    const TTransformAction& action = *FActions[i];
    std::optional<TSettingProblem> problem = action.MissingSetting();
    if (!problem) problem = action.Problem();
    if (problem)
      return common::Format(u"Action %d (%s): %s", {int64_t(i + 1), action.Caption(), Describe(*problem, true)});
  }
  return {};
}

std::u16string TManualTransform::Description() const { return FDescription; }

void TManualTransform::Execute() {
  FStatus = TTransformStatus::tsNoChanges;
  RunReportingErrors([this] {
    formtext::DFMHelper().CheckTextSize(InputSize());
    std::string bytes = ReadInput();
    stream::TMemoryStream input(bytes);
    const stream::FormFileFormat format = stream::DetectFormFormat(input);
    if (format == stream::FormFileFormat::fmtUnknown) {
      FStatus = TTransformStatus::tsSkipped;
      DoMessage(NotAFormFileMessage(bytes));
      return;
    }
    const bool binary = format == stream::FormFileFormat::fmtBinary;
    std::string original;
    if (binary) {
      stream::TMemoryStream text;
      stream::ResourceToFormText(input, text);
      original = std::move(bytes);
      bytes = text.TakeBytes();
    }
    std::unique_ptr<doc::TDObject> root = formtext::DFMHelper().LoadObjectFromBytes(bytes);
    ApplyActions(*root);
    // Text is re-printed in the writer's layout whatever happened; a binary form that nothing
    // changed keeps the bytes the IDE wrote, which converting it back need not give.
    const bool unchanged = binary && FStatus == TTransformStatus::tsNoChanges;
    stream::WriteWholeFile(FOutFile, unchanged ? original : ResultBytes(*root, binary));
    if (binary) DoMessage(u"Read as binary; written back as binary");
  });
}

std::string TManualTransform::ResultBytes(doc::TDObject& ARoot, bool ABinary) {
  formtext::TDFMHelper& helper = formtext::DFMHelper();
  std::string bytes = helper.SaveObjectToBytes(ARoot);
  // The last guard between the actions and the user's file: whatever they did, a result that the
  // next run (or the IDE) could not read is never placed.
  try {
    helper.LoadObjectFromBytes(bytes);
    if (ABinary) {
      stream::TMemoryStream text(std::move(bytes));
      stream::TMemoryStream converted;
      stream::FormTextToResource(text, converted);
      bytes = converted.TakeBytes();
    }
  } catch (const common::Exception& error) {
    throw ETransformError(u"The result does not read as a form: " + formtext::DescribeError(error) +
                          u"; the file was not changed.");
  }
  return bytes;
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
