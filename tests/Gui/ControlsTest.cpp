// The Qt wrappers keeping their widgets in step with rows and items, and carrying selection back.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "App/Gui/uVCLControls.h"
#include "Shared/Components/uHtmlLabel.h"

namespace tess::gui {
namespace {

using common::TDGUIItem;
using common::TDGUIRow;

QIcon Swatch(Qt::GlobalColor AColor) {
  QPixmap pixmap(16, 16);
  pixmap.fill(AColor);
  return QIcon(pixmap);
}

// A report list view as the main window builds it: five columns, whole-row multi-selection.
class ListView : public ::testing::Test {
protected:
  ListView() {
    Tree.setColumnCount(5);
    Tree.setHeaderLabels({"File", "Status", "Size", "Format", "Path"});
    Tree.headerItem()->setData(1, ImageIndexRole, 2);
    Tree.setSelectionMode(QAbstractItemView::ExtendedSelection);
    Tree.setSelectionBehavior(QAbstractItemView::SelectRows);
    SetSmallImages(&Tree, {Swatch(Qt::green), Swatch(Qt::red), Swatch(Qt::gray), Swatch(Qt::blue)});
    View = std::make_unique<TDListView>(&Tree);
    View->SetUserSelectItem([this](QTreeWidgetItem* AEntry, bool ASelected) {
      Events.push_back((ASelected ? "+" : "-") + AEntry->text(0).toStdString());
    });
  }

  TDGUIRow& AddRow(const std::u16string& AName) {
    TDGUIRow& row = View->Rows().Add();
    row.Items(0).SetCaption(AName);
    return row;
  }

  // What the user does with a click: the view's selection model changes.
  void UserSelects(int AIndex, QItemSelectionModel::SelectionFlags AFlags) {
    Tree.selectionModel()->select(Tree.model()->index(AIndex, 0), AFlags | QItemSelectionModel::Rows);
  }

