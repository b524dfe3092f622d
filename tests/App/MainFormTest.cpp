#include "App/uMainForm.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "Batch/uFilesC.h"
#include "Support/FakeMain.h"
#include "Support/RecordingMainC.h"

using namespace tess;
using namespace tess::common;
using namespace tess::testing;

TEST(MainView, AskingTwiceForAControlAddressesTheSameControl) {
  TFakeMain main;
  app::IMain& view = main;
  view.Files()->Rows().Add().Items(0).SetCaption(u"Main.dfm");
  ASSERT_EQ(view.Files()->Rows().Count(), 1);
  EXPECT_EQ(view.Files()->Rows().Items(0).Items(0).Caption(), u"Main.dfm");
  EXPECT_EQ(main.Table.CellText(0, 0), u"Main.dfm");
  EXPECT_EQ(view.Log(), view.Log());
  EXPECT_EQ(view.Files()->Columns().Count(), 5);
}

TEST(MainView, SwitchingBackShowsTheChooserWithItsEntryUnchanged) {
  TFakeMain main;
  app::IMain& view = main;
  for (const char16_t* caption : {u"Binary to text", u"Text to binary"})
    view.Transforms()->Items().Add().SetCaption(caption);
  view.Transforms()->SetSelected(&view.Transforms()->Items().Items(1));
  view.SwitchProcess(true);
  EXPECT_TRUE(main.Executing);
  view.SwitchProcess(false);
  EXPECT_FALSE(main.Executing);
  EXPECT_EQ(main.SwitchHistory, (std::vector<bool>{true, false}));
  EXPECT_EQ(view.Transforms()->Selected()->Caption(), u"Text to binary");
  EXPECT_EQ(main.Chooser.ChangeCount, 0);
}

TEST(MainView, EveryCommandReachesItsControllerOperation) {
  TFakeMain main;
  TRecordingMainC controller;
  main.Connect(&controller);
  for (const auto& [name, action] : main.Actions()) action->Execute();
  main.Chooser.Items().Add();
  main.Chooser.UserPick(0);
  main.DoubleClickFiles();
  main.Close();
  EXPECT_EQ(controller.Calls, (std::vector<std::string>{"AddFile", "AddDir", "RemoveFiles", "Start", "Stop",
                                                        "NewTransform", "EditTransform", "RemoveTransform", "Options",
                                                        "TransformChanged", "OpenFile", "Stop"}));
}

TEST(MainView, ADisabledCommandRunsNothing) {
  TFakeMain main;
  TRecordingMainC controller;
  main.Connect(&controller);
  main.Start()->SetEnabled(false);
  main.StartAction.Execute();
  EXPECT_TRUE(controller.Calls.empty());
  EXPECT_EQ(main.StartAction.ExecuteCount, 0);
  EXPECT_EQ(main.Context->Journal(u"Start."),
            (std::vector<std::u16string>{u"Start.Enabled=false", u"Start.Execute(disabled)"}));
  EXPECT_EQ(main.EnabledActions(),
            u"AddFiles AddDir RemoveFiles Stop AddTransform EditTransform RemoveTransform Preferences");
  main.Connect(nullptr);
  main.StopAction.Execute();
  EXPECT_TRUE(controller.Calls.empty());
}

TEST(MainView, TheJournalKeepsTheOrderOfChangesAcrossControls) {
  TFakeMain main;
  app::IMain& view = main;
  view.Progress()->SetMax(1);
  view.Progress()->SetPosition(0);
  view.Log()->Add(u"*** Processing file /x/a.dfm ***");
  view.Status()->SetText(u"Transformation in progress, 1 of 2 file(s) processed.");
  view.Files()->Rows().Add();
  view.Files()->Rows().Items(0).Items(1).SetCaption(u"In progress...");
  EXPECT_EQ(
      main.Context->Journal(),
      (std::vector<std::u16string>{
          u"Progress.Max=1", u"Progress.Position=0", u"Log.Add=*** Processing file /x/a.dfm ***",
          u"Status.Text=Transformation in progress, 1 of 2 file(s) processed.", u"Files.Line=0", u"Files.Line=0"}));
  EXPECT_EQ(main.ProgressBar.MaxHistory, (std::vector<int32_t>{1}));
  EXPECT_EQ(main.StatusLine.History.size(), 1u);
}

TEST(MainView, CountsEveryCallFromAnotherThread) {
  TFakeMain main;
  EXPECT_TRUE(main.Context->ForeignCalls().empty());
  main.Status()->SetText(u"on the owner thread");
  EXPECT_TRUE(main.Context->ForeignCalls().empty());
  std::thread worker([&] {
    // Only asking for the control and touching it; the fake itself is not written here.
    app::IMain& view = main;
    view.Log();
  });
  worker.join();
  EXPECT_EQ(main.Context->ForeignCalls(), (std::vector<std::u16string>{u"Log"}));
}

TEST(MainView, TheLogMemoIsAlsoItsText) {
  TFakeMemo memo;
  memo.Add(u"a");
  memo.Add(u"b");
  EXPECT_EQ(static_cast<IDText&>(memo).Text(), u"a\r\nb");
  memo.SetText(u"x\r\n\r\ny");
  EXPECT_EQ(memo.Lines, (std::vector<std::u16string>{u"x", u"", u"y"}));
  memo.Clear();
  EXPECT_TRUE(memo.Lines.empty());
  EXPECT_EQ(memo.ClearCount, 1);
}

TEST(FormFileImage, IsNoImageUntilTheWindowSetsIt) {
  EXPECT_EQ(batch::FormFileImageIndex(), -1);
  batch::SetFormFileImageIndex(3);
  EXPECT_EQ(batch::FormFileImageIndex(), 3);
  batch::SetFormFileImageIndex(-1);
}
