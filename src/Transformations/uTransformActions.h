// The edits a user transformation is made of: remove, change or add a property, change an object.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "FormDocument/uDFMDocument.h"
#include "Shared/Common/uDXMLDocument.h"
#include "Shared/Common/uException.h"
#include "Transformations/uTransform.h"

namespace tess::transform {

// A transformation or an action cannot do what it was asked: an unknown element in its file, an
// action that has no value to insert, a setting its file holds in an unreadable form.
class ETransformError : public common::Exception {
public:
  using Exception::Exception;
};

// True when APattern is empty or equals AText with the letters a to z folded to upper case; no
// other character is folded, and there are no wildcards.
bool MatchText(std::u16string_view AText, std::u16string_view APattern);
// True when AExpected is null, otherwise structural equality with the values as written.
bool MatchValue(const doc::TDValue* AValue, const doc::TDValue* AExpected);

// One setting of an action that cannot be used as it stands.
struct TSettingProblem {
  std::u16string Setting;  // the element that stores it in a transformation file
  std::u16string Reason;   // what is wrong, a clause that follows the setting's name
};

// The label the editor shows for a setting ("NewObjectName" is "New object name").
std::u16string SettingLabel(std::u16string_view ASetting);

// The object's name and class as a person reads its header: "object TLabel" is a TLabel without
// a name, although the model keeps the class in the name there.
std::u16string ObjectNameOf(const doc::TDObject& AObject);
std::u16string ObjectClassOf(const doc::TDObject& AObject);

// One step of a user transformation. Process walks the tree below an object, parent before
// children; collection items and whatever they hold are never visited.
class TTransformAction {
public:
  TTransformAction() = default;
  virtual ~TTransformAction() = default;
  TTransformAction(const TTransformAction&) = delete;
  TTransformAction& operator=(const TTransformAction&) = delete;

  // MatchObject, then ApplyToObject and (when HandlesProperties) ProcessProperty for every
  // matching property from the last to the first, then the same for every child object.
  virtual void ProcessObject(doc::TDObject& AObject);
  virtual std::u16string GetCaption() const;
  virtual std::u16string GetDescription() const;
  virtual bool MatchObject(const doc::TDObject& AObject) const;
  // May set Changed: matching a property is what counts as a change for the property actions.
  virtual bool MatchProperty(const doc::TDProp& AProp);
  virtual void ProcessProperty(doc::TDObject& AObject, int AIndex);
  virtual void ApplyToObject(doc::TDObject& AObject);
  virtual bool HandlesProperties() const;
  // Write or read the child elements of the action's own element, which the owner names.
  virtual void Save(common::TDXMLNode ANode) const;
  // Raises ETransformError for a setting it cannot read, EDXMLError for an element that holds
  // elements where text belongs.
  virtual void Load(common::TDXMLNode ANode);
  // Copies the settings from an action of the same class; from any other nothing changes.
  virtual void Assign(const TTransformAction& ASource);
  // Clears Changed and runs ProcessObject on AObject. Errors propagate with the document partly
  // edited; the owner does not save it then.
  // Raises ETransformError, before anything is changed, for a name that a form cannot hold.
  virtual void Process(doc::TDObject& AObject);
  // True when Problem finds nothing.
  virtual bool Valid() const;
  // The first name setting that is no name of its kind: a property name is identifiers joined
  // by dots, an object or class name one identifier; empty ones select everything or keep
  // what is there. A form given such a name no longer loads.
  virtual std::optional<TSettingProblem> NameProblem() const;
  // NameProblem, or else the first value text that is not one value.
  virtual std::optional<TSettingProblem> Problem() const;
  // The first setting a stored action must not leave empty and this one does.
  virtual std::optional<TSettingProblem> MissingSetting() const;
  // The elements that store the settings, in the order Save writes them.
  virtual std::vector<std::u16string> Settings() const;
  // A new action of the receiver's class with default settings.
  virtual std::unique_ptr<TTransformAction> CreateNew() const;

  // An independent action of the same class with equal settings and its own parsed values.
  std::unique_ptr<TTransformAction> Clone() const;

