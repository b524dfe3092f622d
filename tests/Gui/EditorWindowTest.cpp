// The transformation editor window driven like a user, with its real controller behind it.
#include "App/Gui/uModWindow.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "App/Gui/uChangeObjectFrameWidget.h"
#include "App/Gui/uChangePropFrameWidget.h"
#include "App/Gui/uNewPropFrameWidget.h"
#include "App/Gui/uRemovePropFrameWidget.h"
#include "App/uModFormC.h"
#include "Gui/DialogDriver.h"
#include "Support/ActionBuilders.h"
#include "Support/FakeDialogs.h"
#include "Transformations/uTransformActions.h"

namespace tess::gui {
namespace {

using namespace tess::gui::testing;

const std::u16string kInvalidWarning = u"Transformation containts invalid actions.\r\nPlease correct it first.";

class EditorWindow : public tess::testing::TFakeDialogsTest {
protected:
  EditorWindow() {
    transform::TManualTransform& sample = Controller.Transform();
    sample.AddAction(tess::testing::RemoveProperty({.PropName = u"ExplicitWidth", .ObjectClass = u"TButton"}));
    sample.AddAction(tess::testing::ChangeProperty({.OldPropName = u"Caption", .OldPropValue = u"'OK'"}));
    sample.AddAction(tess::testing::ChangeObject({.OldObjectName = u"Button1", .NewObjectClass = u"TBitBtn"}));
    sample.SetCaption(u"Tidy");
    Controller.AttachView(&Window);
    Window.SetController(&Controller);
    Window.show();
  }
  ~EditorWindow() override {
    Window.SetController(nullptr);
    Controller.AttachView(nullptr);
  }

  QString Row(int AIndex) const { return Window.lvActions->topLevelItem(AIndex)->text(0); }
  template <class TFrame>
  TFrame* FrameAs() const {
    return dynamic_cast<TFrame*>(Window.Frame());
  }
  bool Idle() const {
    return !Window.paAction->isEnabled() && !Window.cbActionType->isEnabled() && Window.Frame() == nullptr &&
           Window.cbActionType->currentIndex() == -1 && Window.PropsCaption() == "No action selected";
  }
  static bool Red(QWidget* AWidget) { return AWidget->palette().color(QPalette::Text) == QColor(Qt::red); }

  TModForm Window;
  app::TModFormC Controller;
};

TEST_F(EditorWindow, OpensWithEveryActionListedAndNoneSelected) {
  ASSERT_EQ(Window.lvActions->topLevelItemCount(), 3);
  EXPECT_EQ(Row(0), "Remove ExplicitWidth");
  EXPECT_EQ(Row(1), "Change property Caption");
  EXPECT_TRUE(Window.lvActions->selectedItems().isEmpty());
  EXPECT_TRUE(Idle());
  EXPECT_EQ(Window.edModName->text(), "Tidy");
  EXPECT_EQ(Window.cbActionType->count(), 4);
}

TEST_F(EditorWindow, SelectingAnActionEnablesThePanelAndShowsItsOwnFields) {
  ClickEntry(Window.lvActions, 2);
  EXPECT_TRUE(Window.paAction->isEnabled());
  EXPECT_TRUE(Window.cbActionType->isEnabled());
  EXPECT_EQ(Window.cbActionType->currentText(), "Change object");
  EXPECT_TRUE(Window.PropsCaption().isEmpty());
  auto* frame = FrameAs<TChangeObjectFrame>();
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(frame->isVisibleTo(&Window));
  EXPECT_EQ(frame->edOldObjName->text(), "Button1");
  EXPECT_EQ(frame->edNewObjClass->text(), "TBitBtn");
  // The grey hints are placeholders: seen only while the field is empty.
  EXPECT_EQ(frame->edOldObjClass->text(), "");
  EXPECT_EQ(frame->edOldObjClass->placeholderText(), "All object classes");
  EXPECT_EQ(frame->edNewObjName->placeholderText(), "Same object name");
}

TEST_F(EditorWindow, ClickingBelowTheLastEntryReturnsToTheNoActionState) {
  ClickEntry(Window.lvActions, 0);
  ASSERT_NE(FrameAs<TRemovePropFrame>(), nullptr);
  ClickEntry(Window.lvActions, -1);
  EXPECT_TRUE(Window.lvActions->selectedItems().isEmpty());
  EXPECT_TRUE(Idle());
}

TEST_F(EditorWindow, MovingTheSelectionReplacesTheFrameAndLeavesOnlyOne) {
  ClickEntry(Window.lvActions, 0);
  ClickEntry(Window.lvActions, 1);
  auto* frame = FrameAs<TChangePropFrame>();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->mmOldPropValue->toPlainText(), "'OK'");
  EXPECT_EQ(Window.cbActionType->currentText(), "Change property");
  int frames = 0;
  for (QWidget* child : Window.paProps->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    frames += dynamic_cast<TActionFrame*>(child) != nullptr ? 1 : 0;
  EXPECT_EQ(frames, 1);
}

TEST_F(EditorWindow, TypingReachesTheWorkingCopyButNotTheRowCaption) {
  ClickEntry(Window.lvActions, 0);
  Type(FrameAs<TRemovePropFrame>()->edPropName, "Tag");
  auto* action = dynamic_cast<transform::TRemovePropertyAction*>(Controller.Transform().Actions(0));
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->PropName(), u"Tag");
  EXPECT_EQ(action->ObjectClass(), u"TButton");
  EXPECT_EQ(Row(0), "Remove ExplicitWidth");
}

TEST_F(EditorWindow, SwitchingTheTypeShowsTheNewFrameAndBackKeepsWhatWasTyped) {
  ClickEntry(Window.lvActions, 0);
  Type(FrameAs<TRemovePropFrame>()->edObjName, "Panel1");
  Pick(Window.cbActionType, "New property");
  auto* added = FrameAs<TNewPropFrame>();
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->edNewPropName->text(), "");
  EXPECT_FALSE(added->chOverwrite->isChecked());
  Pick(Window.cbActionType, "Remove property");
  auto* removed = FrameAs<TRemovePropFrame>();
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(removed->edPropName->text(), "ExplicitWidth");
  EXPECT_EQ(removed->edObjName->text(), "Panel1");
}

