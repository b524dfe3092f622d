#include "Transformations/uTransformActions.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>
#include <utility>
#include <vector>

#include "FormText/uDFMHelper.h"
#include "Shared/Common/uDString.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"

namespace tess::transform {

using common::Format;
using common::TDXMLNode;

namespace {

char16_t FoldAscii(char16_t AChar) {
  return AChar >= u'a' && AChar <= u'z' ? static_cast<char16_t>(AChar - 32) : AChar;
}

// Re-parses a value text only when it changed, so a copy made through the setters holds its own
// parse and an unchanged text keeps the value it has.
void SetValueText(std::u16string& AText, std::unique_ptr<doc::TDValue>& AValue, const std::u16string& ANewText) {
  if (AText == ANewText) return;
  AText = ANewText;
  AValue.reset();
  if (!AText.empty()) AValue = formtext::DFMHelper().LoadValue(AText);
}

using formtext::TDFMNameKind;

// The first of the checks that finds something, in the order given.
using TCheck = std::optional<TSettingProblem>;

TCheck CheckName(std::u16string_view ASetting, const std::u16string& AName, TDFMNameKind AKind) {
  if (AName.empty() || formtext::DFMHelper().IsValidName(AName, AKind)) return std::nullopt;
  const char16_t* what = AKind == TDFMNameKind::nkProperty ? u"a property name (identifiers joined by dots)"
                         : AKind == TDFMNameKind::nkObject ? u"an object name (one identifier)"
                                                           : u"a class name (one identifier)";
  return TSettingProblem{std::u16string(ASetting), Format(u"'%s' is not %s", {formtext::QuotedToken(AName), what})};
}

TCheck CheckValue(std::u16string_view ASetting, const std::u16string& AText) {
  if (AText.empty() || formtext::DFMHelper().IsValidValue(AText)) return std::nullopt;
  return TSettingProblem{std::u16string(ASetting),
                         Format(u"'%s' is not one valid value", {formtext::QuotedToken(AText)})};
}

TCheck FirstOf(std::initializer_list<TCheck> AChecks) {
  for (const TCheck& check : AChecks)
    if (check) return check;
  return std::nullopt;
}

// "true" or "false" in any letter case, or a whole number (0 is false); blanks around it are
// ignored, since people edit these files by hand.
bool ParseBoolean(const std::u16string& AText, bool ADefault) {
  const std::u16string text = common::DString::Trim(AText);
  if (text.empty()) return ADefault;
  std::u16string folded;
  for (char16_t c : text) folded.push_back(FoldAscii(c));
  if (folded == u"TRUE") return true;
  if (folded == u"FALSE") return false;
  size_t at = text[0] == u'-' || text[0] == u'+' ? 1 : 0;
  bool nonZero = false;
  if (at < text.size()) {
    for (; at < text.size(); ++at) {
      if (text[at] < u'0' || text[at] > u'9') break;
      if (text[at] != u'0') nonZero = true;
    }
    if (at == text.size()) return nonZero;
  }
  throw ETransformError(Format(u"'%s' is not a valid Boolean value for Overwrite", {AText}));
}

std::u16string ClassNameOf(const TTransformAction& AAction) {
  const char* mangled = typeid(AAction).name();
  int status = 0;
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && demangled != nullptr ? demangled : mangled;
  std::free(demangled);
  const size_t scope = name.rfind("::");
  if (scope != std::string::npos) name.erase(0, scope + 2);
  return common::Utf8ToUtf16(name);
}

}  // namespace

// A header without a colon ("object TLabel") names only the class, which the model keeps as the
// object's name. Selection, log lines and renaming treat such an object as one without a name, so
// that an action selecting TLabel finds every label and renaming never turns a class into a name.
std::u16string ObjectNameOf(const doc::TDObject& AObject) {
  return AObject.Ancestor().empty() ? std::u16string() : AObject.Name();
}

std::u16string ObjectClassOf(const doc::TDObject& AObject) {
  return AObject.Ancestor().empty() ? AObject.Name() : AObject.Ancestor();
}

namespace {

bool MatchSelection(const doc::TDObject& AObject, const std::u16string& AName, const std::u16string& AClass) {
  return MatchText(ObjectNameOf(AObject), AName) && MatchText(ObjectClassOf(AObject), AClass);
}

}  // namespace

bool MatchText(std::u16string_view AText, std::u16string_view APattern) {
  if (APattern.empty()) return true;
  if (AText.size() != APattern.size()) return false;
  for (size_t i = 0; i < AText.size(); ++i)
    if (FoldAscii(AText[i]) != FoldAscii(APattern[i])) return false;
  return true;
}

bool MatchValue(const doc::TDValue* AValue, const doc::TDValue* AExpected) {
  if (AExpected == nullptr) return true;
  return AValue != nullptr && AValue->Equals(*AExpected);
}

// --- TTransformAction ------------------------------------------------------------------------

void TTransformAction::ProcessObject(doc::TDObject& AObject) {
  // An explicit stack instead of recursion: a form nested deeply enough to load must not run the
  // worker thread out of stack here. Children are pushed last first, so the order is the
  // depth-first one, parent before children.
  std::vector<doc::TDObject*> pending{&AObject};
  while (!pending.empty()) {
    doc::TDObject& object = *pending.back();
    pending.pop_back();
    if (MatchObject(object)) {
      ApplyToObject(object);
      if (HandlesProperties()) {
        // Backwards, so ProcessProperty may delete the property it is given.
        for (int i = object.Props().Count() - 1; i >= 0; --i)
          if (MatchProperty(*object.Props().Items(i))) ProcessProperty(object, i);
      }
    }
    const doc::TDObjects& children = object.Objects();
    for (int i = children.Count() - 1; i >= 0; --i) pending.push_back(children.Items(i));
  }
}

std::u16string TTransformAction::GetCaption() const { return {}; }

std::u16string TTransformAction::GetDescription() const { return {}; }

bool TTransformAction::MatchObject(const doc::TDObject&) const { return false; }

bool TTransformAction::MatchProperty(const doc::TDProp&) { return false; }

void TTransformAction::ProcessProperty(doc::TDObject&, int) {}

void TTransformAction::ApplyToObject(doc::TDObject&) {}

bool TTransformAction::HandlesProperties() const { return true; }

void TTransformAction::Save(TDXMLNode) const {}

void TTransformAction::Load(TDXMLNode) {}

void TTransformAction::Assign(const TTransformAction&) {}

void TTransformAction::Process(doc::TDObject& AObject) {
  FChanged = false;
  if (const TCheck problem = NameProblem())
    throw ETransformError(
        Format(u"Action \"%s\" cannot run: %s %s",
               {formtext::EscapeControls(GetDescription()), SettingLabel(problem->Setting), problem->Reason}));
  ProcessObject(AObject);
}

bool TTransformAction::Valid() const { return !Problem(); }

std::optional<TSettingProblem> TTransformAction::NameProblem() const { return std::nullopt; }

std::optional<TSettingProblem> TTransformAction::Problem() const { return NameProblem(); }

std::optional<TSettingProblem> TTransformAction::MissingSetting() const { return std::nullopt; }

std::vector<std::u16string> TTransformAction::Settings() const { return {}; }

std::unique_ptr<TTransformAction> TTransformAction::CreateNew() const { return std::make_unique<TTransformAction>(); }

std::unique_ptr<TTransformAction> TTransformAction::Clone() const {
  std::unique_ptr<TTransformAction> copy = CreateNew();
  copy->Assign(*this);
  return copy;
}

void TTransformAction::DoMessage(const std::u16string& AMessage) const {
  if (FOnMessage) FOnMessage(AMessage);
}

std::u16string TTransformAction::ReadText(const TDXMLNode& ANode, std::u16string_view AName) {
  return ANode.FindNode(AName).Text().value_or(std::u16string());
}

void TTransformAction::WriteText(TDXMLNode& ANode, std::u16string_view AName, std::u16string_view AValue) {
  ANode.AddChild(AName).SetText(AValue);
}

// --- TRemovePropertyAction -------------------------------------------------------------------

std::u16string TRemovePropertyAction::GetCaption() const { return u"Remove property"; }

std::u16string TRemovePropertyAction::GetDescription() const {
  return Format(u"Remove %s", {FPropName.empty() ? std::u16string(u"all properties") : FPropName});
}

bool TRemovePropertyAction::MatchObject(const doc::TDObject& AObject) const {
  return MatchSelection(AObject, FObjectName, FObjectClass);
}

bool TRemovePropertyAction::MatchProperty(const doc::TDProp& AProp) {
  const bool match = MatchText(AProp.Name(), FPropName);
  if (match) FChanged = true;
  return match;
}

void TRemovePropertyAction::ProcessProperty(doc::TDObject& AObject, int AIndex) {
  DoMessage(Format(u"Removing property %s::%s.%s",
                   {ObjectClassOf(AObject), ObjectNameOf(AObject), AObject.Props().Items(AIndex)->Name()}));
  AObject.Props().Delete(AIndex);
}

void TRemovePropertyAction::Save(TDXMLNode ANode) const {
  WriteText(ANode, u"PropName", FPropName);
  WriteText(ANode, u"ObjectName", FObjectName);
  WriteText(ANode, u"ObjectClass", FObjectClass);
}

void TRemovePropertyAction::Load(TDXMLNode ANode) {
  FPropName = ReadText(ANode, u"PropName");
  FObjectName = ReadText(ANode, u"ObjectName");
  FObjectClass = ReadText(ANode, u"ObjectClass");
}

void TRemovePropertyAction::Assign(const TTransformAction& ASource) {
  const auto* source = dynamic_cast<const TRemovePropertyAction*>(&ASource);
  if (source == nullptr || source == this) return;
  FPropName = source->FPropName;
  FObjectName = source->FObjectName;
  FObjectClass = source->FObjectClass;
}

std::optional<TSettingProblem> TRemovePropertyAction::NameProblem() const {
  return FirstOf({CheckName(u"PropName", FPropName, TDFMNameKind::nkProperty),
                  CheckName(u"ObjectName", FObjectName, TDFMNameKind::nkObject),
                  CheckName(u"ObjectClass", FObjectClass, TDFMNameKind::nkClass)});
}

std::optional<TSettingProblem> TRemovePropertyAction::MissingSetting() const {
  if (!FPropName.empty()) return std::nullopt;
  return TSettingProblem{u"PropName", u"is empty, which would remove every property"};
}

std::vector<std::u16string> TRemovePropertyAction::Settings() const {
  return {u"PropName", u"ObjectName", u"ObjectClass"};
}

std::unique_ptr<TTransformAction> TRemovePropertyAction::CreateNew() const {
  return std::make_unique<TRemovePropertyAction>();
}

// --- TChangePropertyAction -------------------------------------------------------------------

TChangePropertyAction::~TChangePropertyAction() = default;

std::u16string TChangePropertyAction::GetCaption() const { return u"Change property"; }

std::u16string TChangePropertyAction::GetDescription() const { return Format(u"Change property %s", {FOldPropName}); }

bool TChangePropertyAction::MatchObject(const doc::TDObject& AObject) const {
  return MatchSelection(AObject, FObjectName, FObjectClass);
}

bool TChangePropertyAction::MatchProperty(const doc::TDProp& AProp) {
  const bool match = MatchText(AProp.Name(), FOldPropName) && MatchValue(AProp.Value(), FOldValue.get());
  if (match) FChanged = true;
  return match;
}

void TChangePropertyAction::ProcessProperty(doc::TDObject& AObject, int AIndex) {
  doc::TDProp& prop = *AObject.Props().Items(AIndex);
  if (!FNewPropName.empty()) {
    DoMessage(Format(u"Renaming %s.%s to %s", {ObjectNameOf(AObject), prop.Name(), FNewPropName}));
    prop.SetName(FNewPropName);
  }
  if (FNewValue) {
    DoMessage(Format(u"Setting new value for %s.%s", {ObjectNameOf(AObject), prop.Name()}));
    prop.SetValue(doc::CloneOf(*FNewValue));
  }
}

void TChangePropertyAction::Save(TDXMLNode ANode) const {
  WriteText(ANode, u"OldPropName", FOldPropName);
  WriteText(ANode, u"OldPropValue", FOldPropValue);
  WriteText(ANode, u"NewPropName", FNewPropName);
  WriteText(ANode, u"NewPropValue", FNewPropValue);
  WriteText(ANode, u"ObjectName", FObjectName);
  WriteText(ANode, u"ObjectClass", FObjectClass);
}

void TChangePropertyAction::Load(TDXMLNode ANode) {
  FOldPropName = ReadText(ANode, u"OldPropName");
  SetOldPropValue(ReadText(ANode, u"OldPropValue"));
  FNewPropName = ReadText(ANode, u"NewPropName");
  SetNewPropValue(ReadText(ANode, u"NewPropValue"));
  FObjectName = ReadText(ANode, u"ObjectName");
  FObjectClass = ReadText(ANode, u"ObjectClass");
}

void TChangePropertyAction::Assign(const TTransformAction& ASource) {
  const auto* source = dynamic_cast<const TChangePropertyAction*>(&ASource);
  if (source == nullptr || source == this) return;
  FOldPropName = source->FOldPropName;
  SetOldPropValue(source->FOldPropValue);
  FNewPropName = source->FNewPropName;
  SetNewPropValue(source->FNewPropValue);
  FObjectName = source->FObjectName;
  FObjectClass = source->FObjectClass;
}

std::optional<TSettingProblem> TChangePropertyAction::NameProblem() const {
  return FirstOf({CheckName(u"OldPropName", FOldPropName, TDFMNameKind::nkProperty),
                  CheckName(u"NewPropName", FNewPropName, TDFMNameKind::nkProperty),
                  CheckName(u"ObjectName", FObjectName, TDFMNameKind::nkObject),
                  CheckName(u"ObjectClass", FObjectClass, TDFMNameKind::nkClass)});
}

std::optional<TSettingProblem> TChangePropertyAction::Problem() const {
  return FirstOf(
      {NameProblem(), CheckValue(u"OldPropValue", FOldPropValue), CheckValue(u"NewPropValue", FNewPropValue)});
}

std::vector<std::u16string> TChangePropertyAction::Settings() const {
  return {u"OldPropName", u"OldPropValue", u"NewPropName", u"NewPropValue", u"ObjectName", u"ObjectClass"};
}

std::unique_ptr<TTransformAction> TChangePropertyAction::CreateNew() const {
  return std::make_unique<TChangePropertyAction>();
}

void TChangePropertyAction::SetOldPropValue(const std::u16string& AValue) {
  SetValueText(FOldPropValue, FOldValue, AValue);
}

void TChangePropertyAction::SetNewPropValue(const std::u16string& AValue) {
  SetValueText(FNewPropValue, FNewValue, AValue);
}

// --- TNewPropertyAction ----------------------------------------------------------------------

TNewPropertyAction::~TNewPropertyAction() = default;

std::u16string TNewPropertyAction::GetCaption() const { return u"New property"; }

std::u16string TNewPropertyAction::GetDescription() const { return Format(u"New property %s", {FNewPropName}); }

bool TNewPropertyAction::MatchObject(const doc::TDObject& AObject) const {
  return MatchSelection(AObject, FObjectName, FObjectClass);
}

void TNewPropertyAction::ApplyToObject(doc::TDObject& AObject) {
  // Both checks come before anything is changed: a property without a name or without a value
  // would be printed as text that no longer loads, and the user's file would be replaced by it.
  if (FNewPropName.empty())
    throw ETransformError(Format(u"Action \"%s\" cannot add a property to %s: %s: it names no property",
                                 {GetDescription(), ObjectNameOf(AObject), ObjectClassOf(AObject)}));
  if (!FNewValue) {
    const std::u16string reason = FNewPropValue.empty() ? std::u16string(u"it has no value")
                                                        : Format(u"its value %s is not a valid value", {FNewPropValue});
    throw ETransformError(Format(u"Action \"%s\" cannot add a property to %s: %s: %s",
                                 {GetDescription(), ObjectNameOf(AObject), ObjectClassOf(AObject), reason}));
  }
  doc::TDProps& props = AObject.Props();
  doc::TDProp* prop = props.Find(FNewPropName);
  if (prop == nullptr) {
    auto added = std::make_unique<doc::TDProp>();
    prop = added.get();
    props.Add(std::move(added));
  } else if (!FOverwrite) {
    return;
  }
  prop->SetName(FNewPropName);
  prop->SetValue(doc::CloneOf(*FNewValue));
  DoMessage(Format(u"Adding new property %s.%s", {ObjectNameOf(AObject), FNewPropName}));
  FChanged = true;
}

bool TNewPropertyAction::HandlesProperties() const { return false; }

void TNewPropertyAction::Save(TDXMLNode ANode) const {
  WriteText(ANode, u"NewPropName", FNewPropName);
  WriteText(ANode, u"NewPropValue", FNewPropValue);
  WriteText(ANode, u"ObjectName", FObjectName);
  WriteText(ANode, u"ObjectClass", FObjectClass);
  WriteText(ANode, u"Overwrite", FOverwrite ? u"true" : u"false");
}

void TNewPropertyAction::Load(TDXMLNode ANode) {
  FNewPropName = ReadText(ANode, u"NewPropName");
  SetNewPropValue(ReadText(ANode, u"NewPropValue"));
  FObjectName = ReadText(ANode, u"ObjectName");
  FObjectClass = ReadText(ANode, u"ObjectClass");
  FOverwrite = ParseBoolean(ReadText(ANode, u"Overwrite"), FOverwrite);
}

void TNewPropertyAction::Assign(const TTransformAction& ASource) {
  const auto* source = dynamic_cast<const TNewPropertyAction*>(&ASource);
  if (source == nullptr || source == this) return;
  FNewPropName = source->FNewPropName;
  SetNewPropValue(source->FNewPropValue);
  FObjectName = source->FObjectName;
  FObjectClass = source->FObjectClass;
  FOverwrite = source->FOverwrite;
}

std::optional<TSettingProblem> TNewPropertyAction::NameProblem() const {
  return FirstOf({CheckName(u"NewPropName", FNewPropName, TDFMNameKind::nkProperty),
                  CheckName(u"ObjectName", FObjectName, TDFMNameKind::nkObject),
                  CheckName(u"ObjectClass", FObjectClass, TDFMNameKind::nkClass)});
}

std::optional<TSettingProblem> TNewPropertyAction::Problem() const {
  return FirstOf({NameProblem(), CheckValue(u"NewPropValue", FNewPropValue)});
}

std::vector<std::u16string> TNewPropertyAction::Settings() const {
  return {u"NewPropName", u"NewPropValue", u"ObjectName", u"ObjectClass", u"Overwrite"};
}

std::unique_ptr<TTransformAction> TNewPropertyAction::CreateNew() const {
  return std::make_unique<TNewPropertyAction>();
}

void TNewPropertyAction::SetNewPropValue(const std::u16string& AValue) {
  SetValueText(FNewPropValue, FNewValue, AValue);
}

// --- TChangeObjectAction ---------------------------------------------------------------------

std::u16string TChangeObjectAction::GetCaption() const { return u"Change object"; }

std::u16string TChangeObjectAction::GetDescription() const {
  return Format(u"Change object %s %s", {FOldObjectName, FOldObjectClass});
}

bool TChangeObjectAction::MatchObject(const doc::TDObject& AObject) const {
  return MatchSelection(AObject, FOldObjectName, FOldObjectClass);
}

namespace {

// An object as its header line names it: "Name: TClass", or the class alone.
std::u16string HeaderOf(const doc::TDObject& AObject) {
  const std::u16string name = ObjectNameOf(AObject);
  return name.empty() ? ObjectClassOf(AObject) : name + u": " + ObjectClassOf(AObject);
}

}  // namespace

void TChangeObjectAction::ApplyToObject(doc::TDObject& AObject) {
  const std::u16string before = HeaderOf(AObject);
  ChangeObject(AObject);
  DoMessage(Format(u"Changing object %s to %s", {before, HeaderOf(AObject)}));
}

void TChangeObjectAction::ChangeObject(doc::TDObject& AObject) {
  const std::u16string name = FNewObjectName.empty() ? ObjectNameOf(AObject) : FNewObjectName;
  const std::u16string cls = FNewObjectClass.empty() ? ObjectClassOf(AObject) : FNewObjectClass;
  if (name.empty()) {
    AObject.SetName(cls);
    AObject.SetAncestor(u"");
  } else {
    AObject.SetName(name);
    AObject.SetAncestor(cls);
  }
  FChanged = true;
}

bool TChangeObjectAction::HandlesProperties() const { return false; }

void TChangeObjectAction::Save(TDXMLNode ANode) const {
  WriteText(ANode, u"OldObjectName", FOldObjectName);
  WriteText(ANode, u"OldObjectClass", FOldObjectClass);
  WriteText(ANode, u"NewObjectName", FNewObjectName);
  WriteText(ANode, u"NewObjectClass", FNewObjectClass);
}

void TChangeObjectAction::Load(TDXMLNode ANode) {
  FOldObjectName = ReadText(ANode, u"OldObjectName");
  FOldObjectClass = ReadText(ANode, u"OldObjectClass");
  FNewObjectName = ReadText(ANode, u"NewObjectName");
  FNewObjectClass = ReadText(ANode, u"NewObjectClass");
}

void TChangeObjectAction::Assign(const TTransformAction& ASource) {
  const auto* source = dynamic_cast<const TChangeObjectAction*>(&ASource);
  if (source == nullptr || source == this) return;
  FOldObjectName = source->FOldObjectName;
  FOldObjectClass = source->FOldObjectClass;
  FNewObjectName = source->FNewObjectName;
  FNewObjectClass = source->FNewObjectClass;
}

std::optional<TSettingProblem> TChangeObjectAction::NameProblem() const {
  return FirstOf({CheckName(u"OldObjectName", FOldObjectName, TDFMNameKind::nkObject),
                  CheckName(u"OldObjectClass", FOldObjectClass, TDFMNameKind::nkClass),
                  CheckName(u"NewObjectName", FNewObjectName, TDFMNameKind::nkObject),
                  CheckName(u"NewObjectClass", FNewObjectClass, TDFMNameKind::nkClass)});
}

std::vector<std::u16string> TChangeObjectAction::Settings() const {
  return {u"OldObjectName", u"OldObjectClass", u"NewObjectName", u"NewObjectClass"};
}

std::unique_ptr<TTransformAction> TChangeObjectAction::CreateNew() const {
  return std::make_unique<TChangeObjectAction>();
}

// --- element names ---------------------------------------------------------------------------

std::u16string SettingLabel(std::u16string_view ASetting) {
  static const std::pair<std::u16string_view, std::u16string_view> kLabels[] = {
      {u"PropName", u"Property name"},          {u"ObjectName", u"Object name"},
      {u"ObjectClass", u"Object class"},        {u"OldPropName", u"Old property name"},
      {u"OldPropValue", u"Old property value"}, {u"NewPropName", u"New property name"},
      {u"NewPropValue", u"New property value"}, {u"Overwrite", u"Overwrite if exist"},
      {u"OldObjectName", u"Old object name"},   {u"OldObjectClass", u"Old object class"},
      {u"NewObjectName", u"New object name"},   {u"NewObjectClass", u"New object class"}};
  for (const auto& [setting, label] : kLabels)
    if (setting == ASetting) return std::u16string(label);
  return std::u16string(ASetting);
}

std::unique_ptr<TTransformAction> CreateAction(std::u16string_view AElementName) {
  if (AElementName == u"RemoveProp") return std::make_unique<TRemovePropertyAction>();
  if (AElementName == u"ChangeProp") return std::make_unique<TChangePropertyAction>();
  if (AElementName == u"NewProp") return std::make_unique<TNewPropertyAction>();
  if (AElementName == u"ChangeObject") return std::make_unique<TChangeObjectAction>();
  throw ETransformError(u"Unknown action name " + std::u16string(AElementName));
}

std::u16string ActionElementName(const TTransformAction& AAction) {
  if (dynamic_cast<const TRemovePropertyAction*>(&AAction)) return u"RemoveProp";
  if (dynamic_cast<const TChangePropertyAction*>(&AAction)) return u"ChangeProp";
  if (dynamic_cast<const TNewPropertyAction*>(&AAction)) return u"NewProp";
  if (dynamic_cast<const TChangeObjectAction*>(&AAction)) return u"ChangeObject";
  throw ETransformError(u"Unknown action class " + ClassNameOf(AAction));
}

}  // namespace tess::transform
