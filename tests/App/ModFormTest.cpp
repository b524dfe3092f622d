#include "App/uModFormC.h"

#include <gtest/gtest.h>
#include <functional>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "App/uDFMApp.h"
#include "Support/ActionBuilders.h"
#include "Support/FakeDialogs.h"
#include "Support/TempDir.h"
#include "Transformations/uManualTransform.h"
#include "Transformations/uTransformActions.h"

using namespace tess::app;
using namespace tess::transform;
using namespace tess::testing;

namespace {

using TAsked = TFakeMessageBox::TAsked;
// The warning on OK with an invalid action, naming the first action and field at fault.
TAsked InvalidActions(const std::u16string& AFault) {
  return {u"Warning", u"Transformation containts invalid actions.\r\nPlease correct it first.\r\n\r\n" + AFault + u"."};
}
const std::vector<std::u16string> kTypes{u"New property", u"Remove property", u"Change property", u"Change object"};

// A transformation with one action of each kind, in the order remove, change, new, change object.
std::unique_ptr<TManualTransform> MakeSample() {
  return ManualTransform(u"Tidy buttons",
                         RemoveProperty({.PropName = u"Tag", .ObjectName = u"Button1", .ObjectClass = u"TButton"}),
                         ChangeProperty({.OldPropName = u"Caption",
                                         .OldPropValue = u"'Old'",
                                         .NewPropName = u"Text",
                                         .NewPropValue = u"'New'",
                                         .ObjectClass = u"TLabel"}),
                         NewProperty({.NewPropName = u"Tag",
                                      .NewPropValue = u"5",
                                      .ObjectName = u"Form1",
                                      .ObjectClass = u"TForm",
                                      .Overwrite = true}),
                         ChangeObject({.OldObjectName = u"Label1",
                                       .OldObjectClass = u"TLabel",
                                       .NewObjectName = u"Label2",
                                       .NewObjectClass = u"TStaticText"}));
}

const std::vector<std::u16string> kSampleCaptions{u"Remove Tag", u"Change property Caption", u"New property Tag",
                                                  u"Change object Label1 TLabel"};

std::vector<std::u16string> Descriptions(const TManualTransform& ATransform) {
  std::vector<std::u16string> result;
  for (int i = 0; i < ATransform.ActionCount(); ++i) result.push_back(ATransform.Actions(i)->Description());
  return result;
}

std::vector<std::u16string> Texts(const std::vector<TFakeEdit*>& AFields) {
  std::vector<std::u16string> result;
  for (const TFakeEdit* field : AFields) result.push_back(field->Value);
  return result;
}

// The editor opened on a copy of the sample, as the application object opens it.
class ModFormTest : public TFakeDialogsTest {
protected:
  void SetUp() override { Open(*Source); }
  void Open(const TManualTransform& ATransform) {
    Editor.Transform().Assign(ATransform);
    Editor.AttachView(Window.View());
    Window.SetController(&Editor);
    Window.Form.SetActionEnabled(false);  // activation with nothing selected
  }
  TManualTransform& Copy() { return Editor.Transform(); }
  tess::testing::TFakeModForm& Form() { return Window.Form; }

