// A settings object that keeps its published properties in one XML file.
#pragma once

#include <memory>
#include <string>

#include "Shared/Common/uDTypeInfo.h"
#include "Shared/Common/uDXMLSerializer.h"
#include "Shared/Common/uFilePath.h"

namespace tess::common {

class TAppSettings : public TDPersistent {
public:
  TAppSettings();
  ~TAppSettings() override;
  TAppSettings(const TAppSettings&) = delete;
  TAppSettings& operator=(const TAppSettings&) = delete;

  // The settings file, read and written through the two virtual operations below; the base
  // class has none. Not a published property: it is not stored in the file.
  TFilePath FileName() { return GetFileName(); }
  virtual TFilePath GetFileName();
  virtual void SetFileName(const TFilePath& AValue);

  // Reads the file when there is one. It never raises: a file that cannot be read or is not
  // well-formed leaves every value as it is, a value that cannot be converted leaves that one
  // property as it is, and LoadError then describes what was passed over.
  void Load();
  // Writes every property to the file, replacing it. Nothing happens without a file name.
  // Raises EFileError when the file cannot be written; the old file then stays as it was.
  void Save();
  // What the last Load could not read, in one message; empty when it read everything.
  const std::u16string& LoadError() const { return FLoadError; }

  TDXMLSerializer& Serializer() { return *FSerializer; }

private:
  std::unique_ptr<TDXMLSerializer> FSerializer;
  std::u16string FLoadError;
};

}  // namespace tess::common