  QTreeWidget Tree;
  std::unique_ptr<TDListView> View;
  std::vector<std::string> Events;
};

TEST_F(ListView, ReadsItsColumnsFromTheHeader) {
  ASSERT_EQ(View->Columns().Count(), 5);
  EXPECT_EQ(View->Columns().Items(0).Caption(), u"File");
  EXPECT_EQ(View->Columns().Items(4).Caption(), u"Path");
  EXPECT_EQ(View->Columns().Items(4).Id(), 4);
  EXPECT_EQ(View->Columns().Items(0).ImageIndex(), -1);
  EXPECT_EQ(View->Columns().Items(1).ImageIndex(), 2);
}

TEST_F(ListView, ShowsCellZeroAsCaptionAndCellsOneToFourAsSubItemsWithTheirImages) {
  TDGUIRow& row = View->Rows().Add();
  row.SetImageIndex(3);
  const char16_t* captions[] = {u"Main.dfm", u"Applied", u"1 KB", u"Text", u"/home/u"};
  for (int32_t i = 0; i < 5; ++i) row.Items(i).SetCaption(captions[i]);
  row.Items(1).SetImageIndex(0);
  ASSERT_EQ(Tree.topLevelItemCount(), 1);
  QTreeWidgetItem* entry = Tree.topLevelItem(0);
  EXPECT_EQ(entry->text(0), QStringLiteral("Main.dfm"));
  EXPECT_EQ(entry->data(0, ImageIndexRole).toInt(), 3);
  EXPECT_FALSE(entry->icon(0).isNull());
  EXPECT_EQ(entry->text(1), QStringLiteral("Applied"));
  EXPECT_EQ(entry->data(1, ImageIndexRole).toInt(), 0);
  EXPECT_FALSE(entry->icon(1).isNull());
  EXPECT_EQ(entry->text(4), QStringLiteral("/home/u"));
  EXPECT_EQ(entry->data(4, ImageIndexRole).toInt(), -1);
  EXPECT_TRUE(entry->icon(4).isNull());
  // An image outside the list shows nothing rather than failing.
  row.Items(2).SetImageIndex(17);
  EXPECT_TRUE(entry->icon(2).isNull());
}

TEST_F(ListView, KeepsEntriesInStepWithRowsAddedChangedAndDeleted) {
  AddRow(u"a");
  AddRow(u"b");
  AddRow(u"c");
  View->Rows().Items(1).Items(1).SetCaption(u"Error");
  EXPECT_EQ(Tree.topLevelItem(1)->text(1), QStringLiteral("Error"));
  View->Rows().Delete(0);
  ASSERT_EQ(Tree.topLevelItemCount(), 2);
  EXPECT_EQ(Tree.topLevelItem(0)->text(0), QStringLiteral("b"));
  // The deleted row's entry is gone, and the remaining rows still reach their own entries.
  View->Rows().Items(1).Items(0).SetCaption(u"c2");
  EXPECT_EQ(Tree.topLevelItem(1)->text(0), QStringLiteral("c2"));
  View->Rows().Clear();
  EXPECT_EQ(Tree.topLevelItemCount(), 0);
}

TEST_F(ListView, AUserSelectionSetsTheRowOnceWithoutASecondEvent) {
  AddRow(u"a");
  TDGUIRow& b = AddRow(u"b");
  UserSelects(1, QItemSelectionModel::ClearAndSelect);
  EXPECT_TRUE(b.Selected());
  EXPECT_TRUE(Tree.topLevelItem(1)->isSelected());
  EXPECT_EQ(Events, (std::vector<std::string>{"+b"}));
  UserSelects(0, QItemSelectionModel::ClearAndSelect);
  EXPECT_FALSE(b.Selected());
  EXPECT_TRUE(View->Rows().Items(0).Selected());
  EXPECT_EQ(Events, (std::vector<std::string>{"+b", "-b", "+a"}));
  EXPECT_EQ(View->Rows().SelectedCount(), 1);
}

TEST_F(ListView, SelectingARowInCodeSelectsTheEntryButIsNoUserEvent) {
  AddRow(u"a");
  TDGUIRow& b = AddRow(u"b");
  b.SetSelected(true);
  EXPECT_TRUE(Tree.topLevelItem(1)->isSelected());
  b.SetSelected(false);
  EXPECT_FALSE(Tree.topLevelItem(1)->isSelected());
  EXPECT_TRUE(Events.empty());
}

TEST_F(ListView, DeletingOrClearingSelectedRowsReportsNoUserDeselection) {
  AddRow(u"a");
  AddRow(u"b");
  AddRow(u"c");
  Tree.selectAll();
  Events.clear();
  View->Rows().Delete(1);
  EXPECT_TRUE(Events.empty());
  EXPECT_EQ(View->Rows().SelectedCount(), 2);
  View->Rows().Clear();
  EXPECT_TRUE(Events.empty());
  EXPECT_EQ(Tree.topLevelItemCount(), 0);
}

TEST_F(ListView, UpdatesNestAndRepaintingResumesAtTheOutermostEnd) {
  View->BeginUpdate();
  View->BeginUpdate();
  EXPECT_FALSE(Tree.updatesEnabled());
  View->EndUpdate();
  EXPECT_FALSE(Tree.updatesEnabled());
  View->EndUpdate();
  EXPECT_TRUE(Tree.updatesEnabled());
}

TEST_F(ListView, TheTreeOutlivingItsWrapperIgnoresLaterSelections) {
  AddRow(u"a");
  View.reset();
  UserSelects(0, QItemSelectionModel::ClearAndSelect);
  EXPECT_TRUE(Tree.topLevelItem(0)->isSelected());
}

class Combobox : public ::testing::Test {
protected:
  Combobox() : List(&Combo) {
    QObject::connect(&Combo, &QComboBox::activated, [this](int AIndex) { Activated.push_back(AIndex); });
    QObject::connect(&Combo, &QComboBox::currentIndexChanged, [this](int) { ++IndexChanges; });
  }
  TDGUIItem& Add(const std::u16string& ACaption) {
    TDGUIItem& item = List.Items().Add();
    item.SetCaption(ACaption);
    return item;
  }

