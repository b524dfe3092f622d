// The windows as a user sees them: the main window after a run over a folder of forms, the
// transformation editor with one action of each kind, and the preferences; one picture of each.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "App/Gui/uMainStartup.h"
#include "App/Gui/uModWindow.h"
#include "App/Gui/uPrefWindow.h"
#include "App/Gui/uQtDispatcher.h"
#include "App/uDFMApp.h"
#include "App/uModFormC.h"
#include "App/uPrefFormC.h"
#include "FormText/uDFMParserFactory.h"
#include "Shared/Tasks/uDispatcher.h"
#include "Transformations/uManualTransform.h"
#include "Transformations/uTransformActions.h"

namespace {

using tess::gui::TQtDispatcher;

template <class TPredicate>
bool PumpUntil(TQtDispatcher& ADispatcher, TPredicate ADone) {
  QElapsedTimer clock;
  clock.start();
  while (!ADone()) {
    if (clock.elapsed() > 60000) return false;
    ADispatcher.ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// Lets queued updates arrive and the layout settle before a picture is taken.
void Settle(TQtDispatcher& ADispatcher, int AMilliseconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < AMilliseconds) ADispatcher.ProcessMessages();
}

bool SaveMain(TQtDispatcher& ADispatcher, const QString& AForms, const QString& AFile) {
  tess::gui::TMainProgram program;
  tess::gui::TMainForm& window = program.Window();
  window.show();
  window.FilesTree()->DropPaths({AForms});
  bool ok = PumpUntil(ADispatcher, [&] { return program.Controller().Idle(); });
  QComboBox* combo = window.TransformCombo();
  combo->setCurrentIndex(combo->findText(QStringLiteral("Text to binary")));
  emit combo->activated(combo->currentIndex());
  window.ActionNamed(QStringLiteral("aStart"))->trigger();
  ok = ok && PumpUntil(ADispatcher, [&] { return program.Controller().Idle(); });
  window.ToggleDetails();
  window.FilesTree()->topLevelItem(0)->setSelected(true);
  Settle(ADispatcher, 800);
  // The end of Details, where the run's counts are.
  QScrollBar* details = window.DetailsMemo()->verticalScrollBar();
  details->setValue(details->maximum());
  Settle(ADispatcher, 100);
  return ok && window.grab().save(AFile);
}

// A transformation a user might write to tidy buttons: one action of each kind.
void FillSample(tess::transform::TManualTransform& ATransform) {
  using namespace tess::transform;
  ATransform.SetCaption(u"Tidy buttons");
  auto remove = std::make_unique<TRemovePropertyAction>();
  remove->SetPropName(u"ExplicitLeft");
  ATransform.AddAction(std::move(remove));
  auto change = std::make_unique<TChangePropertyAction>();
  change->SetOldPropName(u"Caption");
  change->SetOldPropValue(u"'Cancel'");
  change->SetNewPropName(u"Caption");
  change->SetNewPropValue(u"'Close'");
  change->SetObjectClass(u"TButton");
  ATransform.AddAction(std::move(change));
  auto add = std::make_unique<TNewPropertyAction>();
  add->SetNewPropName(u"Font.Name");
  add->SetNewPropValue(u"'Tahoma'");
  add->SetObjectClass(u"TButton");
  ATransform.AddAction(std::move(add));
  auto object = std::make_unique<TChangeObjectAction>();
  object->SetOldObjectClass(u"TBitBtn");
  object->SetNewObjectClass(u"TButton");
  ATransform.AddAction(std::move(object));
}

bool SaveEditor(TQtDispatcher& ADispatcher, const QString& AFile) {
  tess::gui::TModForm window;
  tess::app::TModFormC controller;
  FillSample(controller.Transform());
  controller.AttachView(&window);
  window.SetController(&controller);
  window.show();
  // The change-property action, selected as a click does.
  window.lvActions->setCurrentItem(window.lvActions->topLevelItem(1));
  Settle(ADispatcher, 300);
  const bool ok = window.grab().save(AFile);
  window.SetController(nullptr);
  controller.AttachView(nullptr);
  return ok;
}

// The preferences with backups in a folder of their own, as a user sets them up.
bool SavePreferences(TQtDispatcher& ADispatcher, const QString& AFile) {
  tess::app::TDFMSettings settings;
  settings.SetBackupSameFolder(false);
  settings.SetBackupFolder(u"/home/user/forms-backup");
  settings.SetKeepStructure(true);
  tess::gui::TPrefForm dialog;
  tess::app::TPrefFormC controller(settings);
  dialog.SetController(&controller);
  controller.AttachView(&dialog);
  dialog.show();
  Settle(ADispatcher, 300);
  const bool ok = dialog.grab().save(AFile);
  dialog.SetController(nullptr);
  controller.AttachView(nullptr);
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tessarine-screenshot FORMS_FOLDER OUTDIR\n");
    return 2;
  }
  tess::app::TDFMApp::Instance();
  tess::formtext::InstallDFMParserFactory();
  QApplication application(argc, argv);
  TQtDispatcher dispatcher;
  tess::tasks::InstallUIDispatcher(&dispatcher);
  const QString outdir = QString::fromLocal8Bit(argv[2]);
  const bool ok = SaveMain(dispatcher, QString::fromLocal8Bit(argv[1]), outdir + QStringLiteral("/main.png")) &&
                  SaveEditor(dispatcher, outdir + QStringLiteral("/editor.png")) &&
                  SavePreferences(dispatcher, outdir + QStringLiteral("/preferences.png"));
  tess::tasks::InstallUIDispatcher(nullptr);
  return ok ? 0 : 1;
}
