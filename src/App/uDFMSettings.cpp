#include "App/uDFMSettings.h"

#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uDString.h"

namespace tess::app {

using common::TDPropertyTableOf;

TDFMSettings::TDFMSettings() = default;

const common::TDPropertyTable& TDFMSettings::PublishedProperties() const {
  // The order is the order of the file's elements.
  static const common::TDPropertyTable table = TDPropertyTableOf<TDFMSettings>(&TAppSettings::PublishedProperties())
                                                   .Boolean(u"Replace", &TDFMSettings::FReplace)
                                                   .Boolean(u"Backup", &TDFMSettings::FBackup)
                                                   .Boolean(u"BackupSameFolder", &TDFMSettings::FSameFolder)
                                                   .String(u"BackupFolder", &TDFMSettings::FBackupFolder)
                                                   .Boolean(u"OverrideBackup", &TDFMSettings::FOverrideBackup)
                                                   .Boolean(u"SaveSameFolder", &TDFMSettings::FSaveSameFolder)
                                                   .String(u"SaveFolder", &TDFMSettings::FSaveFolder)
                                                   .Boolean(u"KeepFolderStructure", &TDFMSettings::FKeepStructure)
                                                   .Boolean(u"ConvertedLf", &TDFMSettings::FConvertedLf)
                                                   .Table();
  return table;
}

common::TFilePath TDFMSettings::GetFileName() { return common::TDFMPathMan::Instance().App() / "Preferences.xml"; }

}  // namespace tess::app
