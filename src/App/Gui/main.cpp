// The desktop program: start-up, the message loop, and shut-down in order.
#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QStringList>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "App/Gui/uMainStartup.h"
#include "App/Gui/uQtDispatcher.h"
#include "App/uDFMApp.h"
#include "FormText/uDFMParserFactory.h"
#include "Shared/Tasks/uDispatcher.h"

namespace {

// Qt aborts when it finds neither a display nor an explicit platform; say what to do instead.
bool HasDisplay() {
  const auto set = [](const char* AName) {
    const char* value = std::getenv(AName);
    return value && *value;
  };
  return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM");
}

}  // namespace

int main(int argc, char** argv) {
  if (!HasDisplay()) {
    std::fprintf(stderr, "tessarine: no display found; use tessarine-cli to convert form files without one.\n");
    return 2;
  }
  // Process-wide objects before any window: settings with the output placement, the form-text parsers.
  tess::app::TDFMApp::Instance();
  tess::formtext::InstallDFMParserFactory();

  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Tessarine"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tessarine"));
  tess::gui::TQtDispatcher dispatcher;
  tess::tasks::InstallUIDispatcher(&dispatcher);
  int result = 0;
  try {
    tess::gui::TMainProgram program;
    program.Window().setWindowIcon(QIcon::fromTheme(QStringLiteral("tessarine")));
    program.Window().show();
    QStringList paths = QApplication::arguments();
    paths.removeFirst();
    if (!paths.isEmpty() && paths.first() == QStringLiteral("--")) paths.removeFirst();
    program.OpenPaths(paths);
    result = QApplication::exec();
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tessarine: %s\n", error.what());
    result = 1;
  }
  tess::tasks::InstallUIDispatcher(nullptr);
  return result;
}
