#include "Cli/uCliPlacement.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "Shared/Common/uDDirectory.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uException.h"
#include "Shared/Common/uFormat.h"

namespace tess::cli {

namespace {

std::u16string Describe(const app::TDFMSettings& ASettings) {
  if (!ASettings.Replace()) {
    if (ASettings.SaveSameFolder()) return u"new file beside each input (NAME.new.dfm, numbered when taken)";
    const std::u16string folder = ASettings.SaveFolder().empty() ? u"." : ASettings.SaveFolder();
    return u"new file in " + folder + u" (numbered when taken)";
  }
  if (!ASettings.Backup()) return u"replace each input, no backup";
  const std::u16string numbering =
      ASettings.OverrideBackup() ? u", overwriting an old backup" : u", numbered when taken";
  if (ASettings.BackupSameFolder()) return u"replace each input, backup beside it (NAME.bak" + numbering + u")";
  const std::u16string folder = ASettings.BackupFolder().empty() ? u"." : ASettings.BackupFolder();
  return u"replace each input, backup in " + folder + u" (" + numbering.substr(2) + u")";
}

}  // namespace

TPlacement ResolvePlacement(const TPlacementOptions& AOptions) {
  TPlacement placement;
  placement.Settings = std::make_unique<app::TDFMSettings>();
  app::TDFMSettings& settings = *placement.Settings;
  if (AOptions.Stdout) {
    placement.Mode = TPlacementMode::pmStdout;
    placement.Description = u"Placement: standard output, nothing on disk changes";
    return placement;
  }
  if (AOptions.DryRun) {
    placement.Mode = TPlacementMode::pmDryRun;
    placement.Description = u"Placement: dry run, nothing on disk changes";
    return placement;
  }
  std::u16string source = u"options";
  if (!AOptions.Any()) {
    const common::TFilePath fileName = settings.GetFileName();
    if (common::DDirectory::FileExists(fileName)) {
      settings.Load();
      source = u"saved preferences";
      if (!settings.LoadError().empty()) placement.Warning = settings.LoadError();
    } else {
      source = u"defaults, no preferences saved";
    }
  } else if (AOptions.New || !AOptions.OutputDir.empty()) {
    settings.SetReplace(false);
    settings.SetSaveSameFolder(AOptions.OutputDir.empty());
    settings.SetSaveFolder(common::TFilePath(AOptions.OutputDir).Text());
  } else {
    settings.SetReplace(true);
    settings.SetBackup(!AOptions.NoBackup);
    settings.SetBackupSameFolder(AOptions.BackupDir.empty());
    settings.SetBackupFolder(common::TFilePath(AOptions.BackupDir).Text());
    settings.SetOverrideBackup(AOptions.OverwriteBackup);
  }
  // Scanned trees keep their shape in a backup or output folder, whatever the saved preferences
  // say, so that a script gets the same layout on every machine.
  settings.SetKeepStructure(!AOptions.Flat);
  placement.Description = u"Placement: " + Describe(settings) + u" (" + source + u")";
  return placement;
}

void PrepareFolders(const TPlacement& APlacement, const TPlacementOptions& AOptions) {
  if (APlacement.Mode != TPlacementMode::pmPlace) return;
  const std::pair<const std::string&, const char16_t*> folders[] = {{AOptions.BackupDir, u"backup"},
                                                                    {AOptions.OutputDir, u"output"}};
  for (const auto& [folder, kind] : folders) {
    if (folder.empty()) continue;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (std::filesystem::is_directory(folder)) continue;
    if (!error) error = std::make_error_code(std::errc::not_a_directory);
    throw common::EFileError(common::Format(u"Cannot create the %s folder \"%s\": %s",
                                            {kind, common::Utf8ToUtf16(folder), common::Utf8ToUtf16(error.message())}));
  }
}

}  // namespace tess::cli
