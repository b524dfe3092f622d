// A user transformation: a named list of actions run over form text, stored as one XML file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Transformations/uTransform.h"
#include "Transformations/uTransformActions.h"

namespace tess::common {
class TDXMLDocument;
}

namespace tess::transform {

class TManualTransform : public TTransform {
public:
  TManualTransform();
  ~TManualTransform() override;

  std::u16string GetCaption() const override;
  void SetCaption(const std::u16string& AValue) override;
  std::unique_ptr<TTransform> CreateNew() const override;
  // The file names and changed flag; from another user transformation also its caption,
  // description and a clone of each action. The own file name and folder stay.
  void Assign(const TTransform& ASource) override;
  // Writes FullName, replacing it only once the new content is complete. Raises EFileError when
  // it cannot be written and ETransformError for an action the file format cannot store.
  void Save() override;
  // Appends the actions of FullName. Raises EFileError when it cannot be read, EDXMLError when it
  // is not well-formed XML, ETransformError for a document element other than Transformation,
  // an element that is no action, and an action with an element that is no setting of it, an
  // empty property name to remove, or a setting its problem check refuses ("Action 1
  // (RemoveProp): unknown setting Propname"). On failure the caption, description and actions
  // read so far stay.
  void Load() override;
  bool Editable() const override;
  // True when every action is valid; an empty list is.
  bool Valid() const override;
  // The first action that could not be saved and loaded again or would write a form that does not
  // load, as "Action 2 (Change object): New object name ..."; empty when there is none.
  std::u16string FirstProblem() const;
  std::u16string Description() const override;
  void SetDescription(std::u16string AValue) { FDescription = std::move(AValue); }
  // Loads InFile, applies the actions in order and prints the document to OutFile, also when
  // nothing changed. A binary form is read through its text and written back as binary. A file
  // that is neither is skipped with the reason and no output. The result is read back before it
  // is written: one that does not read fails the file. An error is logged as "Error: " and its
  // message, the status becomes tsError and the error propagates; OutFile is then not written.
  void Execute() override;

  // The document of the file, for tests and tools that want it without writing a file.
  void SaveToDocument(common::TDXMLDocument& ADocument) const;
  void LoadFromDocument(const common::TDXMLDocument& ADocument);

  // Appends; the transformation owns the action.
  TTransformAction* AddAction(std::unique_ptr<TTransformAction> AAction);
  // Removes and frees the action; one that is not in the list is left alone.
  void RemoveAction(TTransformAction* AAction);
  // Moves the action at ACurIndex to ANewIndex, shifting the ones between. Raises
  // ETransformError for an index outside the list.
  void Move(int ACurIndex, int ANewIndex);
  int ActionCount() const { return static_cast<int>(FActions.size()); }
  // Raises ETransformError for an index outside the list.
  TTransformAction* Actions(int AIndex) const;
  // Replaces the action at AIndex and frees the one it replaces.
  void SetActions(int AIndex, std::unique_ptr<TTransformAction> AAction);
  int IndexOfAction(const TTransformAction* AAction) const;
  void ClearActions() { FActions.clear(); }

private:
  void ApplyActions(doc::TDObject& ARoot);
  // The bytes to write for the transformed document; raises when they do not read back.
  std::string ResultBytes(doc::TDObject& ARoot, bool ABinary);
  void CheckIndex(int AIndex) const;

  std::vector<std::unique_ptr<TTransformAction>> FActions;
  std::u16string FCaption;
  std::u16string FDescription;
};

}  // namespace tess::transform
