// Qt message boxes, the window factory and the dialogs' screenshots.
#include "App/Gui/uQtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "App/Gui/uChangePropFrameWidget.h"
#include "App/Gui/uModWindow.h"
#include "App/Gui/uPrefWindow.h"
#include "App/Gui/uVCLControls.h"
#include "App/uDFMSettings.h"
#include "App/uModFormC.h"
#include "App/uPrefFormC.h"
#include "Transformations/uTransformActions.h"

namespace tess::gui {

namespace {

QString Title() {
  const QString name = QGuiApplication::applicationDisplayName();
  return name.isEmpty() ? QStringLiteral("Tessarine") : name;
}

}  // namespace

bool TQtMessageBox::Confirm(const std::u16string& AText) {
  QMessageBox box(QMessageBox::Question, Title(), ToQString(AText), QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  // Enter must not delete anything: No is the default, and Escape answers No as well.
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void TQtMessageBox::Warning(const std::u16string& AText) {
  QMessageBox box(QMessageBox::Warning, Title(), ToQString(AText), QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

std::unique_ptr<app::IModFormWindow> TQtWindowFactory::CreateModForm() { return std::make_unique<TModForm>(); }
std::unique_ptr<app::IPrefFormWindow> TQtWindowFactory::CreatePrefForm() { return std::make_unique<TPrefForm>(); }

TQtDialogs::TQtDialogs() {
  app::SetMessageBox(&FMessageBox);
  app::SetWindowFactory(&FFactory);
}

TQtDialogs::~TQtDialogs() {
  app::SetWindowFactory(nullptr);
  app::SetMessageBox(nullptr);
}

bool SaveDialogScreenshots(const std::u16string& ADir) {
  const QDir dir(ToQString(ADir));
  bool saved = true;
  {
    TModForm window;
    app::TModFormC controller;
    controller.Transform().SetCaption(u"Tidy buttons");
    auto change = std::make_unique<transform::TChangePropertyAction>();
    change->SetOldPropName(u"Caption");
    change->SetOldPropValue(u"'OK'");
    change->SetNewPropValue(u"'Apply'");
    change->SetObjectClass(u"TButton");
    controller.Transform().AddAction(std::move(change));
    auto remove = std::make_unique<transform::TRemovePropertyAction>();
    remove->SetPropName(u"ExplicitWidth");
    controller.Transform().AddAction(std::move(remove));
    controller.AttachView(&window);
    window.SetController(&controller);
    window.show();
    window.lvActions->setCurrentItem(window.lvActions->topLevelItem(0));
    saved = window.grab().save(dir.filePath(QStringLiteral("editor.png"))) && saved;
    window.SetController(nullptr);
    controller.AttachView(nullptr);
  }
  {
    app::TDFMSettings settings;
    TPrefForm dialog;
    app::TPrefFormC controller(settings);
    dialog.SetController(&controller);
    controller.AttachView(&dialog);
    dialog.show();
    saved = dialog.grab().save(dir.filePath(QStringLiteral("preferences.png"))) && saved;
    dialog.SetController(nullptr);
    controller.AttachView(nullptr);
  }
  return saved;
}

}  // namespace tess::gui
