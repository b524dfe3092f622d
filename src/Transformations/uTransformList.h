// Every transformation the user can choose, the two built-ins first, and the files of the others.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Shared/Common/uDString.h"
#include "Transformations/uTransform.h"

namespace tess::transform {

class TTransformList {
public:
  // The two built-ins, "Binary to text" then "Text to binary"; no user transformation yet.
  TTransformList();
  ~TTransformList();
  TTransformList(const TTransformList&) = delete;
  TTransformList& operator=(const TTransformList&) = delete;

  // The program's list, made on first use and loaded from the Transforms folder.
  static TTransformList& Instance();

  // Appends one user transformation per "*.xml" file of the Transforms folder, in name order.
  // A file that cannot be read or is no transformation is skipped and reported in LoadMessages;
  // the others still load, so one bad file never keeps the program from starting.
  void Load();
  // One line per file the last Load skipped: the file and the reason.
  const common::TStringList& LoadMessages() const { return FLoadMessages; }

  int Count() const { return static_cast<int>(FList.size()); }
  // Raises common::Exception for an index outside the list.
  TTransform* Items(int AIndex) const;
  int IndexOf(const TTransform* ATransform) const;

  // Gives the transformation the next free file name in the Transforms folder, saves it and
  // appends it. When saving raises, the error propagates and the transformation is not listed.
  TTransform* Add(std::unique_ptr<TTransform> ATransform);
  // Deletes the transformation's file when it has one and frees it. A transformation that is not
  // listed, or one of the built-ins, is left alone.
  void Remove(TTransform* ATransform);
  // Saves every editable transformation.
  void Save();

  // Count in upper-case hexadecimal, then the first number above it whose name is free.
  common::TFilePath NewFileName() const;
  // AIndex in upper-case hexadecimal with at least four digits, and ".xml": 10 gives 000A.xml.
  static common::TFilePath FileNameFor(int AIndex);
  // The Transforms folder, created when it is missing.
  static common::TFilePath TransformsFolder();

private:
  std::vector<std::unique_ptr<TTransform>> FList;
  common::TStringList FLoadMessages;
};

}  // namespace tess::transform