  QComboBox Combo;
  TDCombobox List;
  std::vector<int> Activated;
  int IndexChanges = 0;
};

TEST_F(Combobox, KeepsEntriesInStepWithItems) {
  TDGUIItem& a = Add(u"Binary to text");
  TDGUIItem& b = Add(u"Text to binary");
  Add(u"Mine");
  ASSERT_EQ(Combo.count(), 3);
  EXPECT_EQ(Combo.itemText(1), QStringLiteral("Text to binary"));
  b.SetCaption(u"Renamed");
  EXPECT_EQ(Combo.itemText(1), QStringLiteral("Renamed"));
  List.Items().Remove(&a);
  ASSERT_EQ(Combo.count(), 2);
  EXPECT_EQ(Combo.itemText(0), QStringLiteral("Renamed"));
  List.Items().Clear();
  EXPECT_EQ(Combo.count(), 0);
  EXPECT_TRUE(Activated.empty());
}

TEST_F(Combobox, SelectionIsNoneUntilChosenAndIsSetWithoutTheChangeHandler) {
  Add(u"a");
  TDGUIItem& b = Add(u"b");
  EXPECT_EQ(List.Selected(), nullptr);
  EXPECT_EQ(Combo.currentIndex(), -1);
  const int changesBefore = IndexChanges;
  List.SetSelected(&b);
  EXPECT_EQ(List.Selected(), &b);
  EXPECT_EQ(Combo.currentIndex(), 1);
  TDGUIItem foreign;
  List.SetSelected(&foreign);
  EXPECT_EQ(List.Selected(), nullptr);
  EXPECT_TRUE(Activated.empty());
  EXPECT_EQ(IndexChanges, changesBefore);
}

TEST_F(Combobox, RemovingTheChosenItemLeavesNothingChosenAndOthersKeepTheirChoice) {
  TDGUIItem& a = Add(u"a");
  TDGUIItem& b = Add(u"b");
  TDGUIItem& c = Add(u"c");
  List.SetSelected(&b);
  List.Items().Remove(&b);
  EXPECT_EQ(List.Selected(), nullptr);
  List.SetSelected(&c);
  List.Items().Remove(&a);
  EXPECT_EQ(List.Selected(), &c);
  EXPECT_TRUE(Activated.empty());
}

TEST_F(Combobox, AUserPickReadsBackAsTheItem) {
  Add(u"a");
  TDGUIItem& b = Add(u"b");
  Combo.setCurrentIndex(1);
  EXPECT_EQ(List.Selected(), &b);
}

TEST_F(Combobox, ConditionChecksByMovingToItsIndexAndRunningTheHandlerOnlyThen) {
  Add(u"never");
  Add(u"always");
  TDComboboxCondition condition(&Combo, 1);
  Combo.setCurrentIndex(0);
  EXPECT_FALSE(condition.Checked());
  condition.SetChecked(false);
  EXPECT_EQ(Combo.currentIndex(), 0);
  EXPECT_TRUE(Activated.empty());
  condition.SetChecked(true);
  EXPECT_EQ(Combo.currentIndex(), 1);
  EXPECT_TRUE(condition.Checked());
  EXPECT_EQ(Activated, (std::vector<int>{1}));
  condition.SetChecked(true);
  condition.SetChecked(false);
  EXPECT_EQ(Combo.currentIndex(), 1);
  EXPECT_EQ(Activated, (std::vector<int>{1}));
}

TEST(Memo, TextUsesCrLfAndTheLogAppendsWholeLines) {
  QPlainTextEdit memo;
  TDMemo wrapper(&memo);
  EXPECT_EQ(wrapper.Text(), u"");
  wrapper.Add(u"one");
  wrapper.Add(u"");
  wrapper.Add(u"three");
  EXPECT_EQ(wrapper.Text(), u"one\r\n\r\nthree");
  wrapper.SetText(u"x\r\ny");
  EXPECT_EQ(memo.blockCount(), 2);
  EXPECT_EQ(wrapper.Text(), u"x\r\ny");
  wrapper.Clear();
  EXPECT_EQ(wrapper.Text(), u"");
  wrapper.Add(u"after clear");
  EXPECT_EQ(wrapper.Text(), u"after clear");
  wrapper.Clear();
  wrapper.Add(u"");
  wrapper.Add(u"second");
  EXPECT_EQ(memo.blockCount(), 2);
  EXPECT_EQ(wrapper.Text(), u"\r\nsecond");
}

TEST(Action, ExecutesOnlyWhenEnabled) {
  QAction action;
  int runs = 0;
  QObject::connect(&action, &QAction::triggered, [&] { ++runs; });
  TDAction wrapper(&action);
  wrapper.Execute();
  wrapper.SetEnabled(false);
  EXPECT_FALSE(action.isEnabled());
  wrapper.Execute();
  EXPECT_EQ(runs, 1);
}

TEST(Progress, StartsAtItsMinimumAndClampsPositions) {
  QProgressBar bar;
  TDProgress progress(&bar);
  progress.SetMin(0);
  progress.SetMax(10);
  EXPECT_EQ(progress.Position(), 0);
  progress.SetPosition(4);
  EXPECT_EQ(bar.value(), 4);
  progress.SetPosition(12);
  EXPECT_EQ(progress.Position(), 10);
  progress.SetPosition(-3);
  EXPECT_EQ(progress.Position(), 0);
}

TEST(Conditions, RadioButtonsOfOneGroupUncheckEachOther) {
  QWidget group;
  auto* first = new QRadioButton(&group);
  auto* second = new QRadioButton(&group);
  TDRadioButton a(first), b(second);
  a.SetChecked(true);
  b.SetChecked(true);
  EXPECT_FALSE(a.Checked());
  EXPECT_TRUE(b.Checked());
  QCheckBox box;
  TDCheckbox check(&box);
  check.SetChecked(true);
  EXPECT_TRUE(box.isChecked());
}

TEST(FileDialogFilter, BecomesQtNameFiltersWithoutRepeatingTheMasks) {
  EXPECT_EQ(ToQtNameFilters(u"Delphi Form Files (*.dfm)|*.dfm|All Files (*.*)|*.*"),
            (QStringList{"Delphi Form Files (*.dfm)", "All Files (*)"}));
  EXPECT_EQ(ToQtNameFilters(u"Forms|*.dfm;*.DFM|Lonely"), (QStringList{"Forms (*.dfm *.DFM)", "Lonely (*)"}));
  EXPECT_TRUE(ToQtNameFilters(u"").isEmpty());
}

TEST(FileDialog, KeepsItsOptionsFilterAndNameAndHasNoFilesBeforeAPick) {
  TDOpenFileDialog dialog;
  dialog.SetOptions({common::TDFileDialogOption::ofAllowMultiSelect});
  dialog.SetFilter(u"A|*.a");
  dialog.SetFileName(u"x.a");
  EXPECT_TRUE(dialog.Options().Contains(common::TDFileDialogOption::ofAllowMultiSelect));
  EXPECT_EQ(dialog.Filter(), u"A|*.a");
  EXPECT_EQ(dialog.FileName(), u"x.a");
  EXPECT_TRUE(dialog.Files().empty());
}

}  // namespace
}  // namespace tess::gui

