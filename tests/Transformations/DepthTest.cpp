// Transformation files nested far deeper than any real one are refused with the system's errors.
#include <gtest/gtest.h>

#include <string>

#include "Shared/Common/uEncoding.h"
#include "Support/TempDir.h"
#include "Transformations/uManualTransform.h"

using namespace tess;
using namespace tess::transform;

namespace {

std::string Nested(const std::string& AName, int ADepth) {
  std::string text;
  for (int i = 0; i < ADepth; ++i) text += "<" + AName + ">";
  for (int i = 0; i < ADepth; ++i) text += "</" + AName + ">";
  return text;
}

// What loading the file with that content raises, as its message; "" when it loads.
std::string LoadMessage(const std::string& AContent) {
  tess::testing::TempDir dir;
  dir.Write("Deep.xml", AContent);
  TManualTransform transform;
  transform.SetPath(dir.File());
  transform.SetFileName(tess::common::TFilePath("Deep.xml"));
  try {
    transform.Load();
  } catch (const common::Exception& error) {
    return error.what();
  }
  return "";
}

}  // namespace

// Deep actions, deep settings inside an action, deep captions: none overflows, each within a
// second or two. An action's unknown child element is refused before anything below it is read.
TEST(TransformDepth, AHundredThousandLevelsLoadOrFailCleanly) {
  const std::string head = "<?xml version=\"1.0\"?><Transformation>";
  EXPECT_EQ(LoadMessage(head + "<Actions>" + Nested("RemoveProp", 100000) + "</Actions></Transformation>"),
            "Action 1 (RemoveProp): unknown setting RemoveProp");
  EXPECT_NE(LoadMessage(head + "<Actions><RemoveProp><PropName>" + Nested("a", 100000) +
                        "</PropName></RemoveProp></Actions></Transformation>"),
            "");
  EXPECT_NE(LoadMessage(head + "<Caption>" + Nested("a", 100000) + "</Caption></Transformation>"), "");
  EXPECT_NE(LoadMessage(head + Nested("a", 100000)), "") << "unclosed document element";
}
