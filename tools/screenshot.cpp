// The main window as a user sees it after a run: drops a folder of forms, converts them, saves a picture.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <thread>

#include "App/Gui/uMainStartup.h"
#include "App/Gui/uPrefForm.h"
#include "App/uPrefFormC.h"
#include "App/Gui/uQtDispatcher.h"
#include "App/uDFMApp.h"
#include "FormText/uDFMParserFactory.h"
#include "Shared/Tasks/uDispatcher.h"

namespace {

template <class TPredicate>
bool PumpUntil(tess::gui::TQtDispatcher& ADispatcher, TPredicate ADone) {
  QElapsedTimer clock;
  clock.start();
  while (!ADone()) {
    if (clock.elapsed() > 60000) return false;
    ADispatcher.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: tessarine-screenshot FORMS_FOLDER MAIN.png PREFERENCES.png\n");
    return 2;
  }
  tess::app::TDFMApp::Instance();
  tess::formtext::InstallDFMParserFactory();
  QApplication application(argc, argv);
  tess::gui::TQtDispatcher dispatcher;
  tess::tasks::InstallUIDispatcher(&dispatcher);
  int result = 0;
  {
    tess::gui::TMainProgram program;
    tess::gui::TMainForm& window = program.Window();
    window.show();
    window.FilesTree()->DropPaths({QString::fromLocal8Bit(argv[1])});
    bool ok = PumpUntil(dispatcher, [&] { return program.Controller().Idle(); });
    QComboBox* combo = window.TransformCombo();
    combo->setCurrentIndex(combo->findText(QStringLiteral("Text to binary")));
    emit combo->activated(combo->currentIndex());
    window.ActionNamed(QStringLiteral("aStart"))->trigger();
    ok = ok && PumpUntil(dispatcher, [&] { return program.Controller().Idle(); });
    window.ToggleDetails();
    window.FilesTree()->topLevelItem(0)->setSelected(true);
    // Let the inspection refresh the Format cells and the layout settle before the picture.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 800) dispatcher.ProcessMessages();
    if (!ok || !window.grab().save(QString::fromLocal8Bit(argv[2]))) result = 1;
  }
  {
    // The preferences with backups in a folder of their own, as a user sets them up.
    tess::app::TDFMSettings settings;
    settings.SetBackupSameFolder(false);
    settings.SetBackupFolder(u"/home/user/forms-backup");
    settings.SetKeepStructure(true);
    tess::gui::TPrefForm dialog;
    tess::app::TPrefFormC controller(settings);
    dialog.SetController(&controller);
    controller.AttachView(&dialog);
    dialog.show();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300) dispatcher.ProcessMessages();
    if (!dialog.grab().save(QString::fromLocal8Bit(argv[3]))) result = 1;
    dialog.SetController(nullptr);
    controller.AttachView(nullptr);
  }
  tess::tasks::InstallUIDispatcher(nullptr);
  return result;
}
