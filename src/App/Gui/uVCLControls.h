// The control interfaces over Qt widgets, and the factory that gives each widget its one wrapper.
#pragma once

#include <QIcon>
#include <QList>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

#include "Shared/Common/uControls.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFileDialog;
class QItemSelection;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QRadioButton;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tess::gui {

class THtmlLabel;

// Widgets and actions are both QObjects; an action is not a widget.
using IDWrapper = common::IDWrapper<QObject>;
using TDWrapper = common::TDWrapper<QObject>;

// Conversions at the edge between the core's UTF-16 text and Qt's.
QString ToQString(const std::u16string& AText);
std::u16string FromQString(const QString& AText);

// A single-line edit with a button inside its right end (a browse or clear button). It is not
// a QLineEdit, so that the factory's class tests tell the two apart.
class TButtonedEdit : public QWidget {
  Q_OBJECT
public:
  explicit TButtonedEdit(QWidget* AParent = nullptr);
  QLineEdit* Edit() const { return FEdit; }
  QToolButton* Button() const { return FButton; }

signals:
  void ButtonClicked();

private:
  QLineEdit* FEdit;
  QToolButton* FButton;
};

// The small images of a list view. Qt item views have no image list, so the icons travel with
// the widget; an entry shows image i when 0 <= i < count, and no image otherwise.
void SetSmallImages(QWidget* AView, const QList<QIcon>& AImages);
QList<QIcon> SmallImages(const QWidget* AView);
// A tree widget whose entries show check marks (the rows' first cells' Checked).
inline constexpr const char* CheckBoxesProperty = "tessCheckBoxes";
// The item data role holding the image index an entry (or header) column shows, -1 for none.
inline constexpr int ImageIndexRole = Qt::UserRole + 1;

class TDEdit : public common::TDObject, public common::IDText {
public:
  explicit TDEdit(QLineEdit* AEdit) : FEdit(AEdit) {}
  void SetText(const std::u16string& AText) override;
  std::u16string Text() const override;

private:
  QLineEdit* FEdit;
};

class TDButtonedEdit : public common::TDObject, public common::IDText {
public:
  explicit TDButtonedEdit(TButtonedEdit* AEdit) : FEdit(AEdit) {}
  void SetText(const std::u16string& AText) override;
  std::u16string Text() const override;

private:
  TButtonedEdit* FEdit;
};

// The text is the lines joined with CR LF; the log appends whole lines.
class TDMemo : public common::TDObject, public common::IDText, public common::IDLog {
public:
  explicit TDMemo(QPlainTextEdit* AMemo) : FMemo(AMemo) {}
  void SetText(const std::u16string& AText) override;
  std::u16string Text() const override;
  void Add(const std::u16string& ALine) override;
  void Clear() override;

private:
  QPlainTextEdit* FMemo;
  bool FOneEmptyLine = false;
};

// Keeps a tree widget (one top-level entry per row, one column per table column) in step with
// its rows and carries the user's selection back into them.
class TDListView : public common::TDListViewBase<QTreeWidgetItem*> {
public:
  // The columns are read from the tree's header once, here.
  explicit TDListView(QTreeWidget* AList);
  ~TDListView() override;

  QTreeWidget* List() const { return FList; }

protected:
  QTreeWidgetItem* AppendEntry() override;
  void ShowLine(QTreeWidgetItem* AEntry, common::TDGUIRow* ARow, const common::TDTableLine& ALine) override;
  void DeleteEntry(QTreeWidgetItem* AEntry) override;
  void ClearEntries() override;
  void SetRepainting(bool AEnabled) override;

private:
  void SelectionChanged(const QItemSelection& ASelected, const QItemSelection& ADeselected);
  void Report(const QItemSelection& ARanges, bool ASelected);

