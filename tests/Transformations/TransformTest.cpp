#include "Transformations/uTransform.h"

#include <gtest/gtest.h>

using namespace tess::transform;

namespace {

class Upper : public TTransform {
public:
  std::unique_ptr<TTransform> CreateNew() const override { return std::make_unique<Upper>(); }
  void Execute() override {
    FStatus = TTransformStatus::tsApplied;
    DoMessage(u"ran " + FInFile.Text());
  }
};

class Plain : public TTransform {
public:
  void Execute() override {}
};

}  // namespace

TEST(Transform, FilesAreValidOnlyWhenBothAreGivenAndDiffer) {
  struct Row {
    const char *In, *Out;
    bool Valid;
  };
  const Row rows[] = {{"", "", false},           {"a.dfm", "", false},     {"", "b.dfm", false},
                      {"a.dfm", "a.dfm", false}, {"a.dfm", "A.dfm", true}, {"a.dfm", "a.dfm.tmp", true}};
  for (const Row& row : rows) {
    Plain transform;
    transform.SetInFile(tess::common::TFilePath(row.In));
    transform.SetOutFile(tess::common::TFilePath(row.Out));
    EXPECT_EQ(transform.FilesValid(), row.Valid);
  }
}

TEST(Transform, CloneCopiesFileNamesAndChangedButNotTheOwnFile) {
  Upper source;
  source.SetInFile(tess::common::TFilePath("/in/a.dfm"));
  source.SetOutFile(tess::common::TFilePath("/in/a.dfm.tmp"));
  source.SetChanged(true);
  source.SetFileName(tess::common::TFilePath("0002.xml"));
  source.SetPath(tess::common::TFilePath("/data/Transforms"));
  std::unique_ptr<TTransform> copy = source.Clone();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->InFile().Text(), u"/in/a.dfm");
  EXPECT_EQ(copy->OutFile().Text(), u"/in/a.dfm.tmp");
  EXPECT_TRUE(copy->Changed());
  EXPECT_EQ(copy->FileName().Text(), u"");
  EXPECT_EQ(copy->Status(), TTransformStatus::tsNone);
  EXPECT_EQ(source.FullName().Text(), u"/data/Transforms/0002.xml");
}

TEST(Transform, AClassWithoutCreateNewClonesToNothing) {
  Plain plain;
  EXPECT_EQ(plain.Clone(), nullptr);
  EXPECT_EQ(plain.Caption(), u"Transformation");
  EXPECT_FALSE(plain.Editable());
  EXPECT_TRUE(plain.Valid());
}

TEST(Transform, MessagesReachTheCallbackAndAreDroppedWithoutOne) {
  Upper transform;
  transform.SetInFile(tess::common::TFilePath("x"));
  transform.Execute();  // no callback: nothing happens
  std::u16string got;
  transform.SetOnMessage([&](const std::u16string& AMessage) { got = AMessage; });
  transform.Execute();
  EXPECT_EQ(got, u"ran x");
  EXPECT_EQ(static_cast<int>(TTransformStatus::tsProgress), 5);
}