  const TOnMessage& OnMessage() const { return FOnMessage; }
  void SetOnMessage(TOnMessage AValue) { FOnMessage = std::move(AValue); }
  bool Changed() const { return FChanged; }

  std::u16string Caption() const { return GetCaption(); }
  std::u16string Description() const { return GetDescription(); }

protected:
  void DoMessage(const std::u16string& AMessage) const;
  // The text of the first child element of that name; empty when there is none.
  static std::u16string ReadText(const common::TDXMLNode& ANode, std::u16string_view AName);
  static void WriteText(common::TDXMLNode& ANode, std::u16string_view AName, std::u16string_view AValue);

  TOnMessage FOnMessage;
  bool FChanged = false;
};

class TRemovePropertyAction : public TTransformAction {
public:
  std::u16string GetCaption() const override;
  std::u16string GetDescription() const override;
  bool MatchObject(const doc::TDObject& AObject) const override;
  bool MatchProperty(const doc::TDProp& AProp) override;
  void ProcessProperty(doc::TDObject& AObject, int AIndex) override;
  void Save(common::TDXMLNode ANode) const override;
  void Load(common::TDXMLNode ANode) override;
  void Assign(const TTransformAction& ASource) override;
  std::optional<TSettingProblem> NameProblem() const override;
  // An empty property name removes every property of every object it selects; no stored
  // action may do that, since a misspelt element reads as an empty one.
  std::optional<TSettingProblem> MissingSetting() const override;
  std::vector<std::u16string> Settings() const override;
  std::unique_ptr<TTransformAction> CreateNew() const override;

  const std::u16string& PropName() const { return FPropName; }
  void SetPropName(std::u16string AValue) { FPropName = std::move(AValue); }
  const std::u16string& ObjectName() const { return FObjectName; }
  void SetObjectName(std::u16string AValue) { FObjectName = std::move(AValue); }
  const std::u16string& ObjectClass() const { return FObjectClass; }
  void SetObjectClass(std::u16string AValue) { FObjectClass = std::move(AValue); }

private:
  std::u16string FPropName;
  std::u16string FObjectName;
  std::u16string FObjectClass;
};

class TChangePropertyAction : public TTransformAction {
public:
  ~TChangePropertyAction() override;

  std::u16string GetCaption() const override;
  std::u16string GetDescription() const override;
  bool MatchObject(const doc::TDObject& AObject) const override;
  bool MatchProperty(const doc::TDProp& AProp) override;
  void ProcessProperty(doc::TDObject& AObject, int AIndex) override;
  void Save(common::TDXMLNode ANode) const override;
  void Load(common::TDXMLNode ANode) override;
  void Assign(const TTransformAction& ASource) override;
  std::optional<TSettingProblem> NameProblem() const override;
  std::optional<TSettingProblem> Problem() const override;
  std::vector<std::u16string> Settings() const override;
  std::unique_ptr<TTransformAction> CreateNew() const override;

  const std::u16string& OldPropName() const { return FOldPropName; }
  void SetOldPropName(std::u16string AValue) { FOldPropName = std::move(AValue); }
  const std::u16string& OldPropValue() const { return FOldPropValue; }
  // Stores the text and parses it; an equal text changes nothing.
  void SetOldPropValue(const std::u16string& AValue);
  const std::u16string& NewPropName() const { return FNewPropName; }
  void SetNewPropName(std::u16string AValue) { FNewPropName = std::move(AValue); }
  const std::u16string& NewPropValue() const { return FNewPropValue; }
  void SetNewPropValue(const std::u16string& AValue);
  const std::u16string& ObjectName() const { return FObjectName; }
  void SetObjectName(std::u16string AValue) { FObjectName = std::move(AValue); }
  const std::u16string& ObjectClass() const { return FObjectClass; }
  void SetObjectClass(std::u16string AValue) { FObjectClass = std::move(AValue); }

  // The parses of the value texts; null for an empty text or one that is not a value.
  const doc::TDValue* OldValue() const { return FOldValue.get(); }
  const doc::TDValue* NewValue() const { return FNewValue.get(); }

private:
  std::u16string FOldPropName;
  std::u16string FOldPropValue;
  std::u16string FNewPropName;
  std::u16string FNewPropValue;
  std::u16string FObjectName;
  std::u16string FObjectClass;
  std::unique_ptr<doc::TDValue> FOldValue;
  std::unique_ptr<doc::TDValue> FNewValue;
};

class TNewPropertyAction : public TTransformAction {
public:
  ~TNewPropertyAction() override;

