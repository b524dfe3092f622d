// The main window on its own: details pane, keys, selection commands, frames and its controls.
#include "App/Gui/uMainWindow.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Batch/uFilesC.h"
#include "Shared/Common/uGUIContainers.h"
#include "Shared/Components/uHtmlLabel.h"
#include "Support/RecordingMainC.h"

namespace tess::gui {
namespace {

class MainWindow : public ::testing::Test {
protected:
  MainWindow() {
    Window.SetController(&Controller);
    Window.show();
  }
  // Rows with a caption and the sub-items Status, Size, Format, Path.
  void AddRow(const std::u16string& AFile, const std::u16string& AStatus, const std::u16string& AFormat) {
    common::TDGUIRow& row = Window.Files()->Rows().Add();
    row.Items(0).SetCaption(AFile);
    row.Items(1).SetCaption(AStatus);
    row.Items(3).SetCaption(AFormat);
    row.Items(4).SetCaption(u"/forms");
  }
  std::vector<bool> Selection() {
    std::vector<bool> selected;
    for (int i = 0; i < Window.FilesTree()->topLevelItemCount(); ++i)
      selected.push_back(Window.FilesTree()->topLevelItem(i)->isSelected());
    return selected;
  }
  tess::testing::TRecordingMainC Controller;
  TMainForm Window;
};

// The contrast ratio of two colours as readability guidelines define it (1 to 21).
double Contrast(const QColor& AOne, const QColor& ATwo) {
  const auto luminance = [](const QColor& AColor) {
    const auto channel = [](double AValue) {
      return AValue <= 0.03928 ? AValue / 12.92 : std::pow((AValue + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(AColor.redF()) + 0.7152 * channel(AColor.greenF()) + 0.0722 * channel(AColor.blueF());
  };
  const double one = luminance(AOne), two = luminance(ATwo);
  return (std::max(one, two) + 0.05) / (std::min(one, two) + 0.05);
}

// Every word of the footer notice, the link included, reads on the bar behind it, and the link
// leads to the user guide shipped with the program.
TEST_F(MainWindow, TheFooterLinkReadsOnItsBarAndOpensTheUserGuide) {
  auto* footer = Window.findChild<QWidget*>(QStringLiteral("FooterBar"));
  ASSERT_NE(footer, nullptr);
  const QImage bar = footer->grab().toImage();
  // The bar's left margin holds no text.
  const QColor background = bar.pixelColor(1, bar.height() / 2);
  bool link = false;
  for (const THtmlRenderChunk& chunk : Window.SiteLink()->Renderer().Chunks()) {
    if (chunk.FText.find_first_not_of(u' ') == std::u16string::npos) continue;
    const uint32_t color = chunk.FFont.FColor;
    const QColor text(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
    EXPECT_GE(Contrast(text, background), 4.5) << QString::fromStdU16String(chunk.FText).toStdString();
    for (const THtmlNode* node = chunk.FNode; node != nullptr; node = node->Parent())
      link = link || node->FId == u"link:site";
  }
  EXPECT_TRUE(link);
  EXPECT_TRUE(SitePage().endsWith(QStringLiteral("/guide.md"))) << SitePage().toStdString();
  EXPECT_TRUE(QFileInfo::exists(SitePage())) << SitePage().toStdString();
}

TEST_F(MainWindow, DetailsPaneStartsCollapsedAndTogglesOpenThenFolded) {
  EXPECT_EQ(Window.DetailsHeight(), 24);
  EXPECT_EQ(Window.DetailsIconIndex(), 0);
  EXPECT_FALSE(Window.DetailsMemo()->isVisibleTo(&Window));
  QTest::mouseClick(Window.DetailsLabel(), Qt::LeftButton);
  EXPECT_EQ(Window.DetailsHeight(), 100);
  EXPECT_EQ(Window.DetailsIconIndex(), 1);
  EXPECT_TRUE(Window.DetailsMemo()->isVisibleTo(&Window));
  QTest::mouseClick(Window.DetailsLabel(), Qt::LeftButton);
  EXPECT_EQ(Window.DetailsHeight(), 20);
  EXPECT_EQ(Window.DetailsIconIndex(), 0);
  // Folded to 20, a click opens it again (at most 24 counts as closed).
  Window.ToggleDetails();
  EXPECT_EQ(Window.DetailsHeight(), 100);
}

TEST_F(MainWindow, DraggingTheGripUpEnlargesThePaneDownToItsMinimum) {
  Window.ToggleDetails();
  QWidget* grip = Window.findChild<QWidget*>(QStringLiteral("DetailsGrip"));
  ASSERT_NE(grip, nullptr);
  const QPoint middle = grip->rect().center();
  QTest::mousePress(grip, Qt::LeftButton, {}, middle);
  QMouseEvent up(QEvent::MouseMove, QPointF(middle - QPoint(0, 40)), grip->mapToGlobal(QPointF(middle - QPoint(0, 40))),
                 Qt::NoButton, Qt::LeftButton, {});
  QCoreApplication::sendEvent(grip, &up);
  EXPECT_EQ(Window.DetailsHeight(), 140);
  QMouseEvent down(QEvent::MouseMove, QPointF(middle + QPoint(0, 500)),
                   grip->mapToGlobal(QPointF(middle + QPoint(0, 500))), Qt::NoButton, Qt::LeftButton, {});
  QCoreApplication::sendEvent(grip, &down);
  EXPECT_EQ(Window.DetailsHeight(), 20);
  EXPECT_EQ(Window.DetailsIconIndex(), 0);
  QTest::mouseRelease(grip, Qt::LeftButton, {}, middle);
}

TEST_F(MainWindow, CtrlAAloneSelectsAllAndDeleteRunsOnlyAnEnabledCommand) {
  AddRow(u"a.dfm", u"", u"Text");
  AddRow(u"b.dfm", u"", u"Binary");
  QTest::keyClick(Window.FilesTree(), Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Selection(), (std::vector<bool>{false, false}));
  QTest::keyClick(Window.FilesTree(), Qt::Key_A, Qt::ControlModifier | Qt::AltModifier);
  EXPECT_EQ(Selection(), (std::vector<bool>{false, false}));
  QTest::keyClick(Window.FilesTree(), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(Selection(), (std::vector<bool>{true, true}));
  // The rows learn the selection through the table wrapper.
  EXPECT_TRUE(Window.Files()->Rows().Items(1).Selected());

  Window.RemoveFiles()->SetEnabled(false);
  QTest::keyClick(Window.FilesTree(), Qt::Key_Delete);
  EXPECT_TRUE(Controller.Calls.empty());
  Window.RemoveFiles()->SetEnabled(true);
  QTest::keyClick(Window.FilesTree(), Qt::Key_Delete);
  EXPECT_EQ(Controller.Calls, (std::vector<std::string>{"RemoveFiles"}));
}

TEST_F(MainWindow, SelectSameTakesTheFirstSelectedEntrysCell) {
  AddRow(u"a.dfm", u"Applied", u"Text");
  AddRow(u"b.dfm", u"Error", u"Binary");
  AddRow(u"c.dfm", u"Applied", u"Binary");
  AddRow(u"d.dfm", u"applied", u"Text");
  Window.SelectSame(1);
  EXPECT_EQ(Selection(), (std::vector<bool>{false, false, false, false})) << "nothing selected: nothing happens";
  Window.FilesTree()->topLevelItem(3)->setSelected(true);
  Window.FilesTree()->topLevelItem(2)->setSelected(true);
  Window.SelectSame(1);
  // The first selected is c ("Applied"); the comparison is case-sensitive, so d drops out.
  EXPECT_EQ(Selection(), (std::vector<bool>{true, false, true, false}));
  EXPECT_FALSE(Window.Files()->Rows().Items(3).Selected());
  Window.SelectSame(3);
  EXPECT_EQ(Selection(), (std::vector<bool>{true, false, false, true}));
  Window.InvertSelection();
  EXPECT_EQ(Selection(), (std::vector<bool>{false, true, true, false}));
  EXPECT_TRUE(Window.Files()->Rows().Items(1).Selected());
}

TEST_F(MainWindow, SelectSameOnAnEmptyCellChangesNothing) {
  AddRow(u"a.dfm", u"", u"Text");
  AddRow(u"b.dfm", u"", u"Text");
  Window.FilesTree()->topLevelItem(0)->setSelected(true);
  Window.SelectSame(1);
  EXPECT_EQ(Selection(), (std::vector<bool>{true, false}));
}

TEST_F(MainWindow, SwitchProcessShowsOneFrameAndKeepsTheChoice) {
  common::TDGUIItems& items = Window.Transforms()->Items();
  items.Add().SetCaption(u"Binary to text");
  items.Add().SetCaption(u"Text to binary");
  Window.Transforms()->SetSelected(&items.Items(1));
  Window.SwitchProcess(true);
  EXPECT_FALSE(Window.TransformFrame()->isVisible());
  EXPECT_TRUE(Window.ProgressFrame()->isVisible());
  EXPECT_EQ(Window.ProgressFrame()->geometry(), Window.TransformFrame()->geometry());
  Window.SwitchProcess(false);
  EXPECT_TRUE(Window.TransformFrame()->isVisible());
  EXPECT_FALSE(Window.ProgressFrame()->isVisible());
  EXPECT_EQ(Window.Transforms()->Selected(), &items.Items(1));
}

TEST_F(MainWindow, ControlsAreTheSameOnEveryRequest) {
  EXPECT_EQ(Window.Files(), Window.Files());
  EXPECT_EQ(Window.Log(), Window.Log());
  EXPECT_EQ(Window.Start(), Window.Start());
  EXPECT_NE(Window.Start(), Window.Stop());
  Window.Files()->Rows().Add().Items(0).SetCaption(u"x.dfm");
  EXPECT_EQ(Window.FilesTree()->topLevelItemCount(), 1);
  EXPECT_EQ(Window.Files()->Columns().Count(), 5);
}

TEST_F(MainWindow, CommandsReachTheControllerAndAPickOfTheChooserIsReported) {
  Window.ActionNamed(QStringLiteral("aStart"))->trigger();
  Window.ActionNamed(QStringLiteral("aOptions"))->trigger();
  Window.Transforms()->Items().Add().SetCaption(u"Binary to text");
  Window.Transforms()->SetSelected(&Window.Transforms()->Items().Items(0));
  EXPECT_EQ(Controller.Calls, (std::vector<std::string>{"Start", "Options"})) << "a choice made by code is no pick";
  emit Window.TransformCombo()->activated(0);
  EXPECT_EQ(Controller.Calls.back(), "TransformChanged");
  Window.close();
  EXPECT_EQ(Controller.Calls.back(), "Stop");
}

TEST_F(MainWindow, HasItsSizesAndCannotBeMadeSmallerThan600By400) {
  EXPECT_EQ(Window.windowTitle(), QStringLiteral("Tessarine"));
  EXPECT_EQ(Window.size(), QSize(611, 423));
  Window.resize(300, 200);
  EXPECT_GE(Window.width(), 600);
  EXPECT_GE(Window.height(), 400);
  EXPECT_EQ(Window.TransformCombo()->width(), 252);
  EXPECT_EQ(Window.FilesTree()->columnWidth(0), 200);
  EXPECT_EQ(Window.FilesTree()->columnWidth(3), 70);
  EXPECT_EQ(batch::FormFileImageIndex(), 3);
}

TEST_F(MainWindow, DropsGoToTheHandlerSortedIntoFilesAndFolders) {
  common::TStringList files;
  common::TStringList folders;
  Window.SetOnDrop([&](const common::TStringList& AFiles, const common::TStringList& AFolders) {
    files = AFiles;
    folders = AFolders;
  });
  const QString corpus = QStringLiteral(TESS_CORPUS_DIR);
  const QString file = corpus + QStringLiteral("/PAIRS.tsv");
  EXPECT_TRUE(
      Window.FilesTree()->DropPaths({file, corpus + QStringLiteral("/text/"), corpus + QStringLiteral("/nowhere")}));
  EXPECT_EQ(files, common::TStringList{FromQString(QFileInfo(file).absoluteFilePath())});
  ASSERT_EQ(folders.size(), 1u);
  EXPECT_EQ(folders[0], FromQString(QDir::cleanPath(corpus + QStringLiteral("/text"))));
  EXPECT_FALSE(Window.FilesTree()->DropPaths({corpus + QStringLiteral("/nowhere")}));
}

TEST_F(MainWindow, NewEntriesScrollIntoViewOnlyWhenTheUserLeftTheTableAtItsEnd) {
  QScrollBar* bar = Window.FilesTree()->verticalScrollBar();
  for (int i = 0; i < 60; ++i) AddRow(u"f.dfm", u"", u"");
  QCoreApplication::processEvents();
  ASSERT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), 0) << "not followed at start";
  bar->setValue(bar->maximum());
  AddRow(u"last.dfm", u"", u"");
  QCoreApplication::processEvents();
  EXPECT_EQ(bar->value(), bar->maximum());
  const QRect last = Window.FilesTree()->visualItemRect(Window.FilesTree()->topLevelItem(60));
  EXPECT_TRUE(Window.FilesTree()->viewport()->rect().contains(last.center()));
  bar->setValue(0);
  AddRow(u"more.dfm", u"", u"");
  QCoreApplication::processEvents();
  EXPECT_EQ(bar->value(), 0) << "someone reading the top stays there";
}

}  // namespace
}  // namespace tess::gui
