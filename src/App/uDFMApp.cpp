#include "App/uDFMApp.h"

#include <utility>

namespace tess::app {

TDFMApp::TDFMApp() : FSettings(std::make_unique<TDFMSettings>()) {
  FSettings->Load();
  FLoadProblem = FSettings->LoadError();
}

TDFMApp::~TDFMApp() = default;

TDFMApp& TDFMApp::Instance() {
  static TDFMApp instance;
  return instance;
}

std::u16string TDFMApp::TakeLoadProblem() { return std::exchange(FLoadProblem, std::u16string()); }

}  // namespace tess::app