// What leaving a value memo does to it and to the notice, memo by memo.
struct TValueCase {
  const char* Name;
  QString OldValue;
  QString NewValue;
  bool OldRed;
  bool NewRed;
  bool Notice;
};

class EditorValueCheck : public EditorWindow, public ::testing::WithParamInterface<TValueCase> {};

TEST_P(EditorValueCheck, LeavingAMemoMarksItAndTheNoticeCoversBoth) {
  const TValueCase& sample = GetParam();
  ClickEntry(Window.lvActions, 1);
  auto* frame = FrameAs<TChangePropFrame>();
  ASSERT_NE(frame, nullptr);
  Type(frame->mmOldPropValue, sample.OldValue);
  Type(frame->mmNewPropValue, sample.NewValue);
  Focus(frame->edObjName);
  EXPECT_EQ(Red(frame->mmOldPropValue), sample.OldRed);
  EXPECT_EQ(Red(frame->mmNewPropValue), sample.NewRed);
  EXPECT_EQ(frame->stValid->isVisibleTo(frame), sample.Notice);
  EXPECT_EQ(frame->stValid->text(), "* value format incorrect");
}

INSTANTIATE_TEST_SUITE_P(Values, EditorValueCheck,
                         ::testing::Values(TValueCase{"BothValid", "'OK'", "12", false, false, false},
                                           TValueCase{"EmptyIsValid", "", "", false, false, false},
                                           TValueCase{"OldUnclosedSet", "[akLeft", "True", true, false, true},
                                           TValueCase{"NewUnclosedList", "'OK'", "(", false, true, true},
                                           TValueCase{"BothBroken", "(", "[akLeft", true, true, true}),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(EditorWindow, CorrectingAValueRestoresItsColourAndHidesTheNoticeOnlyWhenBothAreValid) {
  ClickEntry(Window.lvActions, 1);
  auto* frame = FrameAs<TChangePropFrame>();
  ASSERT_NE(frame, nullptr);
  const QColor normal = frame->palette().color(QPalette::Text);
  Type(frame->mmOldPropValue, "[akLeft");
  Type(frame->mmNewPropValue, "(");
  Focus(frame->edObjName);
  ASSERT_TRUE(frame->stValid->isVisibleTo(frame));
  Type(frame->mmOldPropValue, "'fixed'");
  Focus(frame->edObjName);
  EXPECT_EQ(frame->mmOldPropValue->palette().color(QPalette::Text), normal);
  EXPECT_TRUE(frame->stValid->isVisibleTo(frame)) << "the new value is still broken";
  Type(frame->mmNewPropValue, "'fixed too'");
  Focus(frame->edObjName);
  EXPECT_FALSE(Red(frame->mmNewPropValue));
  EXPECT_FALSE(frame->stValid->isVisibleTo(frame));
}

TEST_F(EditorWindow, ListCommandsLeaveTheListUnselectedAndThePanelIdle) {
  ClickEntry(Window.lvActions, 1);
  ClickTool(Window.CommandBar, Window.aMoveUp);
  EXPECT_EQ(Row(0), "Change property Caption");
  EXPECT_TRUE(Window.lvActions->selectedItems().isEmpty());
  EXPECT_TRUE(Idle());

  ClickTool(Window.CommandBar, Window.NewAction);
  ASSERT_EQ(Window.lvActions->topLevelItemCount(), 4);
  EXPECT_EQ(Row(3), QString::fromStdU16String(transform::TNewPropertyAction().Description()));
  EXPECT_TRUE(Idle());

  ClickEntry(Window.lvActions, 2);
  ASSERT_NE(FrameAs<TChangeObjectFrame>(), nullptr);
  ClickTool(Window.CommandBar, Window.RemoveAction);
  EXPECT_EQ(Window.lvActions->topLevelItemCount(), 3);
  EXPECT_EQ(Controller.Transform().ActionCount(), 3);
  EXPECT_TRUE(Idle());
}

// Clicks on the list grey and ungrey the tool bar's buttons; a grey button does nothing when clicked.
TEST_F(EditorWindow, ListButtonsAreUsableOnlyWhenTheyCanActOnTheSelection) {
  const auto usable = [this] {
    QString result;
    for (QAction* action : {Window.RemoveAction, Window.aMoveUp, Window.aMoveDown})
      if (action->isEnabled()) result += (result.isEmpty() ? "" : " ") + action->text();
    return result.toStdString();
  };
  EXPECT_EQ(usable(), "");
  ClickTool(Window.CommandBar, Window.RemoveAction);
  EXPECT_EQ(Controller.Transform().ActionCount(), 3);
  ClickEntry(Window.lvActions, 0);
  EXPECT_EQ(usable(), "Remove Action Move Down");
  ClickEntry(Window.lvActions, 1);
  EXPECT_EQ(usable(), "Remove Action Move Up Move Down");
  ClickEntry(Window.lvActions, 2);
  EXPECT_EQ(usable(), "Remove Action Move Up");
  ClickTool(Window.CommandBar, Window.aMoveDown);
  EXPECT_EQ(Row(2), "Change object Button1 ");
  ClickEntry(Window.lvActions, -1);
  EXPECT_EQ(usable(), "");
  ClickEntry(Window.lvActions, 1);
  ClickTool(Window.CommandBar, Window.RemoveAction);
  EXPECT_EQ(usable(), "");
}

TEST_F(EditorWindow, OkWithAnInvalidActionWarnsAndStaysOpenUntilCancel) {
  Window.hide();
  bool stayedOpen = false;
  WhenModal([&](QWidget*) {
    ClickEntry(Window.lvActions, 1);
    ASSERT_NE(FrameAs<TChangePropFrame>(), nullptr);
    Type(FrameAs<TChangePropFrame>()->mmOldPropValue, "[akLeft");
    Click(Window.buOk);
    stayedOpen = Window.isVisible();
    Type(Window.edModName, "Renamed");
    Click(Window.buCancel);
  });
  EXPECT_EQ(Window.ShowModal(), app::TModalResult::mrCancel);
  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(Messages.Asked.size(), 1u);
  EXPECT_EQ(
      Messages.Asked[0].Text,
      kInvalidWarning + u"\r\n\r\nAction 2 (Change property): Old property value '[akLeft' is not one valid value.");
}

TEST_F(EditorWindow, CancelClosesWithoutAnyCheck) {
  Window.hide();
  WhenModal([&](QWidget*) {
    ClickEntry(Window.lvActions, 1);
    Type(FrameAs<TChangePropFrame>()->mmOldPropValue, "[akLeft");
    Click(Window.buCancel);
  });
  EXPECT_EQ(Window.ShowModal(), app::TModalResult::mrCancel);
  EXPECT_TRUE(Messages.Asked.empty());
}

TEST_F(EditorWindow, OkWithAValidCopyClosesAndTakesTheName) {
  Window.hide();
  WhenModal([&](QWidget*) {
    Type(Window.edModName, "");
    Click(Window.buOk);
  });
  EXPECT_EQ(Window.ShowModal(), app::TModalResult::mrOk);
  EXPECT_TRUE(Messages.Asked.empty());
  EXPECT_EQ(Controller.Transform().GetCaption(), u"New Transform");
}

TEST(EditorFrames, AFrameDeletedWhileAttachedTellsItsControllerFirst) {
  struct TRecorder : app::IRemovePropC {
    void Update() override { ++Updates; }
    void Finalize() override { ++Finalized; }
    int Updates = 0;
    int Finalized = 0;
  } recorder;
  {
    TRemovePropFrame frame;
    frame.SetController(&recorder);
    frame.edPropName->setText(QStringLiteral("Tag"));
    EXPECT_EQ(recorder.Updates, 1);
    frame.Finalize();
    frame.edPropName->setText(QStringLiteral("Name"));
    EXPECT_EQ(recorder.Updates, 1) << "a finalized frame has no controller to update";
    frame.SetController(&recorder);
  }
  EXPECT_EQ(recorder.Finalized, 1);
}

}  // namespace
}  // namespace tess::gui
