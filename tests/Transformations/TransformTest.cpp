#include "Transformations/uTransform.h"

#include <gtest/gtest.h>

using namespace tess::transform;

namespace {

class Upper : public TTransform {
public:
  std::unique_ptr<TTransform> CreateNew() const override { return std::make_unique<Upper>(); }
  void Execute() override {
    FStatus = TTransformStatus::tsApplied;
    DoMessage(u"ran " + FInFile);
  }
};

class Plain : public TTransform {
public:
  void Execute() override {}
};

}  // namespace

TEST(Transform, FilesAreValidOnlyWhenBothAreGivenAndDiffer) {
  struct Row {
    std::u16string In, Out;
    bool Valid;
  };
  const Row rows[] = {{u"", u"", false},           {u"a.dfm", u"", false},     {u"", u"b.dfm", false},
                      {u"a.dfm", u"a.dfm", false}, {u"a.dfm", u"A.dfm", true}, {u"a.dfm", u"a.dfm.tmp", true}};
  for (const Row& row : rows) {
    Plain transform;
    transform.SetInFile(row.In);
    transform.SetOutFile(row.Out);
    EXPECT_EQ(transform.FilesValid(), row.Valid);
  }
}

TEST(Transform, CloneCopiesFileNamesAndChangedButNotTheOwnFile) {
  Upper source;
  source.SetInFile(u"/in/a.dfm");
  source.SetOutFile(u"/in/a.dfm.tmp");
  source.SetChanged(true);
  source.SetFileName(u"0002.xml");
  source.SetPath(u"/data/Transforms");
  std::unique_ptr<TTransform> copy = source.Clone();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->InFile(), u"/in/a.dfm");
  EXPECT_EQ(copy->OutFile(), u"/in/a.dfm.tmp");
  EXPECT_TRUE(copy->Changed());
  EXPECT_EQ(copy->FileName(), u"");
  EXPECT_EQ(copy->Status(), TTransformStatus::tsNone);
  EXPECT_EQ(source.FullName(), u"/data/Transforms/0002.xml");
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
  transform.SetInFile(u"x");
  transform.Execute();  // no callback: nothing happens
  std::u16string got;
  transform.SetOnMessage([&](const std::u16string& AMessage) { got = AMessage; });
  transform.Execute();
  EXPECT_EQ(got, u"ran x");
  EXPECT_EQ(static_cast<int>(TTransformStatus::tsProgress), 5);
}
