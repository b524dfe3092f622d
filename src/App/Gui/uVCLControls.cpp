#include "App/Gui/uVCLControls.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeWidget>

#include <algorithm>

#include "Shared/Components/uHtmlLabel.h"

namespace tess::gui {

using common::TDGUIItem;
using common::TDGUIRow;
using common::TDObject;

QString ToQString(const std::u16string& AText) {
  return QString(reinterpret_cast<const QChar*>(AText.data()), static_cast<qsizetype>(AText.size()));
}

std::u16string FromQString(const QString& AText) {
  return std::u16string(reinterpret_cast<const char16_t*>(AText.utf16()), static_cast<size_t>(AText.size()));
}

// ---- Buttoned edit

TButtonedEdit::TButtonedEdit(QWidget* AParent)
    : QWidget(AParent), FEdit(new QLineEdit(this)), FButton(new QToolButton(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(FEdit, 1);
  layout->addWidget(FButton);
  FButton->setText(QStringLiteral("..."));
  FButton->setFocusPolicy(Qt::NoFocus);
  connect(FButton, &QToolButton::clicked, this, &TButtonedEdit::ButtonClicked);
  setFocusProxy(FEdit);
}

// ---- Image lists

namespace {
constexpr const char* SmallImagesProperty = "tessSmallImages";
}

void SetSmallImages(QWidget* AView, const QList<QIcon>& AImages) {
  AView->setProperty(SmallImagesProperty, QVariant::fromValue(AImages));
}

QList<QIcon> SmallImages(const QWidget* AView) { return AView->property(SmallImagesProperty).value<QList<QIcon>>(); }

// ---- Text

void TDEdit::SetText(const std::u16string& AText) { FEdit->setText(ToQString(AText)); }
std::u16string TDEdit::Text() const { return FromQString(FEdit->text()); }

void TDButtonedEdit::SetText(const std::u16string& AText) { FEdit->Edit()->setText(ToQString(AText)); }
std::u16string TDButtonedEdit::Text() const { return FromQString(FEdit->Edit()->text()); }

namespace {

// Qt keeps memo lines apart with "\n"; the core's text uses CR LF.
QString ToMemoText(const std::u16string& AText) {
  return ToQString(common::JoinMemoLines(common::SplitMemoLines(AText)))
      .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

}  // namespace

void TDMemo::SetText(const std::u16string& AText) {
  FMemo->setPlainText(ToMemoText(AText));
  FOneEmptyLine = false;
}

std::u16string TDMemo::Text() const {
  return common::JoinMemoLines(common::SplitMemoLines(FromQString(FMemo->toPlainText())));
}

void TDMemo::Add(const std::u16string& ALine) {
  // An empty memo has one empty block already; the first line goes into it rather than after
  // it. A memo holding one empty line looks just the same, hence the flag.
  // (Qt's append also writes into that block rather than after it.)
  const bool empty = FMemo->document()->isEmpty() && !FOneEmptyLine;
  if (empty)
    FMemo->setPlainText(ToMemoText(ALine));
  else if (FOneEmptyLine)
    FMemo->setPlainText(QStringLiteral("\n") + ToMemoText(ALine));
  else
    FMemo->appendPlainText(ToMemoText(ALine));
  FOneEmptyLine = empty && ALine.empty();
}

void TDMemo::Clear() {
  FMemo->clear();
  FOneEmptyLine = false;
}

// ---- List view

namespace {

int ImageIndexOf(const QTreeWidgetItem* AItem, int AColumn) {
  const QVariant value = AItem->data(AColumn, ImageIndexRole);
  return value.isValid() ? value.toInt() : -1;
}

TDGUIRow* RowOf(const QTreeWidgetItem* AEntry) {
  return static_cast<TDGUIRow*>(AEntry->data(0, Qt::UserRole).value<void*>());
}

// Every write to an entry makes the tree look the entry up, which takes longer the further down
// it is; writing only what differs keeps a status change on a long file table cheap.
void ShowText(QTreeWidgetItem* AEntry, int AColumn, const QString& AText) {
  if (AEntry->text(AColumn) != AText) AEntry->setText(AColumn, AText);
}

void ShowImage(QTreeWidgetItem* AEntry, int AColumn, int32_t AIndex, const QList<QIcon>& AImages) {
  const QVariant shown = AEntry->data(AColumn, ImageIndexRole);
  if (shown.isValid() && shown.toInt() == AIndex) return;
  AEntry->setData(AColumn, ImageIndexRole, AIndex);
  const bool hasImage = AIndex >= 0 && AIndex < AImages.size();
  if (hasImage || !AEntry->icon(AColumn).isNull()) AEntry->setIcon(AColumn, hasImage ? AImages[AIndex] : QIcon());
}

}  // namespace

TDListView::TDListView(QTreeWidget* AList) : FList(AList) {
  const QTreeWidgetItem* header = FList->headerItem();
  for (int i = 0; i < FList->columnCount(); ++i) {
    common::TDGUIColumn& column = Columns().Add();
    column.SetCaption(FromQString(header->text(i)));
    column.SetImageIndex(ImageIndexOf(header, i));
  }
  FSelectionConnection = QObject::connect(FList->selectionModel(), &QItemSelectionModel::selectionChanged,
                                          [this](const QItemSelection& ASelected, const QItemSelection& ADeselected) {
                                            SelectionChanged(ASelected, ADeselected);
                                          });
}

TDListView::~TDListView() {
  // The rows die with the wrapper; the tree (and its entries) may outlive it.
  QObject::disconnect(FSelectionConnection);
}

QTreeWidgetItem* TDListView::AppendEntry() { return new QTreeWidgetItem(FList); }

void TDListView::ShowLine(QTreeWidgetItem* AEntry, TDGUIRow* ARow, const common::TDTableLine& ALine) {
  const QList<QIcon> images = SmallImages(FList);
  if (RowOf(AEntry) != ARow) AEntry->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(ARow)));
  ShowText(AEntry, 0, ToQString(ALine.Caption));
  if (FList->property(CheckBoxesProperty).toBool()) {
    const Qt::CheckState state = ALine.Checked ? Qt::Checked : Qt::Unchecked;
    if (AEntry->checkState(0) != state || !AEntry->data(0, Qt::CheckStateRole).isValid())
      AEntry->setCheckState(0, state);
  }
  ShowImage(AEntry, 0, ALine.ImageIndex, images);
  const int columns = std::max(FList->columnCount(), static_cast<int>(ALine.SubItems.size()) + 1);
  for (int column = 1; column < columns; ++column) {
    const size_t sub = static_cast<size_t>(column - 1);
    if (sub < ALine.SubItems.size()) {
      ShowText(AEntry, column, ToQString(ALine.SubItems[sub].Caption));
      ShowImage(AEntry, column, ALine.SubItems[sub].ImageIndex, images);
    } else {
      ShowText(AEntry, column, QString());
      ShowImage(AEntry, column, -1, images);
    }
  }
  if (AEntry->isSelected() != ALine.Selected) AEntry->setSelected(ALine.Selected);
}

void TDListView::DeleteEntry(QTreeWidgetItem* AEntry) {
  FDeleting = true;
  delete AEntry;
  FDeleting = false;
}

void TDListView::ClearEntries() {
  FDeleting = true;
  FList->clear();
  FDeleting = false;
}

void TDListView::SetRepainting(bool AEnabled) { FList->setUpdatesEnabled(AEnabled); }

void TDListView::SelectionChanged(const QItemSelection& ASelected, const QItemSelection& ADeselected) {
  if (FDeleting) return;
  Report(ADeselected, false);
  Report(ASelected, true);
}

void TDListView::Report(const QItemSelection& ARanges, bool ASelected) {
  for (const QModelIndex& index : ARanges.indexes()) {
    // A whole-row selection reports every column of the line; the line counts once.
    if (index.column() != 0) continue;
    QTreeWidgetItem* entry = FList->itemFromIndex(index);
    if (entry == nullptr) continue;
    EntrySelected(entry, RowOf(entry), ASelected);
  }
}

// ---- Drop-down list

namespace {

TDGUIItem* ItemOfEntry(const QComboBox* ACombo, int AIndex) {
  return static_cast<TDGUIItem*>(ACombo->itemData(AIndex).value<void*>());
}

}  // namespace

int32_t TDCombobox::EntryCount() const { return FCombo->count(); }

TDGUIItem* TDCombobox::EntryItem(int32_t AIndex) const { return ItemOfEntry(FCombo, AIndex); }

void TDCombobox::AppendEntry(const std::u16string& ACaption, TDGUIItem* AItem) {
  const QSignalBlocker blocker(FCombo);
  // Qt makes the first entry of an empty list current by itself; nothing is chosen until the
  // user or the controller chooses.
  const int current = FCombo->currentIndex();
  FCombo->addItem(ToQString(ACaption), QVariant::fromValue(static_cast<void*>(AItem)));
  if (FCombo->currentIndex() != current) FCombo->setCurrentIndex(current);
}

void TDCombobox::SetEntry(int32_t AIndex, const std::u16string& ACaption, TDGUIItem* AItem) {
  FCombo->setItemText(AIndex, ToQString(ACaption));
  FCombo->setItemData(AIndex, QVariant::fromValue(static_cast<void*>(AItem)));
}

void TDCombobox::DeleteEntry(int32_t AIndex) {
  const QSignalBlocker blocker(FCombo);
  // Removing the current entry leaves nothing chosen; Qt would quietly choose a neighbour,
  // which the controller would then take for the user's choice.
  const bool wasCurrent = FCombo->currentIndex() == AIndex;
  FCombo->removeItem(AIndex);
  if (wasCurrent) FCombo->setCurrentIndex(-1);
  FCombo->update();
}

void TDCombobox::ClearEntries() {
  const QSignalBlocker blocker(FCombo);
  FCombo->clear();
}

int32_t TDCombobox::CurrentIndex() const { return FCombo->currentIndex(); }

void TDCombobox::SetCurrentIndex(int32_t AIndex) {
  // Blocked so that no handler a window hung on the index signals mistakes this for a pick.
  const QSignalBlocker blocker(FCombo);
  FCombo->setCurrentIndex(AIndex >= 0 && AIndex < FCombo->count() ? AIndex : -1);
}

int32_t TDComboboxCondition::CurrentIndex() const { return FCombo->currentIndex(); }

void TDComboboxCondition::SetCurrentIndex(int32_t AIndex) {
  const QSignalBlocker blocker(FCombo);
  FCombo->setCurrentIndex(AIndex);
}

void TDComboboxCondition::InvokeChange() {
  // Only when the move took: an index beyond the entries leaves nothing picked to announce.
  if (FCombo->currentIndex() == Index()) emit FCombo->activated(Index());
}

// ---- Action, progress, conditions

void TDAction::Execute() { FAction->trigger(); }
bool TDAction::Enabled() const { return FAction->isEnabled(); }
void TDAction::SetEnabled(bool AEnabled) { FAction->setEnabled(AEnabled); }

int32_t TDProgress::Max() const { return FProgress->maximum(); }
void TDProgress::SetMax(int32_t AValue) { FProgress->setMaximum(AValue); }
int32_t TDProgress::Min() const { return FProgress->minimum(); }
void TDProgress::SetMin(int32_t AValue) { FProgress->setMinimum(AValue); }
int32_t TDProgress::Position() const { return std::max(FProgress->value(), FProgress->minimum()); }
void TDProgress::SetPosition(int32_t AValue) {
  FProgress->setValue(std::clamp(AValue, FProgress->minimum(), FProgress->maximum()));
}

bool TDCheckbox::Checked() const { return FCheckbox->isChecked(); }
void TDCheckbox::SetChecked(bool AChecked) { FCheckbox->setChecked(AChecked); }

bool TDRadioButton::Checked() const { return FRadio->isChecked(); }
void TDRadioButton::SetChecked(bool AChecked) { FRadio->setChecked(AChecked); }

// ---- File dialogs

QStringList ToQtNameFilters(std::u16string_view AFilter) {
  QStringList filters;
  for (const common::TDFileFilter& filter : common::SplitFileFilter(AFilter)) {
    QStringList masks;
    for (const std::u16string& mask : filter.Masks) masks << (mask == u"*.*" ? QStringLiteral("*") : ToQString(mask));
    if (masks.isEmpty()) masks << QStringLiteral("*");
    // Qt reads the masks from the last parenthesised group, so the description's own "(*.dfm)"
    // would be shown twice if the masks were simply appended.
    QString description = ToQString(filter.Description).trimmed();
    const qsizetype open = description.lastIndexOf(u'(');
    if (open >= 0 && description.endsWith(u')')) description = description.left(open).trimmed();
    if (description.isEmpty()) description = masks.join(u' ');
    filters << QStringLiteral("%1 (%2)").arg(description, masks.join(u' '));
  }
  return filters;
}

TDOpenFileDialog::TDOpenFileDialog(QWidget* AParent) : FDialog(std::make_unique<QFileDialog>(AParent)) {}

TDOpenFileDialog::~TDOpenFileDialog() = default;

bool TDOpenFileDialog::Execute() {
  using common::TDFileDialogOption;
  QFileDialog& dialog = *FDialog;
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(FOptions.Contains(TDFileDialogOption::ofAllowMultiSelect) ? QFileDialog::ExistingFiles
                                                                               : QFileDialog::ExistingFile);
  dialog.setOption(QFileDialog::ReadOnly, FOptions.Contains(TDFileDialogOption::ofReadOnly));
  dialog.setOption(QFileDialog::DontResolveSymlinks, FOptions.Contains(TDFileDialogOption::ofNoDereferenceLinks));
  QDir::Filters entries = dialog.filter();
  entries.setFlag(QDir::Hidden, FOptions.Contains(TDFileDialogOption::ofForceShowHidden));
  dialog.setFilter(entries);
  dialog.setWindowTitle(FTitle.empty() ? QStringLiteral("Open") : ToQString(FTitle));
  const QStringList filters = ToQtNameFilters(FFilter);
  dialog.setNameFilters(filters.isEmpty() ? QStringList{QStringLiteral("All Files (*)")} : filters);
  if (!FFileName.empty()) dialog.selectFile(ToQString(FFileName));
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList picked = dialog.selectedFiles();
  if (picked.isEmpty()) return false;
  FFiles.clear();
  for (const QString& file : picked) FFiles.push_back(FromQString(file));
  FFileName = FFiles.front();
  return true;
}

common::TDFolderPicker QtFolderPicker(QWidget* AParent) {
  return
      [AParent](const std::u16string& ACaption, const std::u16string& AInitialPath) -> std::optional<std::u16string> {
        const QString chosen = QFileDialog::getExistingDirectory(AParent, ToQString(ACaption), ToQString(AInitialPath),
                                                                 QFileDialog::ShowDirsOnly);
        if (chosen.isEmpty()) return std::nullopt;
        return FromQString(chosen);
      };
}

std::unique_ptr<common::TDDirDialog> CreateDirDialog(QWidget* AParent) {
  return std::make_unique<common::TDDirDialog>(QtFolderPicker(AParent));
}

// ---- Markup label

void TDHtmlLabel::SetText(const std::u16string& AText) { FLabel->SetCaption(AText); }
std::u16string TDHtmlLabel::Text() const { return FLabel->Caption(); }

// ---- Factory

namespace {

[[noreturn]] void Unknown(const QObject* AWidget) {
  throw common::EUnknownWrap::ForClass(FromQString(QString::fromLatin1(AWidget->metaObject()->className())));
}

}  // namespace

std::unique_ptr<TDObject> TDVCLWrapper::WrapText(QObject* AWidget) {
  if (auto* memo = qobject_cast<QPlainTextEdit*>(AWidget)) return std::make_unique<TDMemo>(memo);
  if (auto* edit = qobject_cast<QLineEdit*>(AWidget)) return std::make_unique<TDEdit>(edit);
  if (auto* edit = qobject_cast<TButtonedEdit*>(AWidget)) return std::make_unique<TDButtonedEdit>(edit);
  Unknown(AWidget);
}

std::unique_ptr<TDObject> TDVCLWrapper::WrapTable(QObject* AWidget) {
  if (auto* list = qobject_cast<QTreeWidget*>(AWidget)) return std::make_unique<TDListView>(list);
  Unknown(AWidget);
}

std::unique_ptr<TDObject> TDVCLWrapper::WrapList(QObject* AWidget) {
  if (auto* combo = qobject_cast<QComboBox*>(AWidget)) return std::make_unique<TDCombobox>(combo);
  Unknown(AWidget);
}

std::unique_ptr<TDObject> TDVCLWrapper::WrapAction(QObject* AWidget) {
  if (auto* action = qobject_cast<QAction*>(AWidget)) return std::make_unique<TDAction>(action);
  Unknown(AWidget);
}

std::unique_ptr<TDObject> TDVCLWrapper::WrapLog(QObject* AWidget) {
  if (auto* memo = qobject_cast<QPlainTextEdit*>(AWidget)) return std::make_unique<TDMemo>(memo);
  Unknown(AWidget);
}

std::unique_ptr<TDObject> TDVCLWrapper::WrapProgress(QObject* AWidget) {
  if (auto* progress = qobject_cast<QProgressBar*>(AWidget)) return std::make_unique<TDProgress>(progress);
  Unknown(AWidget);
}

std::unique_ptr<TDObject> TDVCLWrapper::WrapCondition(QObject* AWidget) {
  if (auto* checkbox = qobject_cast<QCheckBox*>(AWidget)) return std::make_unique<TDCheckbox>(checkbox);
  if (auto* radio = qobject_cast<QRadioButton*>(AWidget)) return std::make_unique<TDRadioButton>(radio);
  Unknown(AWidget);
}

std::unique_ptr<TDWrapper> CreateVCLWrapper() { return std::make_unique<TDVCLWrapper>(); }

}  // namespace tess::gui