  std::u16string GetCaption() const override;
  std::u16string GetDescription() const override;
  bool MatchObject(const doc::TDObject& AObject) const override;
  // Raises ETransformError, before touching the object, when there is no name or no value to
  // insert: the property it would add could not be read back.
  void ApplyToObject(doc::TDObject& AObject) override;
  bool HandlesProperties() const override;
  void Save(common::TDXMLNode ANode) const override;
  void Load(common::TDXMLNode ANode) override;
  void Assign(const TTransformAction& ASource) override;
  std::optional<TSettingProblem> NameProblem() const override;
  std::optional<TSettingProblem> Problem() const override;
  std::vector<std::u16string> Settings() const override;
  std::unique_ptr<TTransformAction> CreateNew() const override;

  const std::u16string& NewPropName() const { return FNewPropName; }
  void SetNewPropName(std::u16string AValue) { FNewPropName = std::move(AValue); }
  const std::u16string& NewPropValue() const { return FNewPropValue; }
  void SetNewPropValue(const std::u16string& AValue);
  const std::u16string& ObjectName() const { return FObjectName; }
  void SetObjectName(std::u16string AValue) { FObjectName = std::move(AValue); }
  const std::u16string& ObjectClass() const { return FObjectClass; }
  void SetObjectClass(std::u16string AValue) { FObjectClass = std::move(AValue); }
  bool Overwrite() const { return FOverwrite; }
  void SetOverwrite(bool AValue) { FOverwrite = AValue; }

  const doc::TDValue* NewValue() const { return FNewValue.get(); }

private:
  std::u16string FNewPropName;
  std::u16string FNewPropValue;
  std::u16string FObjectName;
  std::u16string FObjectClass;
  bool FOverwrite = false;
  std::unique_ptr<doc::TDValue> FNewValue;
};

class TChangeObjectAction : public TTransformAction {
public:
  std::u16string GetCaption() const override;
  std::u16string GetDescription() const override;
  bool MatchObject(const doc::TDObject& AObject) const override;
  void ApplyToObject(doc::TDObject& AObject) override;
  bool HandlesProperties() const override;
  void Save(common::TDXMLNode ANode) const override;
  void Load(common::TDXMLNode ANode) override;
  void Assign(const TTransformAction& ASource) override;
  std::optional<TSettingProblem> NameProblem() const override;
  std::vector<std::u16string> Settings() const override;
  std::unique_ptr<TTransformAction> CreateNew() const override;

  const std::u16string& OldObjectName() const { return FOldObjectName; }
  void SetOldObjectName(std::u16string AValue) { FOldObjectName = std::move(AValue); }
  const std::u16string& OldObjectClass() const { return FOldObjectClass; }
  void SetOldObjectClass(std::u16string AValue) { FOldObjectClass = std::move(AValue); }
  const std::u16string& NewObjectName() const { return FNewObjectName; }
  void SetNewObjectName(std::u16string AValue) { FNewObjectName = std::move(AValue); }
  const std::u16string& NewObjectClass() const { return FNewObjectClass; }
  void SetNewObjectClass(std::u16string AValue) { FNewObjectClass = std::move(AValue); }

private:
  void ChangeObject(doc::TDObject& AObject);

  std::u16string FOldObjectName;
  std::u16string FOldObjectClass;
  std::u16string FNewObjectName;
  std::u16string FNewObjectClass;
};

// The action an element of a transformation file stands for ("RemoveProp", "ChangeProp",
// "NewProp", "ChangeObject", compared exactly). Raises ETransformError "Unknown action name "
// and the name for any other.
std::unique_ptr<TTransformAction> CreateAction(std::u16string_view AElementName);
// The element name of the action's class. Raises ETransformError "Unknown action class " and the
// class name for a class the file format has no element for.
std::u16string ActionElementName(const TTransformAction& AAction);

}  // namespace tess::transform
