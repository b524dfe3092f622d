// From the editor to the files: a transformation made in the real editor window, saved, and run
// from the main controller over corpus copies.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "App/Gui/uModWindow.h"
#include "App/Gui/uQtDialogs.h"
#include "App/Gui/uRemovePropFrameWidget.h"
#include "App/uDFMApp.h"
#include "App/uMainC.h"
#include "Gui/DialogDriver.h"
#include "Support/BatchFixture.h"
#include "Support/FakeMain.h"
#include "Support/TempDir.h"
#include "Transformations/uTransformList.h"

namespace tess::gui {
namespace {

using namespace tess::gui::testing;
namespace fs = std::filesystem;

std::string ReadAll(const fs::path& APath) {
  std::ifstream in(APath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The file as it should come out: every line that sets ExplicitWidth gone, the rest untouched.
std::string WithoutExplicitWidth(const std::string& AText) {
  std::string result;
  size_t start = 0;
  while (start < AText.size()) {
    size_t end = AText.find('\n', start);
    end = end == std::string::npos ? AText.size() : end + 1;
    const std::string line = AText.substr(start, end - start);
    if (line.find("ExplicitWidth = ") == std::string::npos) result += line;
    start = end;
  }
  return result;
}

TEST(EditorEndToEnd, ATransformationMadeInTheEditorRemovesExplicitWidthFromCorpusFiles) {
  tess::testing::ScopedDataHome home;
  tess::testing::TUILoop loop;
  tess::testing::TempDir dir;
  TQtDialogs dialogs;
  const std::vector<std::string> names{"Embarcadero__RADStudio12Demos__CPP__VCL__CardPanel__uCardPanel.dfm",
                                       "Embarcadero__RADStudio12Demos__CPP__VCL__ImageProc__MainForm.dfm"};
  common::TStringList picks;
  std::vector<std::string> originals;
  for (const std::string& name : names) {
    picks.push_back(tess::testing::CopyCorpus(dir, "text", name, name));
    originals.push_back(ReadAll(dir.Path() / name));
    ASSERT_NE(originals.back().find("ExplicitWidth = "), std::string::npos);
  }

  transform::TTransformList list;
  list.Load();
  app::TDFMApp application;
  tess::testing::TFakeMain main;
  app::TMainC controller([&list] {
    std::vector<transform::TTransform*> offered;
    for (int i = 0; i < list.Count(); ++i) offered.push_back(list.Items(i));
    return offered;
  });
  controller.SetTransformList(&list);
  controller.SetApplication(&application);
  main.Connect(&controller);
  controller.AttachView(&main);

  bool scripted = false;
  WhenModal([&](QWidget* AModal) {
    auto* editor = dynamic_cast<TModForm*>(AModal);
    ASSERT_NE(editor, nullptr);
    Type(editor->edModName, "Drop ExplicitWidth");
    ClickTool(editor->CommandBar, editor->NewAction);
    ClickEntry(editor->lvActions, 0);
    Pick(editor->cbActionType, "Remove property");
    auto* frame = dynamic_cast<TRemovePropFrame*>(editor->Frame());
    ASSERT_NE(frame, nullptr);
    Type(frame->edPropName, "ExplicitWidth");
    scripted = true;
    Click(editor->buOk);
  });
  main.AddTransformAction.Execute();
  ASSERT_TRUE(scripted);

  // Saved under the first free name, with the action in it.
  const fs::path folder = home.Dir().Path() / "Tessarine" / "Transforms";
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(ReadAll(files[0]).find("ExplicitWidth"), std::string::npos);
  ASSERT_NE(main.Chooser.Selected(), nullptr);
  EXPECT_EQ(main.Chooser.Selected()->Caption(), u"Drop ExplicitWidth");

  main.FileDialog.Picks = picks;
  main.AddFilesAction.Execute();
  main.StartAction.Execute();
  ASSERT_TRUE(loop.Until([&] { return controller.Idle(); }));
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string result = ReadAll(dir.Path() / names[i]);
    EXPECT_EQ(result.find("ExplicitWidth"), std::string::npos) << names[i];
    EXPECT_EQ(result, WithoutExplicitWidth(originals[i])) << names[i];
  }

  main.Close();
  loop.Until([&] { return !controller.Inspecting(); });
  main.Connect(nullptr);
  controller.AttachView(nullptr);
}

}  // namespace
}  // namespace tess::gui
