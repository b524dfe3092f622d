// The transformation every batch run applies file by file: its file names, outcome and log callback.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Shared/Common/uFilePath.h"

namespace tess::transform {

// The outcome of the last Execute, in the order the status column and stored values rely on.
enum class TTransformStatus { tsNone = 0, tsApplied, tsNoChanges, tsSkipped, tsError, tsProgress };

// What the user reads for an outcome: "Applied", "No changes", "Skipped", "Error",
// "In progress..." or nothing.
std::u16string StatusCaption(TTransformStatus AStatus);

// Receives one log line. Called on the thread that runs Execute.
using TOnMessage = std::function<void(const std::u16string& AMessage)>;

// The log line of a file skipped because it is neither binary nor text, naming its first bytes:
// "Skipped: not a form file (starts with 50 4B 03 04)".
std::u16string NotAFormFileMessage(std::string_view ALeadingBytes);

class TTransform {
public:
  TTransform() = default;
  virtual ~TTransform() = default;
  TTransform(const TTransform&) = delete;
  TTransform& operator=(const TTransform&) = delete;

  virtual std::u16string GetCaption() const;
  virtual void SetCaption(const std::u16string& AValue);
  // A new, empty transformation of the receiver's class; null for a class that cannot be copied.
  virtual std::unique_ptr<TTransform> CreateNew() const;
  // Copies the file names and the changed flag; subclasses add their own settings.
  virtual void Assign(const TTransform& ASource);
  virtual void Save();
  virtual void Load();
  virtual bool Editable() const;
  virtual bool Valid() const;
  virtual std::u16string Description() const;
  // Reads InFile and writes OutFile, then leaves the outcome in Status. May raise; a transformation
  // that raises sets tsError first, and the caller removes a partly written OutFile.
  virtual void Execute() = 0;
  // True when the OutFile that Execute wrote is already on disk, so that placing it needs no flush.
  virtual bool OutputFlushed() const { return false; }
  // A result made before Execute (prepared ahead), put at APath by one rename that replaces
  // nothing: 0, the error number (EEXIST when APath is taken), or -1 when there is no such result
  // or it cannot be renamed there. Called before Execute, which then delivers nothing more, or
  // writes OutFile as usual after -1.
  virtual int MoveOutputTo(const common::TFilePath& /*APath*/) { return -1; }

  // CreateNew with the receiver assigned to it; null when CreateNew gives nothing.
  std::unique_ptr<TTransform> Clone() const;
  // The transformation's own file: Path joined with FileName.
  common::TFilePath FullName() const;
  // Both names given and different (compared exactly).
  bool FilesValid() const;

  const common::TFilePath& InFile() const { return FInFile; }
  void SetInFile(common::TFilePath AValue) {
    FInFile = std::move(AValue);
    FInBytes.reset();
  }
  // The bytes of InFile, for a caller that has read them already: the next Execute takes them
  // instead of reading the file again. Given after SetInFile, which drops them.
  void SetInBytes(std::string ABytes) { FInBytes = std::move(ABytes); }
  // The input for Execute: the bytes handed in (once), else the whole of InFile. Raises EFileError
  // when the file cannot be read.
  std::string ReadInput();
  // The size ReadInput will return, found without reading the file.
  uint64_t InputSize() const;
  bool Changed() const { return FChanged; }
  void SetChanged(bool AValue) { FChanged = AValue; }
  const common::TFilePath& OutFile() const { return FOutFile; }
  void SetOutFile(common::TFilePath AValue) { FOutFile = std::move(AValue); }
  const common::TFilePath& FileName() const { return FFileName; }
  void SetFileName(common::TFilePath AValue) { FFileName = std::move(AValue); }
  const common::TFilePath& Path() const { return FPath; }
  void SetPath(common::TFilePath AValue) { FPath = std::move(AValue); }
  const TOnMessage& OnMessage() const { return FOnMessage; }
  void SetOnMessage(TOnMessage AValue) { FOnMessage = std::move(AValue); }
  TTransformStatus Status() const { return FStatus; }
  // The output placement marks a file whose result could not be put in place as failed.
  void SetStatus(TTransformStatus AValue) { FStatus = AValue; }

  std::u16string Caption() const { return GetCaption(); }

protected:
  // Sends one line to OnMessage when a receiver is set.
  void DoMessage(const std::u16string& AMessage) const;
  // Runs AWork; an error it raises marks the file tsError and is logged as "Error: " and its
  // message, so every failure says why, and is then raised again for the output placement.
  void RunReportingErrors(const std::function<void()>& AWork);

  common::TFilePath FInFile;
  std::optional<std::string> FInBytes;
  bool FChanged = false;
  common::TFilePath FOutFile;
  common::TFilePath FFileName;
  common::TFilePath FPath;
  TOnMessage FOnMessage;
  TTransformStatus FStatus = TTransformStatus::tsNone;
};

}  // namespace tess::transform