namespace tess::gui {
namespace {

// The dialog runs modally; the timer plays the user once it is up.
class FileDialogRun : public ::testing::Test {
protected:
  FileDialogRun() {
    for (const char* name : {"a.dfm", "b.dfm", "c.txt"}) {
      QFile file(Folder.filePath(name));
      file.open(QIODevice::WriteOnly);
    }
    Dialog.SetFilter(u"Delphi Form Files (*.dfm)|*.dfm|All Files (*.*)|*.*");
  }
  void UserDoes(std::function<void(QFileDialog&)> AAction) {
    QTimer::singleShot(0, [this, AAction] { AAction(*Dialog.Dialog()); });
  }

  QTemporaryDir Dir;
  QDir Folder{Dir.path()};
  TDOpenFileDialog Dialog;
};

TEST_F(FileDialogRun, MultiSelectReturnsEveryPickedFileAndTheFirstAsFileName) {
  Dialog.SetOptions({common::TDFileDialogOption::ofAllowMultiSelect});
  UserDoes([this](QFileDialog& ADialog) {
    ADialog.setDirectory(Dir.path());
    ADialog.selectFile(QStringLiteral("\"a.dfm\" \"b.dfm\""));
    QMetaObject::invokeMethod(&ADialog, "accept");
  });
  ASSERT_TRUE(Dialog.Execute());
  EXPECT_EQ(Dialog.Dialog()->fileMode(), QFileDialog::ExistingFiles);
  EXPECT_EQ(Dialog.Dialog()->nameFilters(), (QStringList{"Delphi Form Files (*.dfm)", "All Files (*)"}));
  const common::TStringList files = Dialog.Files();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0], FromQString(Folder.filePath("a.dfm")));
  EXPECT_EQ(files[1], FromQString(Folder.filePath("b.dfm")));
  EXPECT_EQ(Dialog.FileName(), files[0]);
}

TEST_F(FileDialogRun, CancelReturnsFalseAndKeepsTheLastPick) {
  UserDoes([this](QFileDialog& ADialog) {
    ADialog.setDirectory(Dir.path());
    ADialog.selectFile(QStringLiteral("a.dfm"));
    QMetaObject::invokeMethod(&ADialog, "accept");
  });
  ASSERT_TRUE(Dialog.Execute());
  EXPECT_EQ(Dialog.Dialog()->fileMode(), QFileDialog::ExistingFile);
  UserDoes([](QFileDialog& ADialog) { ADialog.reject(); });
  EXPECT_FALSE(Dialog.Execute());
  ASSERT_EQ(Dialog.Files().size(), 1u);
  EXPECT_EQ(Dialog.FileName(), FromQString(Folder.filePath("a.dfm")));
}

TEST(HtmlLabelText, IsTheCaptionAsStored) {
  THtmlLabel label;
  TDHtmlLabel text(&label);
  text.SetText(u"<b>Done</b> 3 files");
  EXPECT_EQ(label.Caption(), u"<b>Done</b> 3 files");
  EXPECT_EQ(text.Text(), u"<b>Done</b> 3 files");
  EXPECT_EQ(label.Renderer().Chunks().size(), 4u);  // "Done", " ", "3 ", "files"
}

}  // namespace
}  // namespace tess::gui
