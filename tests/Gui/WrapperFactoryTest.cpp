// The factory's class tests, its one-wrapper-per-widget rule and its errors, over real Qt widgets.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <typeinfo>

#include "App/Gui/uVCLControls.h"
#include "Shared/Common/uEncoding.h"

namespace tess::gui {
namespace {

using common::EUnknownWrap;
using common::TDObject;

// A widget subclass of the kind windows use, with no meta-object of its own.
class TMyEdit : public QLineEdit {};

class WrapperFactory : public ::testing::Test {
protected:
  std::unique_ptr<TDWrapper> Factory = CreateVCLWrapper();
  QWidget Window;

  std::string ErrorOf(const std::function<void()>& ARequest) {
    try {
      ARequest();
    } catch (const EUnknownWrap& error) {
      return error.what();
    }
    return "no error";
  }
};

TEST_F(WrapperFactory, LogOnAMemoAlreadyWrappedAsTextIsTheSameWrapperSeeingTheSameContent) {
  auto* memo = new QPlainTextEdit(&Window);
  common::IDText* text = Factory->DText(memo);
  common::IDLog* log = Factory->DLog(memo);
  ASSERT_NE(text, nullptr);
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(common::SameObject(text, log));
  EXPECT_EQ(Factory->Count(), 1);
  log->Add(u"first");
  log->Add(u"second");
  EXPECT_EQ(text->Text(), u"first\r\nsecond");
  EXPECT_EQ(memo->toPlainText(), QStringLiteral("first\nsecond"));
}

TEST_F(WrapperFactory, LogOnAnUnwrappedEditRaisesNamingTheQtClass) {
  auto* edit = new QLineEdit(&Window);
  EXPECT_EQ(ErrorOf([&] { Factory->DLog(edit); }), "No wrapper for class QLineEdit");
  EXPECT_EQ(Factory->Count(), 0);
  // Nothing was registered, so a text request still decides the wrapper; the log then is absent.
  ASSERT_NE(Factory->DText(edit), nullptr);
  EXPECT_EQ(Factory->DLog(edit), nullptr);
  EXPECT_EQ(Factory->Count(), 1);
}

TEST_F(WrapperFactory, TextOnADropDownListRaisesNamingTheQtClass) {
  auto* combo = new QComboBox(&Window);
  EXPECT_EQ(ErrorOf([&] { Factory->DText(combo); }), "No wrapper for class QComboBox");
  EXPECT_NE(Factory->DList(combo), nullptr);
}

TEST_F(WrapperFactory, EveryRequestNamesTheClassOfAnUnknownWidget) {
  auto* label = new QLabel(&Window);
  const std::string expected = "No wrapper for class QLabel";
  EXPECT_EQ(ErrorOf([&] { Factory->DText(label); }), expected);
  EXPECT_EQ(ErrorOf([&] { Factory->DList(label); }), expected);
  EXPECT_EQ(ErrorOf([&] { Factory->DTable(label); }), expected);
  EXPECT_EQ(ErrorOf([&] { Factory->DAction(label); }), expected);
  EXPECT_EQ(ErrorOf([&] { Factory->DLog(label); }), expected);
  EXPECT_EQ(ErrorOf([&] { Factory->DProgress(label); }), expected);
  EXPECT_EQ(ErrorOf([&] { Factory->DCondition(label); }), expected);
  EXPECT_EQ(Factory->Count(), 0);
}

TEST_F(WrapperFactory, ASubclassOfAKnownWidgetGetsItsBaseClassWrapper) {
  auto* edit = new TMyEdit;
  edit->setParent(&Window);
  common::IDText* text = Factory->DText(edit);
  ASSERT_NE(text, nullptr);
  EXPECT_NE(dynamic_cast<TDEdit*>(text), nullptr);
  text->SetText(u"abc");
  EXPECT_EQ(edit->text(), QStringLiteral("abc"));
}

// Each creator's class tests: the widget, the request, and the wrapper class it must give.
struct TCreatorCase {
  const char* Name;
  std::function<QObject*(QWidget*)> Make;
  std::function<TDObject*(TDWrapper&, QObject*)> Request;
  const std::type_info& Wrapper;
};

template <class I>
std::function<TDObject*(TDWrapper&, QObject*)> Asking(I* (TDWrapper::*ARequest)(QObject*)) {
  return [ARequest](TDWrapper& AFactory, QObject* AWidget) {
    return dynamic_cast<TDObject*>((AFactory.*ARequest)(AWidget));
  };
}

class WrapperCreators : public ::testing::TestWithParam<TCreatorCase> {};

TEST_P(WrapperCreators, GiveTheWrapperOfTheWidgetClass) {
  const TCreatorCase& c = GetParam();
  QWidget window;
  std::unique_ptr<TDWrapper> factory = CreateVCLWrapper();
  QObject* widget = c.Make(&window);
  TDObject* wrapper = c.Request(*factory, widget);
  ASSERT_NE(wrapper, nullptr);
  EXPECT_EQ(typeid(*wrapper), c.Wrapper);
  // A second request gives the same wrapper.
  EXPECT_EQ(c.Request(*factory, widget), wrapper);
  EXPECT_EQ(factory->Count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Qt, WrapperCreators,
    ::testing::Values(TCreatorCase{"MemoText", [](QWidget* p) { return new QPlainTextEdit(p); },
                                   Asking(&TDWrapper::DText), typeid(TDMemo)},
                      TCreatorCase{"EditText", [](QWidget* p) { return new QLineEdit(p); }, Asking(&TDWrapper::DText),
                                   typeid(TDEdit)},
                      TCreatorCase{"ButtonedEditText", [](QWidget* p) { return new TButtonedEdit(p); },
                                   Asking(&TDWrapper::DText), typeid(TDButtonedEdit)},
                      TCreatorCase{"TreeTable", [](QWidget* p) { return new QTreeWidget(p); },
                                   Asking(&TDWrapper::DTable), typeid(TDListView)},
                      TCreatorCase{"ComboList", [](QWidget* p) { return new QComboBox(p); }, Asking(&TDWrapper::DList),
                                   typeid(TDCombobox)},
                      TCreatorCase{"Action", [](QWidget* p) { return new QAction(p); }, Asking(&TDWrapper::DAction),
                                   typeid(TDAction)},
                      TCreatorCase{"MemoLog", [](QWidget* p) { return new QPlainTextEdit(p); },
                                   Asking(&TDWrapper::DLog), typeid(TDMemo)},
                      TCreatorCase{"Progress", [](QWidget* p) { return new QProgressBar(p); },
                                   Asking(&TDWrapper::DProgress), typeid(TDProgress)},
                      TCreatorCase{"CheckBox", [](QWidget* p) { return new QCheckBox(p); },
                                   Asking(&TDWrapper::DCondition), typeid(TDCheckbox)},
                      TCreatorCase{"RadioButton", [](QWidget* p) { return new QRadioButton(p); },
                                   Asking(&TDWrapper::DCondition), typeid(TDRadioButton)}),
    [](const ::testing::TestParamInfo<TCreatorCase>& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(WrapperFactory, AWidgetWrappedForOneInterfaceYieldsNothingForAnother) {
  auto* check = new QCheckBox(&Window);
  ASSERT_NE(Factory->DCondition(check), nullptr);
  EXPECT_EQ(Factory->DText(check), nullptr);
  EXPECT_EQ(Factory->DList(check), nullptr);
  EXPECT_EQ(Factory->Count(), 1);
}

}  // namespace
}  // namespace tess::gui
