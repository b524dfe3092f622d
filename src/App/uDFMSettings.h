// The user's preferences: where results and backups go, and how converted text ends its lines.
// Stored in "Preferences.xml".
#pragma once

#include <string>

#include "Batch/uPlacementSettings.h"
#include "Shared/Common/uAppSettings.h"

namespace tess::app {

class TDFMSettings : public common::TAppSettings, public batch::TPlacementSettings {
public:
  // The placement's defaults, and converted text with CR LF.
  TDFMSettings();

  const common::TDPropertyTable& PublishedProperties() const override;

  // Line breaks of the text "Binary to text" writes: CR LF as the IDE writes them (the default),
  // or LF for repositories checked out with LF.
  bool ConvertedLf() const { return FConvertedLf; }
  void SetConvertedLf(bool AValue) { FConvertedLf = AValue; }

  // "Preferences.xml" in the tool's data folder, which asking for it creates when missing.
  common::TFilePath GetFileName() override;

private:
  bool FConvertedLf = false;
};

}  // namespace tess::app