  std::unique_ptr<TManualTransform> Source = MakeSample();
  // The window outlives its controller, as in the program.
  TFakeModFormWindow Window;
  TModFormC Editor;
};

TEST_F(ModFormTest, OpeningShowsTheCaptionTheActionsAndTheTypesWithNothingSelected) {
  EXPECT_EQ(Form().NameEdit.Value, u"Tidy buttons");
  EXPECT_EQ(Form().ListCaptions(), kSampleCaptions);
  EXPECT_EQ(Form().TypeList.Captions(), kTypes);
  EXPECT_EQ(Form().ChosenType(), u"");
  EXPECT_EQ(Form().Frame, nullptr);
  EXPECT_FALSE(Form().PanelEnabled);
  EXPECT_EQ(Form().Placeholder, u"No action selected");
  EXPECT_EQ(Editor.ActionC(), nullptr);
}

TEST_F(ModFormTest, TheWorkingCopyIsACopy) {
  EXPECT_EQ(Descriptions(Copy()), kSampleCaptions);
  EXPECT_NE(Copy().Actions(0), Source->Actions(0));
}

// Selecting each action of the sample: the type it chooses and the fields its frame shows.
struct TSelectCase {
  const char* Name;
  size_t Index;
  const char16_t* Type;
  std::vector<std::u16string> Fields;  // in the frame's order
};

class SelectActionTest : public ModFormTest, public ::testing::WithParamInterface<TSelectCase> {};

std::vector<std::u16string> FrameFields(tess::testing::TFakeModForm& AForm) {
  if (auto* frame = AForm.FrameAs<TFakeRemovePropFrame>()) return Texts(frame->Fields());
  if (auto* frame = AForm.FrameAs<TFakeChangePropFrame>()) return Texts(frame->Fields());
  if (auto* frame = AForm.FrameAs<TFakeNewPropFrame>()) {
    std::vector<std::u16string> fields = Texts(frame->Fields());
    fields.push_back(frame->OverwriteCheck.Value ? u"checked" : u"unchecked");
    return fields;
  }
  if (auto* frame = AForm.FrameAs<TFakeChangeObjectFrame>()) return Texts(frame->Fields());
  return {};
}

TEST_P(SelectActionTest, ChoosesItsTypeAndFillsItsFrameWithoutTouchingTheAction) {
  const TSelectCase& c = GetParam();
  Window.Select(c.Index);
  EXPECT_TRUE(Form().PanelEnabled);
  EXPECT_EQ(Form().ChosenType(), c.Type);
  ASSERT_NE(Form().Frame, nullptr);
  EXPECT_EQ(Form().Frame->Kind, c.Type);
  EXPECT_EQ(FrameFields(Form()), c.Fields);
  // Loading the frame ran its change handlers; none of them may write a half-loaded frame back.
  EXPECT_EQ(Descriptions(Copy()), kSampleCaptions);
  ASSERT_NE(Editor.ActionC(), nullptr);
  EXPECT_EQ(Editor.ActionC()->SyncAction(), Copy().Actions(static_cast<int>(c.Index)));
  EXPECT_EQ(Form().ActionTable.Rows().Items(static_cast<int>(c.Index)).DataObjectAs<TTransformAction>(),
            Copy().Actions(static_cast<int>(c.Index)));
}

INSTANTIATE_TEST_SUITE_P(
    Sample, SelectActionTest,
    ::testing::Values(
        TSelectCase{"RemoveProperty", 0, u"Remove property", {u"Tag", u"Button1", u"TButton"}},
        TSelectCase{"ChangeProperty", 1, u"Change property", {u"Caption", u"'Old'", u"Text", u"'New'", u"", u"TLabel"}},
        TSelectCase{"NewProperty", 2, u"New property", {u"Tag", u"5", u"Form1", u"TForm", u"checked"}},
        TSelectCase{"ChangeObject", 3, u"Change object", {u"Label1", u"TLabel", u"Label2", u"TStaticText"}}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(ModFormTest, TypingFollowsIntoTheWorkingCopyButNotIntoTheRowCaptionUntilTheNextRebuild) {
  Window.Select(0);
  Form().FrameAs<TFakeRemovePropFrame>()->PropNameEdit.SetText(u"Hint");
  Form().FrameAs<TFakeRemovePropFrame>()->ObjClassEdit.SetText(u"");

  auto* action = dynamic_cast<TRemovePropertyAction*>(Copy().Actions(0));
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->PropName(), u"Hint");
  EXPECT_EQ(action->ObjectName(), u"Button1");
  EXPECT_EQ(action->ObjectClass(), u"");
  EXPECT_EQ(Form().ListCaptions()[0], u"Remove Tag");
  EXPECT_EQ(Source->Actions(0)->Description(), u"Remove Tag") << "the original waits for OK";

  Window.New();
  EXPECT_EQ(Form().ListCaptions()[0], u"Remove Hint");
}

TEST_F(ModFormTest, TheOverwriteCheckBoxAndValueMemoReachTheWorkingCopy) {
  Window.Select(2);
  TFakeNewPropFrame* frame = Form().FrameAs<TFakeNewPropFrame>();
  ASSERT_NE(frame, nullptr);
  frame->OverwriteCheck.SetChecked(false);
  frame->NewPropValueMemo.SetText(u"'five'");
  auto* action = dynamic_cast<TNewPropertyAction*>(Copy().Actions(2));
  ASSERT_NE(action, nullptr);
  EXPECT_FALSE(action->Overwrite());
  EXPECT_EQ(action->NewPropValue(), u"'five'");
  EXPECT_NE(action->NewValue(), nullptr) << "the value text was parsed through its setter";
}

TEST_F(ModFormTest, SwitchingTheTypeAndBackKeepsWhatWasTypedIntoThePrototype) {
  Window.Select(0);
  Form().FrameAs<TFakeRemovePropFrame>()->PropNameEdit.SetText(u"Hint");

  Window.PickType(0);  // New property
  TFakeNewPropFrame* added = Form().FrameAs<TFakeNewPropFrame>();
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(Texts(added->Fields()), (std::vector<std::u16string>{u"", u"", u"", u""}));
  EXPECT_FALSE(added->OverwriteCheck.Value);
  ASSERT_NE(dynamic_cast<TNewPropertyAction*>(Copy().Actions(0)), nullptr);
  EXPECT_EQ(Copy().Actions(0)->Description(), u"New property ");

  Window.PickType(1);  // Remove property, as typed
  TFakeRemovePropFrame* removed = Form().FrameAs<TFakeRemovePropFrame>();
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(Texts(removed->Fields()), (std::vector<std::u16string>{u"Hint", u"Button1", u"TButton"}));
  auto* action = dynamic_cast<TRemovePropertyAction*>(Copy().Actions(0));
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action->PropName(), u"Hint");
  EXPECT_EQ(Copy().ActionCount(), 4);
}

TEST_F(ModFormTest, SelectingAnotherActionEditsThatOneOnly) {
  Window.Select(0);
  TFakeRemovePropFrame* first = Form().FrameAs<TFakeRemovePropFrame>();
  ASSERT_NE(first, nullptr);
  Window.Select(3);
  EXPECT_EQ(Form().Frame->Kind, u"Change object");
  Form().FrameAs<TFakeChangeObjectFrame>()->NewObjectNameEdit.SetText(u"Caption1");

  EXPECT_EQ(dynamic_cast<TChangeObjectAction*>(Copy().Actions(3))->NewObjectName(), u"Caption1");
  EXPECT_EQ(dynamic_cast<TRemovePropertyAction*>(Copy().Actions(0))->PropName(), u"Tag");
  EXPECT_EQ(Form().ChosenType(), u"Change object");
}

TEST_F(ModFormTest, UnselectingReturnsToTheNoActionState) {
  Window.Select(1);
  ASSERT_NE(Form().Frame, nullptr);
  Window.Unselect();
  EXPECT_EQ(Form().Frame, nullptr);
  EXPECT_FALSE(Form().PanelEnabled);
  EXPECT_EQ(Form().ChosenType(), u"");
  EXPECT_EQ(Form().Placeholder, u"No action selected");
  EXPECT_EQ(Form().TypeList.Captions(), kTypes) << "the chooser still lists the four types";
}

TEST_F(ModFormTest, NewActionAppendsAnEmptyNewPropertyActionWithNoRowSelected) {
  Window.Select(1);
  Window.New();
  ASSERT_EQ(Copy().ActionCount(), 5);
  EXPECT_NE(dynamic_cast<TNewPropertyAction*>(Copy().Actions(4)), nullptr);
  EXPECT_EQ(Form().ListCaptions().back(), u"New property ");
  EXPECT_EQ(Form().ActionTable.Rows().SelectedCount(), 0);
  EXPECT_EQ(Form().Frame, nullptr) << "no frame may stay on an action whose row is not selected";
  EXPECT_EQ(Form().ChosenType(), u"");
}

TEST_F(ModFormTest, RemoveActionTakesOutTheSelectedActionAndItsFrame) {
  Window.Select(1);
  ASSERT_NE(Form().FrameAs<TFakeChangePropFrame>(), nullptr);
  Window.Remove();
  EXPECT_EQ(Descriptions(Copy()),
            (std::vector<std::u16string>{u"Remove Tag", u"New property Tag", u"Change object Label1 TLabel"}));
  EXPECT_EQ(Form().ListCaptions(), Descriptions(Copy()));
  EXPECT_EQ(Form().Frame, nullptr);
  EXPECT_EQ(Editor.ActionC(), nullptr);
  EXPECT_EQ(Form().ActionTable.Rows().SelectedCount(), 0);

  Window.Remove();  // nothing selected now
  EXPECT_EQ(Copy().ActionCount(), 3);
  EXPECT_EQ(Source->ActionCount(), 4);
}

// A move of the selected row (or of none) and the order afterwards, by the sample's first letters:
// R(emove), C(hange property), N(ew), O(bject).
struct TMoveCase {
  const char* Name;
  int Selected;  // -1: none
  bool Up;
  const char* Order;
};

class MoveActionTest : public ModFormTest, public ::testing::WithParamInterface<TMoveCase> {};

TEST_P(MoveActionTest, MovesTheWorkingCopyAndTheListAlikeAndLeavesNothingSelected) {
  const TMoveCase& c = GetParam();
  if (c.Selected >= 0) Window.Select(static_cast<size_t>(c.Selected));
  c.Up ? Window.Up() : Window.Down();

  std::string order;
  for (const std::u16string& description : Descriptions(Copy()))
    order += description.rfind(u"Remove", 0) == 0            ? 'R'
             : description.rfind(u"Change property", 0) == 0 ? 'C'
             : description.rfind(u"New", 0) == 0             ? 'N'
                                                             : 'O';
  EXPECT_EQ(order, c.Order);
  EXPECT_EQ(Form().ListCaptions(), Descriptions(Copy()));
  EXPECT_EQ(Form().ActionTable.Rows().SelectedCount(), 0);
  EXPECT_EQ(Form().Frame, nullptr);
  for (int i = 0; i < Copy().ActionCount(); ++i)
    EXPECT_EQ(Form().ActionTable.Rows().Items(i).DataObjectAs<TTransformAction>(), Copy().Actions(i));
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MoveActionTest,
    ::testing::Values(TMoveCase{"SecondUp", 1, true, "CRNO"}, TMoveCase{"FirstUp", 0, true, "RCNO"},
                      TMoveCase{"LastDown", 3, false, "RCNO"}, TMoveCase{"ThirdDown", 2, false, "RCON"},
                      TMoveCase{"NoneUp", -1, true, "RCNO"}, TMoveCase{"NoneDown", -1, false, "RCNO"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// The list's commands that can act on nothing stay grey: after each step, the ones enabled.
TEST_F(ModFormTest, ListCommandsAreEnabledExactlyWhenTheyCanActOnTheSelection) {
  const auto enabled = [this] {
    std::u16string result;
    for (auto* action : {&Form().RemoveAction, &Form().MoveUpAction, &Form().MoveDownAction})
      if (action->Value) result += (result.empty() ? u"" : u" ") + action->Name();
    return result;
  };
  const std::vector<std::pair<std::function<void()>, std::u16string>> steps{
      {[] {}, u""},
      {[this] { Window.Select(0); }, u"RemoveAction MoveDown"},
      {[this] { Window.Select(1); }, u"RemoveAction MoveUp MoveDown"},
      {[this] { Window.Select(3); }, u"RemoveAction MoveUp"},
      {[this] { Window.Unselect(); }, u""},
      {[this] {
         Window.Select(2);
         Window.Up();
       },
       u""},
      {[this] {
         Window.Select(0);
         Window.Remove();
       },
       u""},
      {[this] { Window.New(); }, u""},
      {[this] { Window.Select(3); }, u"RemoveAction MoveUp"},
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    steps[i].first();
    EXPECT_EQ(enabled(), steps[i].second) << "step " << i;
  }
  // A list with one action: it can be removed, not moved.
  for (int i = 0; i < 3; ++i) {
    Window.Select(0);
    Window.Remove();
  }
  Window.Select(0);
  EXPECT_EQ(enabled(), u"RemoveAction");
  Window.Remove();
  EXPECT_EQ(enabled(), u"");
}

TEST_F(ModFormTest, OkWithAnInvalidValueWarnsAndKeepsTheEditorOpenWithItsEdits) {
  Window.Select(1);
  Form().FrameAs<TFakeChangePropFrame>()->OldPropValueMemo.SetText(u"Left = 1");
  EXPECT_FALSE(Window.ClickOk());
  EXPECT_EQ(Messages.Asked, std::vector<TAsked>{InvalidActions(
                                u"Action 2 (Change property): Old property value 'Left = 1' is not one valid value")});
  EXPECT_EQ(dynamic_cast<TChangePropertyAction*>(Copy().Actions(1))->OldPropValue(), u"Left = 1");
  ASSERT_NE(Form().FrameAs<TFakeChangePropFrame>(), nullptr);

  Form().FrameAs<TFakeChangePropFrame>()->OldPropValueMemo.SetText(u"'closed'");
  EXPECT_TRUE(Window.ClickOk());
  EXPECT_EQ(Messages.Asked.size(), 1u);
}

// A name typed into a frame that no form can hold: OK warns like for an invalid value, naming the
// field, and keeps the editor open; the name corrected, OK closes.
struct TNameCase {
  const char* Name;
  size_t Index;
  tess::testing::TFakeEdit& (*Field)(tess::testing::TFakeModForm&);
  const char16_t* Typed;
  const char16_t* Fault;
  const char16_t* Corrected;
};

class InvalidNameTest : public ModFormTest, public ::testing::WithParamInterface<TNameCase> {};

TEST_P(InvalidNameTest, OkWarnsWithTheFieldAndKeepsTheEditorOpen) {
  const TNameCase& c = GetParam();
  Window.Select(c.Index);
  c.Field(Form()).SetText(c.Typed);
  EXPECT_FALSE(Window.ClickOk());
  EXPECT_EQ(Messages.Asked, std::vector<TAsked>{InvalidActions(c.Fault)});
  c.Field(Form()).SetText(c.Corrected);
  EXPECT_TRUE(Window.ClickOk());
  EXPECT_EQ(Messages.Asked.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Names, InvalidNameTest,
    ::testing::Values(
        TNameCase{"NewPropertyName", 2,
                  [](tess::testing::TFakeModForm& AForm) -> tess::testing::TFakeEdit& {
                    return AForm.FrameAs<TFakeNewPropFrame>()->NewPropNameEdit;
                  },
                  u"Bad Name!",
                  u"Action 3 (New property): New property name 'Bad Name!' is not a property name (identifiers joined "
                  u"by dots)",
                  u"Font.Name"},
        TNameCase{"NewObjectName", 3,
                  [](tess::testing::TFakeModForm& AForm) -> tess::testing::TFakeEdit& {
                    return AForm.FrameAs<TFakeChangeObjectFrame>()->NewObjectNameEdit;
                  },
                  u"my button",
                  u"Action 4 (Change object): New object name 'my button' is not an object name (one identifier)",
                  u"myButton"},
        TNameCase{"NewObjectClass", 3,
                  [](tess::testing::TFakeModForm& AForm) -> tess::testing::TFakeEdit& {
                    return AForm.FrameAs<TFakeChangeObjectFrame>()->NewObjectClassEdit;
                  },
                  u"Not A Class!",
                  u"Action 4 (Change object): New object class 'Not A Class!' is not a class name (one identifier)",
                  u""},
        TNameCase{"SelectedClass", 1,
                  [](tess::testing::TFakeModForm& AForm) -> tess::testing::TFakeEdit& {
                    return AForm.FrameAs<TFakeChangePropFrame>()->ObjectClassEdit;
                  },
                  u"TLabel TEdit",
                  u"Action 2 (Change property): Object class 'TLabel TEdit' is not a class name (one identifier)",
                  u"TEdit"},
        TNameCase{"PropertyToRemoveEmptied", 0,
                  [](tess::testing::TFakeModForm& AForm)
                      -> tess::testing::TFakeEdit& { return AForm.FrameAs<TFakeRemovePropFrame>()->PropNameEdit; },
                  u"", u"Action 1 (Remove property): Property name is empty, which would remove every property",
                  u"ExplicitLeft"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(ModFormTest, ApplyTakesTheNameOrNewTransformForAnEmptyOne) {
  Form().NameEdit.SetText(u"Renamed");
  Editor.Apply();
  EXPECT_EQ(Copy().GetCaption(), u"Renamed");
  Form().NameEdit.SetText(u"");
  Editor.Apply();
  EXPECT_EQ(Copy().GetCaption(), u"New Transform");
}

// The value check behind the change-property frame's red marks.
struct TValueCase {
  const char16_t* Text;
  bool Valid;
};

class CheckValueTest : public ModFormTest, public ::testing::WithParamInterface<TValueCase> {};

TEST_P(CheckValueTest, MarksExactlyTheTextsThatAreNotOneValue) {
  Window.Select(1);
  TFakeChangePropFrame* frame = Form().FrameAs<TFakeChangePropFrame>();
  ASSERT_NE(frame, nullptr);
  frame->OldPropValueMemo.SetText(GetParam().Text);
  frame->NewPropValueMemo.SetText(u"");
  frame->LeaveValueMemo();
  EXPECT_EQ(frame->OldValueMarked, !GetParam().Valid);
  EXPECT_FALSE(frame->NewValueMarked) << "an empty memo always passes";
  EXPECT_EQ(frame->NoticeShown, !GetParam().Valid);
}

INSTANTIATE_TEST_SUITE_P(Values, CheckValueTest,
                         ::testing::Values(TValueCase{u"", true}, TValueCase{u"'abc'", true}, TValueCase{u"5", true},
                                           TValueCase{u"[akLeft, akTop]", true}, TValueCase{u"'ab' + 'c'", true},
                                           TValueCase{u"clBtnFace", true}, TValueCase{u"Left = 1", false},
                                           TValueCase{u"[akLeft", false}, TValueCase{u"5 6", false},
                                           TValueCase{u"= 5", false}));

TEST_F(ModFormTest, DestroyingTheEditorLetsGoOfTheFrameItStillShows) {
  auto editor = std::make_unique<TModFormC>();
  TFakeModFormWindow window;
  editor->Transform().Assign(*Source);
  editor->AttachView(window.View());
  window.SetController(editor.get());
  window.Select(0);
  auto* frame = window.Form.FrameAs<TFakeRemovePropFrame>();
  ASSERT_NE(frame, nullptr);
  ASSERT_NE(frame->Controller, nullptr);
  window.SetController(nullptr);
  editor.reset();
  EXPECT_EQ(frame->Controller, nullptr);
  EXPECT_TRUE(window.Form.TypeList.Entries.empty()) << "no entry may point at a freed prototype";
}

// ---- The editor through the application object, as the commands open it.

class EditTransformTest : public TFakeDialogsTest {
protected:
  ScopedDataHome Home;
  TDFMApp App;
  std::unique_ptr<TManualTransform> Source = MakeSample();
};

TEST_F(EditTransformTest, OkCopiesTheEditBack) {
  Factory.ModFormScript = [](TFakeModFormWindow& AWindow) {
    AWindow.Form.NameEdit.SetText(u"Tidy labels");
    AWindow.Select(0);
    AWindow.Form.FrameAs<TFakeRemovePropFrame>()->PropNameEdit.SetText(u"Hint");
    AWindow.Remove();
    AWindow.ClickOk();
  };
  EXPECT_TRUE(App.EditTransform(*Source));
  EXPECT_EQ(Source->GetCaption(), u"Tidy labels");
  EXPECT_EQ(Descriptions(*Source), (std::vector<std::u16string>{u"Change property Caption", u"New property Tag",
                                                                u"Change object Label1 TLabel"}));
  EXPECT_EQ(Factory.ModFormsDestroyed, 1);
  EXPECT_EQ(Factory.DestroyedWithController, 0);
}

TEST_F(EditTransformTest, CancelLeavesTheOriginalUnchanged) {
  Factory.ModFormScript = [](TFakeModFormWindow& AWindow) {
    AWindow.Form.NameEdit.SetText(u"Something else");
    AWindow.Select(1);
    AWindow.Form.FrameAs<TFakeChangePropFrame>()->OldPropNameEdit.SetText(u"Hint");
    AWindow.New();
    AWindow.ClickCancel();
  };
  EXPECT_FALSE(App.EditTransform(*Source));
  EXPECT_EQ(Source->GetCaption(), u"Tidy buttons");
  EXPECT_EQ(Descriptions(*Source), kSampleCaptions);
  EXPECT_TRUE(Messages.Asked.empty()) << "Cancel checks nothing";
}

TEST_F(EditTransformTest, ANewTransformationConfirmedWithAnEmptyNameIsCalledNewTransform) {
  std::u16string shownName = u"unset";
  Factory.ModFormScript = [&shownName](TFakeModFormWindow& AWindow) {
    shownName = AWindow.Form.NameEdit.Value;
    AWindow.ClickOk();
  };
  std::unique_ptr<TTransform> created = App.NewTransform();
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(shownName, u"");
  EXPECT_EQ(created->GetCaption(), u"New Transform");
  EXPECT_TRUE(created->Editable());
}

TEST_F(EditTransformTest, ANewTransformationCancelledGivesNothing) {
  Factory.ModFormScript = [](TFakeModFormWindow& AWindow) { AWindow.New(); };
  EXPECT_EQ(App.NewTransform(), nullptr);
  EXPECT_EQ(Factory.ModFormsDestroyed, 1);
}

TEST_F(EditTransformTest, AnErrorDuringTheEditLeavesTheOriginalAndFreesTheWindow) {
  Factory.ModFormScript = [](TFakeModFormWindow& AWindow) {
    AWindow.Select(0);
    AWindow.Form.FrameAs<TFakeRemovePropFrame>()->PropNameEdit.SetText(u"Hint");
    throw std::runtime_error("window failed");
  };
  EXPECT_THROW(App.EditTransform(*Source), std::runtime_error);
  EXPECT_EQ(Descriptions(*Source), kSampleCaptions);
  EXPECT_EQ(Factory.ModFormsDestroyed, 1);
  EXPECT_EQ(Factory.DestroyedWithController, 0);
}

}  // namespace
