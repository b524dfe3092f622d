// The file list with its inspection queue and a scratch folder: the base of the tests of the list
// and of the tasks that fill it, inspect it and run over it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Batch/uFilesC.h"
#include "Shared/Common/uControls.h"
#include "Support/TempDir.h"

namespace tess::testing {

class TFileListTest : public ::testing::Test {
protected:
  // Shows the list in ATable (the test's own table, or the fake main window's).
  void ShowIn(common::IDTable* ATable) {
    Files.SetTable(ATable);
    Files.SetFileStack(&Stack);
  }
  // The full path of every row, in order.
  std::vector<std::u16string> Names() const {
    std::vector<std::u16string> names;
    for (int32_t i = 0; i < Files.Count(); ++i) names.push_back(Files.FileName(i).Text());
    return names;
  }

  // Declared first, so that they outlive what the test adds and what its workers still hand over.
  batch::TFileStack Stack;
  batch::TFilesC Files;
  TempDir Dir;
};

}  // namespace tess::testing