  QTreeWidget* FList;
  QMetaObject::Connection FSelectionConnection;
  // Entries being deleted report their deselection while the rows behind them may already be
  // gone (a clear frees the rows before it is announced); such reports are not the user's.
  bool FDeleting = false;
};

// The "change handler" of a drop-down list is its activated signal, which Qt raises only for a
// pick by the user; the adapters never raise it themselves except where a pick is mimicked.
class TDCombobox : public common::TDComboboxBase {
public:
  explicit TDCombobox(QComboBox* ACombo) : FCombo(ACombo) {}
  QComboBox* Combo() const { return FCombo; }

protected:
  int32_t EntryCount() const override;
  common::TDGUIItem* EntryItem(int32_t AIndex) const override;
  void AppendEntry(const std::u16string& ACaption, common::TDGUIItem* AItem) override;
  void SetEntry(int32_t AIndex, const std::u16string& ACaption, common::TDGUIItem* AItem) override;
  void DeleteEntry(int32_t AIndex) override;
  void ClearEntries() override;
  int32_t CurrentIndex() const override;
  void SetCurrentIndex(int32_t AIndex) override;

private:
  QComboBox* FCombo;
};

class TDComboboxCondition : public common::TDComboboxConditionBase {
public:
  TDComboboxCondition(QComboBox* ACombo, int32_t AIndex) : TDComboboxConditionBase(AIndex), FCombo(ACombo) {}

protected:
  int32_t CurrentIndex() const override;
  void SetCurrentIndex(int32_t AIndex) override;
  void InvokeChange() override;

private:
  QComboBox* FCombo;
};

class TDAction : public common::TDObject, public common::IDAction {
public:
  explicit TDAction(QAction* AAction) : FAction(AAction) {}
  // A disabled action runs nothing, as its greyed buttons would.
  void Execute() override;
  bool Enabled() const override;
  void SetEnabled(bool AEnabled) override;

private:
  QAction* FAction;
};

class TDProgress : public common::TDObject, public common::IDProgress {
public:
  explicit TDProgress(QProgressBar* AProgress) : FProgress(AProgress) {}
  int32_t Max() const override;
  void SetMax(int32_t AValue) override;
  int32_t Min() const override;
  void SetMin(int32_t AValue) override;
  // A fresh bar reads as at its minimum. A position outside Min..Max is clamped: Qt would
  // ignore it and leave the bar where it was.
  int32_t Position() const override;
  void SetPosition(int32_t AValue) override;

private:
  QProgressBar* FProgress;
};

class TDCheckbox : public common::TDObject, public common::IDCondition {
public:
  explicit TDCheckbox(QCheckBox* ACheckbox) : FCheckbox(ACheckbox) {}
  bool Checked() const override;
  void SetChecked(bool AChecked) override;

private:
  QCheckBox* FCheckbox;
};

class TDRadioButton : public common::TDObject, public common::IDCondition {
public:
  explicit TDRadioButton(QRadioButton* ARadio) : FRadio(ARadio) {}
  bool Checked() const override;
  void SetChecked(bool AChecked) override;

private:
  QRadioButton* FRadio;
};

// Turns "Description|*.a;*.b|..." into Qt name filters ("Description (*.a *.b)"). "*.*" becomes
// "*": here it would otherwise hide every file without a dot in its name.
QStringList ToQtNameFilters(std::u16string_view AFilter);

class TDOpenFileDialog : public common::TDObject, public common::IDFileDialog {
public:
  explicit TDOpenFileDialog(QWidget* AParent = nullptr);
  ~TDOpenFileDialog() override;

  std::u16string FileName() const override { return FFileName; }
  void SetFileName(const std::u16string& AFileName) override { FFileName = AFileName; }
  std::u16string Filter() const override { return FFilter; }
  void SetFilter(const std::u16string& AFilter) override { FFilter = AFilter; }
  common::TStringList Files() const override { return FFiles; }
  // Shows the dialog modally. On confirmation FileName is the first file picked and Files all
  // of them; on cancel nothing changes.
  bool Execute() override;

  common::TDFileDialogOptions Options() const { return FOptions; }
  void SetOptions(common::TDFileDialogOptions AOptions) { FOptions = AOptions; }
  const std::u16string& Title() const { return FTitle; }
  void SetTitle(const std::u16string& ATitle) { FTitle = ATitle; }
  QFileDialog* Dialog() const { return FDialog.get(); }

private:
  std::unique_ptr<QFileDialog> FDialog;
  std::u16string FFileName;
  std::u16string FFilter;
  std::u16string FTitle;
  common::TStringList FFiles;
  common::TDFileDialogOptions FOptions;
};

// The folder picker behind common::TDDirDialog: Qt's directory chooser over AParent.
common::TDFolderPicker QtFolderPicker(QWidget* AParent);
std::unique_ptr<common::TDDirDialog> CreateDirDialog(QWidget* AParent);

// The caption of a markup label as a text control; the text is markup.
class TDHtmlLabel : public common::TDObject, public common::IDText {
public:
  explicit TDHtmlLabel(THtmlLabel* ALabel) : FLabel(ALabel) {}
  void SetText(const std::u16string& AText) override;
  std::u16string Text() const override;

private:
  THtmlLabel* FLabel;
};

// Maps Qt classes to wrappers; a subclass counts as its Qt base class. Unknown classes raise
// EUnknownWrap "No wrapper for class <Qt class name>".
class TDVCLWrapper : public TDWrapper {
protected:
  std::unique_ptr<common::TDObject> WrapText(QObject* AWidget) override;
  std::unique_ptr<common::TDObject> WrapTable(QObject* AWidget) override;
  std::unique_ptr<common::TDObject> WrapList(QObject* AWidget) override;
  std::unique_ptr<common::TDObject> WrapAction(QObject* AWidget) override;
  std::unique_ptr<common::TDObject> WrapLog(QObject* AWidget) override;
  std::unique_ptr<common::TDObject> WrapProgress(QObject* AWidget) override;
  std::unique_ptr<common::TDObject> WrapCondition(QObject* AWidget) override;
};

std::unique_ptr<TDWrapper> CreateVCLWrapper();

}  // namespace tess::gui
