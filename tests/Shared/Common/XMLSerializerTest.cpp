#include "Shared/Common/uDXMLSerializer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <locale>
#include <string>
#include <vector>

#include "Shared/Common/uDLists.h"
#include "Shared/Common/uEncoding.h"
#include "Support/TempDir.h"

using namespace tess::common;
using tess::testing::TempDir;

namespace {

enum class TColor { clRed, clGreen, clBlue };
const TDEnumInfo& ColorInfo() {
  static const TDEnumInfo info{u"TColor", {u"clRed", u"clGreen", u"clBlue"}};
  return info;
}

class TChild : public TDPersistent {
public:
  std::u16string Tag = u"child";
  int Level = 1;
  const TDPropertyTable& PublishedProperties() const override {
    static const TDPropertyTable table =
        TDPropertyTableOf<TChild>().String(u"Tag", &TChild::Tag).Integer(u"Level", &TChild::Level).Table();
    return table;
  }
};

class TItem : public TDCollectionItem {
public:
  std::u16string Caption;
  const TDPropertyTable& PublishedProperties() const override {
    static const TDPropertyTable table = TDPropertyTableOf<TItem>().String(u"Caption", &TItem::Caption).Table();
    return table;
  }
};

class TSample : public TDPersistent {
public:
  std::u16string Name = u"abc";
  int Count = 3;
  bool Active = true;
  double Ratio = 0.5;
  TDateTime When = EncodeDateTime(2026, 3, 1, 10, 20, 30, 456);
  char16_t Letter = u'A';
  char16_t Wide = u'\u20AC';
  TColor Color = TColor::clGreen;
  uint64_t Style = 0b101;
  TDVariant Value = TDVariant(int64_t{7});
  std::u16string Fixed = u"fixed";
  std::u16string Secret = u"secret";
  TChild Child;
  TDStrings Names;
  TDCollection Items{[] { return std::make_unique<TItem>(); }};
  int Unsigned = 0;

  const TDPropertyTable& PublishedProperties() const override {
    static const TDPropertyTable table =
        TDPropertyTableOf<TSample>()
            .String(u"Name", &TSample::Name)
            .Integer(u"Count", &TSample::Count)
            .Boolean(u"Active", &TSample::Active)
            .Float(u"Ratio", &TSample::Ratio, &TSample::Ratio)
            .DateTime(u"When", &TSample::When, &TSample::When)
            .Char(u"Letter", &TSample::Letter, &TSample::Letter, false)
            .Char(u"Wide", &TSample::Wide, &TSample::Wide, true)
            .Enumeration<TColor>(u"Color", &TSample::Color, &TSample::Color, ColorInfo())
            .Set(u"Style", &TSample::Style, &TSample::Style, ColorInfo(), u"TColors")
            .Variant(u"Value", &TSample::Value, &TSample::Value)
            .String(u"Fixed", &TSample::Fixed, nullptr)
            .String(u"Secret", &TSample::Secret)
            .Stored(false)
            .Other(u"Big", TDTypeKind::tkInt64, u"Int64")
            .Object(u"Child", [](TSample& s) { return &s.Child; })
            .Object(u"Names", [](TSample& s) { return &s.Names; })
            .Object(u"Items", [](TSample& s) { return &s.Items; })
            .Integer(u"Unsigned", &TSample::Unsigned, &TSample::Unsigned, 0, 100)
            .Table();
    return table;
  }
};

class TTriple : public TDPersistent {
public:
  std::u16string Name = u"abc";
  int Count = 3;
  bool Active = true;
  const TDPropertyTable& PublishedProperties() const override {
    static const TDPropertyTable table = TDPropertyTableOf<TTriple>()
                                             .String(u"Name", &TTriple::Name)
                                             .Integer(u"Count", &TTriple::Count)
                                             .Boolean(u"Active", &TTriple::Active)
                                             .Table();
    return table;
  }
};

std::string Saved(TDXMLSerializer& ASerializer) { return ASerializer.XMLDoc().SaveToBytes(); }

// Reads a document (given without declaration) into the object.
void Read(TDPersistent& AObject, const std::string& AXml) {
  TDXMLSerializer serializer(TDXMLEncoding::xeUtf8);
  serializer.XMLDoc().LoadFromBytes(AXml);
  serializer.Deserialize(&AObject);
}

// Points the local zone at a fixed offset for one test.
class ScopedZone {
public:
  explicit ScopedZone(const char* AZone) {
    if (const char* old = std::getenv("TZ")) FOld = old, FHad = true;
    ::setenv("TZ", AZone, 1);
    ::tzset();
  }
  ~ScopedZone() {
    if (FHad)
      ::setenv("TZ", FOld.c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

private:
  std::string FOld;
  bool FHad = false;
};

}  // namespace

TEST(XMLSerializer, WritesTheDocumentElementWithOneIndentedLinePerProperty) {
  TTriple object;
  TDXMLSerializer serializer(TDXMLEncoding::xeUtf8);
  serializer.Serialize(&object);
  EXPECT_EQ(Saved(serializer),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Root>\r\n  <Name>abc</Name>\r\n  <Count>3</Count>\r\n"
            "  <Active>True</Active>\r\n</Root>\r\n");
}

TEST(XMLSerializer, SerializingTwiceLeavesOneSetOfElements) {
  TTriple object;
  TDXMLSerializer serializer(TDXMLEncoding::xeUtf8);
  serializer.Serialize(&object);
  object.Count = 4;
  serializer.Serialize(&object);
  const std::string text = Saved(serializer);
  EXPECT_EQ(text.find("<Count>3"), std::string::npos);
  EXPECT_EQ(serializer.Node().ChildElements().size(), 3u);
}

TEST(XMLSerializer, EveryPersistedKindRoundTrips) {
  TSample source;
  source.Name = u"Grüße <&> \"x\"";
  source.Count = -2147483647 - 1;
  source.Active = false;
  source.Ratio = 1.0 / 3.0;
  source.Letter = static_cast<char16_t>(200);
  source.Wide = u'\u4E2D';
  source.Color = TColor::clBlue;
  source.Style = 0b110;
  source.Value = TDVariant(2.5);
  source.Child.Tag = u"nested";
  source.Child.Level = 9;
  source.Names.Items() = {u"a", u"b c", u"d\"e", u""};
  static_cast<TItem*>(source.Items.Add())->Caption = u"first";
  static_cast<TItem*>(source.Items.Add())->Caption = u"second";
  source.Unsigned = 100;

  TDXMLSerializer writer(TDXMLEncoding::xeUtf8);
  writer.Serialize(&source);
  TSample target;
  target.Value = TDVariant(0.0);  // a float variant reads a float back
  target.Name.clear(), target.Count = 0, target.Active = true, target.Ratio = 0, target.Letter = 0, target.Wide = 0;
  Read(target, Saved(writer));

  EXPECT_EQ(target.Name, source.Name);
  EXPECT_EQ(target.Count, source.Count);
  EXPECT_FALSE(target.Active);
  EXPECT_EQ(target.Ratio, 0.333333333333333);
  EXPECT_EQ(target.Letter, source.Letter);
  EXPECT_EQ(target.Wide, source.Wide);
  EXPECT_EQ(target.Color, TColor::clBlue);
  EXPECT_EQ(target.Style, 0b110u);
  EXPECT_EQ(target.Value, TDVariant(2.5));
  EXPECT_EQ(target.Child.Tag, u"nested");
  EXPECT_EQ(target.Child.Level, 9);
  EXPECT_EQ(target.Names.Items(), source.Names.Items());
  ASSERT_EQ(target.Items.Count(), 2u);
  EXPECT_EQ(static_cast<TItem*>(target.Items.Items(1))->Caption, u"second");
  EXPECT_EQ(target.Unsigned, 100);
  EXPECT_NEAR(target.When, source.When, 1e-9);
}

TEST(XMLSerializer, WritesEachKindAsItsDocumentedText) {
  ScopedZone zone("UTC0");
  TSample source;
  TDXMLSerializer writer(TDXMLEncoding::xeUtf8);
  writer.Serialize(&source);
  const std::string text = Saved(writer);
  for (const char* expected :
       {"<Name>abc</Name>", "<Count>3</Count>", "<Active>True</Active>", "<Ratio>0.5</Ratio>",
        "<When>2026-03-01T10:20:30.456Z</When>", "<Letter>65</Letter>", "<Wide>8364</Wide>", "<Color>clGreen</Color>",
        "<Style>clRed,clBlue</Style>", "<Value>7</Value>",
        "<Child>\r\n    <Tag>child</Tag>\r\n    <Level>1</Level>\r\n  </Child>", "<Names />", "<Items />"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << " missing in\n" << text;
  for (const char* absent : {"<Fixed>", "<Secret>", "<Big>"})
    EXPECT_EQ(text.find(absent), std::string::npos) << absent << " must not be written";
}

TEST(XMLSerializer, AnEmptyStringIsAnEmptyElementAndReadsBackEmpty) {
  TTriple object;
  object.Name.clear();
  TDXMLSerializer writer(TDXMLEncoding::xeUtf8);
  writer.Serialize(&object);
  EXPECT_NE(Saved(writer).find("<Name />"), std::string::npos);
  TTriple target;
  Read(target, Saved(writer));
  EXPECT_EQ(target.Name, u"");
}

TEST(XMLSerializer, BooleansReadByNameWithoutRegardToCaseAndRejectAnythingElse) {
  struct Row {
    const char* Text;
    bool Valid, Value;
  };
  const Row rows[] = {{"False", true, false}, {"True", true, true},  {"true", true, true}, {" FALSE ", true, false},
                      {"", false, false},     {"Yes", false, false}, {"1", false, false}};
  for (const Row& row : rows) {
    TTriple target;
    target.Active = !row.Value;
    const std::string xml = std::string("<Root><Active>") + row.Text + "</Active></Root>";
    if (row.Valid) {
      Read(target, xml);
      EXPECT_EQ(target.Active, row.Value) << row.Text;
    } else {
      EXPECT_THROW(Read(target, xml), EDXMLConvertError) << row.Text;
    }
  }
}

TEST(XMLSerializer, BadValueTextsRaise) {
  const char* rows[] = {
      "<Root><Count>x</Count></Root>",
      "<Root><Count>3.5</Count></Root>",
      "<Root><Count>2147483648</Count></Root>",
      "<Root><Unsigned>101</Unsigned></Root>",
      "<Root><Letter>256</Letter></Root>",
      "<Root><Ratio>0,5</Ratio></Root>",
      "<Root><Ratio>1e</Ratio></Root>",
      "<Root><When>2026-02-30T00:00:00Z</When></Root>",
      "<Root><When>yesterday</When></Root>",
      "<Root><Color>clPink</Color></Root>",
      "<Root><Style>clRed,,clBlue</Style></Root>",
  };
  for (const char* xml : rows) {
    TSample target;
    EXPECT_THROW(Read(target, xml), EDXMLConvertError) << xml;
  }
  TSample target;
  EXPECT_THROW(Read(target, "<Root><Count><Inner>3</Inner></Count></Root>"), EDXMLError);
}

TEST(XMLSerializer, MissingElementsKeepTheirValuesAndExtraOnesAreIgnored) {
  TTriple target;
  target.Name = u"kept";
  Read(target, "<Root><Unknown>1</Unknown><Count>8</Count><Count>9</Count></Root>");
  EXPECT_EQ(target.Name, u"kept");
  EXPECT_EQ(target.Count, 8) << "the first element of a name counts";
  EXPECT_TRUE(target.Active);
}

TEST(XMLSerializer, ElementsAreFoundByNameInAnyOrder) {
  TTriple target;
  Read(target, "<Root><Active>False</Active><Count>5</Count><Name>n</Name></Root>");
  EXPECT_EQ(target.Name, u"n");
  EXPECT_EQ(target.Count, 5);
  EXPECT_FALSE(target.Active);
}

TEST(XMLSerializer, ReadOnlyScalarsAreSkippedButReadOnlyObjectsAreReadInPlace) {
  TSample target;
  TChild* child = &target.Child;
  Read(target, "<Root><Fixed>changed</Fixed><Secret>changed</Secret><Child><Level>5</Level></Child></Root>");
  EXPECT_EQ(target.Fixed, u"fixed");
  EXPECT_EQ(target.Secret, u"secret") << "a property that is not stored is not read either";
  EXPECT_EQ(&target.Child, child);
  EXPECT_EQ(target.Child.Level, 5);
  EXPECT_EQ(target.Child.Tag, u"child");
}

TEST(XMLSerializer, CommaTextQuotesBlanksCommasAndQuotes) {
  TDStrings list{u"a", u"b c", u"d\"e"};
  EXPECT_EQ(list.CommaText(), u"a,\"b c\",\"d\"\"e\"");
  TSample source;
  source.Names = list;
  TDXMLSerializer writer(TDXMLEncoding::xeUtf8);
  writer.Serialize(&source);
  EXPECT_NE(Saved(writer).find("<Names>a,\"b c\",\"d\"\"e\"</Names>"), std::string::npos) << Saved(writer);
  TSample target;
  Read(target, Saved(writer));
  EXPECT_EQ(target.Names.Items(), list.Items());
}

TEST(XMLSerializer, CommaTextReadingFollowsTheListRules) {
  struct Row {
    std::u16string Text;
    std::vector<std::u16string> Items;
  };
  const std::vector<Row> rows = {
      {u"", {}},
      {u"a,,b", {u"a", u"", u"b"}},
      {u"a,", {u"a", u""}},
      {u"  a , b  ", {u"a", u"b"}},
      {u"b c", {u"b", u"c"}},
      {u"\"x, y\",z", {u"x, y", u"z"}},
      {u"\"open", {u"open"}},
      {u"\"\"", {u""}},
      {u"\"q\"\"q\"", {u"q\"q"}},
      {u"\"a\"b", {u"a", u"b"}},
      {std::u16string(u"a\0b", 3), {u"a", u"b"}},
  };
  for (const Row& row : rows) {
    TDStrings list{u"old"};
    list.SetCommaText(row.Text);
    EXPECT_EQ(list.Items(), row.Items) << Utf16ToUtf8(row.Text);
  }
  for (const std::vector<std::u16string>& items :
       std::vector<std::vector<std::u16string>>{{u""}, {u"", u""}, {u"tab\there"}, {u" lead"}, {u"x,"}}) {
    TDStrings list;
    list.Items() = items;
    TDStrings back;
    back.SetCommaText(list.CommaText());
    EXPECT_EQ(back.Items(), items) << Utf16ToUtf8(list.CommaText());
  }
}

TEST(XMLSerializer, AnEmptyListElementLeavesTheTargetListAsItWas) {
  TSample source;
  TDXMLSerializer writer(TDXMLEncoding::xeUtf8);
  writer.Serialize(&source);
  TSample target;
  target.Names.Items() = {u"kept"};
  Read(target, Saved(writer));
  EXPECT_EQ(target.Names.Items(), std::vector<std::u16string>{u"kept"});
}

TEST(XMLSerializer, CollectionItemsAreAppendedToTheExistingOnes) {
  TSample target;
  static_cast<TItem*>(target.Items.Add())->Caption = u"existing";
  Read(target, "<Root><Items><Item><Caption>one</Caption></Item><Item><Caption>two</Caption></Item></Items></Root>");
  ASSERT_EQ(target.Items.Count(), 3u);
  EXPECT_EQ(static_cast<TItem*>(target.Items.Items(0))->Caption, u"existing");
  EXPECT_EQ(static_cast<TItem*>(target.Items.Items(2))->Caption, u"two");
}

namespace {
class TNamedCollection : public TDCollection {
public:
  TNamedCollection() : TDCollection([] { return std::make_unique<TItem>(); }) {}
  std::u16string Title = u"t";
  const TDPropertyTable& PublishedProperties() const override {
    static const TDPropertyTable table =
        TDPropertyTableOf<TNamedCollection>().String(u"Title", &TNamedCollection::Title).Table();
    return table;
  }
};
class THolder : public TDPersistent {
public:
  TNamedCollection List;
  const TDPropertyTable& PublishedProperties() const override {
    static const TDPropertyTable table =
        TDPropertyTableOf<THolder>().Object(u"List", [](THolder& h) { return &h.List; }).Table();
    return table;
  }
};
}  // namespace

TEST(XMLSerializer, ACollectionsOwnPropertiesDoNotBecomeItems) {
  THolder source;
  source.List.Add();
  source.List.Title = u"named";
  TDXMLSerializer writer(TDXMLEncoding::xeUtf8);
  writer.Serialize(&source);
  THolder target;
  Read(target, Saved(writer));
  EXPECT_EQ(target.List.Count(), 1u);
  EXPECT_EQ(target.List.Title, u"named");
}

TEST(XMLSerializer, HooksCanSkipAndObserve) {
  TTriple object;
  TDXMLSerializer serializer(TDXMLEncoding::xeUtf8);
  std::vector<std::u16string> seen;
  serializer.PropertySerialize = [](TDXMLSerializer*, TDPersistent*, const std::u16string& AName, TDXMLNode,
                                    bool& ASkip) { ASkip = AName == u"Count"; };
  serializer.PropertySerialized = [&](TDXMLSerializer*, TDPersistent*, const std::u16string& AName, TDXMLNode) {
    seen.push_back(AName);
  };
  int objectsDone = 0;
  serializer.ObjectSerialized = [&](TDXMLSerializer*, TDPersistent* AObject, TDXMLNode) {
    EXPECT_EQ(AObject, &object);
    ++objectsDone;
  };
  serializer.Serialize(&object);
  EXPECT_EQ(Saved(serializer).find("Count"), std::string::npos);
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"Name", u"Count", u"Active"}));
  EXPECT_EQ(objectsDone, 1);

  TTriple target;
  TDXMLSerializer reader(TDXMLEncoding::xeUtf8);
  reader.XMLDoc().LoadFromBytes("<Root><Name>x</Name><Active>False</Active></Root>");
  reader.ObjectDeserialize = [&](TDXMLSerializer*, TDPersistent* AMain, TDPersistent* AObject, TDXMLNode, bool& ASkip) {
    EXPECT_EQ(AMain, &target);
    ASkip = AObject == &target;
  };
  reader.Deserialize(&target);
  EXPECT_EQ(target.Name, u"abc") << "a skipped object is not read";
}

TEST(XMLSerializer, ReadingHooksSkipPropertiesAndSeeEveryObject) {
  TSample target;
  TDXMLSerializer reader(TDXMLEncoding::xeUtf8);
  reader.XMLDoc().LoadFromBytes(
      "<Root><Name>new</Name><Count>9</Count><Child><Level>4</Level></Child>"
      "<Names>x,y</Names></Root>");
  reader.PropertyDeserialize = [](TDXMLSerializer*, TDPersistent*, const std::u16string& AName, TDXMLNode ANode,
                                  bool& ASkip) {
    EXPECT_EQ(ANode.NodeName(), AName);
    ASkip = AName == u"Name";
  };
  std::vector<TDPersistent*> done;
  reader.ObjectDeserialized = [&](TDXMLSerializer*, TDPersistent* AObject, TDXMLNode) { done.push_back(AObject); };
  int objectHooks = 0;
  reader.ObjectDeserialize = [&](TDXMLSerializer*, TDPersistent*, TDPersistent*, TDXMLNode, bool&) { ++objectHooks; };
  reader.Deserialize(&target);
  EXPECT_EQ(target.Name, u"abc");
  EXPECT_EQ(target.Count, 9);
  EXPECT_EQ(target.Child.Level, 4);
  EXPECT_EQ(done, (std::vector<TDPersistent*>{&target.Child, &target.Names, &target}));
  EXPECT_EQ(objectHooks, 2) << "list objects raise no ObjectDeserialize";
}

TEST(XMLSerializer, AReadErrorHandlerKeepsTheBadValueAndReadsTheRest) {
  TTriple target;
  TDXMLSerializer reader(TDXMLEncoding::xeUtf8);
  reader.XMLDoc().LoadFromBytes("<Root><Name>n</Name><Count>many</Count><Active>False</Active></Root>");
  std::vector<std::u16string> failed;
  reader.PropertyReadError = [&](TDXMLSerializer*, TDPersistent*, const std::u16string& AName, TDXMLNode,
                                 const std::exception&, bool& AHandled) {
    failed.push_back(AName);
    AHandled = true;
  };
  reader.Deserialize(&target);
  EXPECT_EQ(target.Name, u"n");
  EXPECT_EQ(target.Count, 3);
  EXPECT_FALSE(target.Active);
  EXPECT_EQ(failed, std::vector<std::u16string>{u"Count"});
}

TEST(XMLSerializer, ANewlyLoadedDocumentIsReadFromItsOwnElement) {
  TTriple target;
  TDXMLSerializer serializer(TDXMLEncoding::xeUtf8);
  serializer.XMLDoc().LoadFromBytes("<Root><Count>1</Count></Root>");
  serializer.Deserialize(&target);
  serializer.XMLDoc().LoadFromBytes("<Root><Count>2</Count></Root>");
  serializer.Deserialize(&target);
  EXPECT_EQ(target.Count, 2);
  serializer.Serialize(&target);
  EXPECT_NE(Saved(serializer).find("<Count>2</Count>"), std::string::npos);
}

TEST(XMLSerializer, FloatsUseGeneralNotationWithAPointWhateverTheLocale) {
  struct CommaPunct : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale old = std::locale::global(std::locale(std::locale(), new CommaPunct));
  struct Row {
    double Value;
    const char16_t* Text;
  };
  const Row rows[] = {{0.5, u"0.5"},
                      {-2.25, u"-2.25"},
                      {100, u"100"},
                      {1e20, u"1E20"},
                      {1.5e-7, u"1.5E-7"},
                      {0.0001, u"0.0001"},
                      {0.00001, u"1E-5"},
                      {1e15, u"1E15"},
                      {123456789012345, u"123456789012345"},
                      {1.0 / 3, u"0.333333333333333"},
                      {0, u"0"},
                      {2.0 / 3 * 1e-10, u"6.66666666666667E-11"}};
  for (const Row& row : rows) {
    EXPECT_EQ(XmlFloatText(row.Value), row.Text);
    EXPECT_NEAR(XmlTextToFloat(row.Text), row.Value, std::fabs(row.Value) * 1e-14);
  }
  std::locale::global(old);
  EXPECT_TRUE(std::isnan(XmlTextToFloat(XmlFloatText(std::nan("")))));
  EXPECT_EQ(XmlTextToFloat(XmlFloatText(-HUGE_VAL)), -HUGE_VAL);
  EXPECT_EQ(XmlTextToFloat(u".5"), 0.5);
  EXPECT_THROW(XmlTextToFloat(u"0x10"), EDXMLConvertError);
  EXPECT_THROW(XmlTextToFloat(u""), EDXMLConvertError);
}

TEST(XMLSerializer, DateTimesCarryTheLocalOffsetAndReadBackAsLocalTime) {
  const TDateTime when = EncodeDateTime(2026, 3, 1, 10, 20, 30, 456);
  {
    ScopedZone zone("XYZ-2");  // two hours east of UTC
    EXPECT_EQ(XmlDateTimeText(when), u"2026-03-01T10:20:30.456+02:00");
    EXPECT_NEAR(XmlTextToDateTime(u"2026-03-01T08:20:30.456Z"), when, 1e-9);
    EXPECT_NEAR(XmlTextToDateTime(u"2026-03-01T03:50:30.456-04:30"), when, 1e-9);
  }
  {
    ScopedZone zone("ABC+3:30");
    EXPECT_EQ(XmlDateTimeText(when), u"2026-03-01T10:20:30.456-03:30");
  }
  {
    ScopedZone zone("UTC0");
    EXPECT_EQ(XmlDateTimeText(when), u"2026-03-01T10:20:30.456Z");
    EXPECT_EQ(XmlDateTimeText(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0)), u"1899-12-29T06:00:00.000Z");
    EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);
    EXPECT_EQ(XmlDateTimeText(0.99999999999), u"1899-12-31T00:00:00.000Z")
        << "a rounded time carries into the next day";
    EXPECT_NEAR(XmlTextToDateTime(u"2026-03-01"), EncodeDateTime(2026, 3, 1, 0, 0, 0, 0), 1e-9);
    EXPECT_NEAR(XmlTextToDateTime(u"2024-02-29T23:59:59.9996Z"), EncodeDateTime(2024, 3, 1, 0, 0, 0, 0), 1e-9);
  }
}

TEST(XMLSerializer, AVariantReadsBackAsTheKindOfItsCurrentValue) {
  ScopedZone zone("UTC0");
  struct Row {
    TDVariant Current;
    const char* Text;
    TDVariant Expected;
  };
  const Row rows[] = {
      {TDVariant(1.0), "2.5", TDVariant(2.5)},
      {TDVariant::FromDate(0), "1899-12-31T12:00:00.000Z", TDVariant::FromDate(1.5)},
      {TDVariant(int64_t{1}), "2", TDVariant(u"2")},
      {TDVariant(true), "False", TDVariant(u"False")},
      {TDVariant(), "", TDVariant(u"")},
  };
  for (const Row& row : rows) {
    TSample target;
    target.Value = row.Current;
    Read(target, std::string("<Root><Value>") + row.Text + "</Value></Root>");
    EXPECT_EQ(target.Value, row.Expected) << row.Text;
  }
}

TEST(XMLDocument, SavesUnicodeWithAByteOrderMarkAndLoadsItBack) {
  TTriple object;
  object.Name = u"\u00E9\u4E2D";
  TDXMLSerializer writer(TDXMLEncoding::xeUnicode);
  EXPECT_EQ(writer.EncodingAsStr(), u"Unicode");
  writer.Serialize(&object);
  const std::string bytes = Saved(writer);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE<\0", 4));
  TTriple target;
  target.Name.clear();
  Read(target, bytes);
  EXPECT_EQ(target.Name, object.Name);
}

TEST(XMLDocument, MalformedTextAndMissingFilesRaise) {
  TDXMLDocument doc;
  for (const char* text : {"", "<Root>", "<Root></Other>", "plain text", "<!-- only a comment -->"})
    EXPECT_THROW(doc.LoadFromBytes(text), EDXMLError) << text;
  EXPECT_TRUE(doc.DocumentElement().IsNull());
  TempDir dir;
  EXPECT_THROW(doc.LoadFromFile(dir / "missing.xml"), EFileError);
}

TEST(XMLDocument, LineBreaksAndControlCharactersInValuesReadBackUnchanged) {
  struct Row {
    std::u16string Value;
    const char* Written;
  };
  const Row rows[] = {{u"one\ntwo", "one\r\ntwo"},
                      {u"one\rtwo", "one&#13;two"},
                      {u"one\r\ntwo", "one&#13;\r\ntwo"},
                      {u"a\x01z", "a&#01;z"}};
  for (const Row& row : rows) {
    TTriple object;
    object.Name = row.Value;
    TDXMLSerializer writer(TDXMLEncoding::xeUtf8);
    writer.Serialize(&object);
    EXPECT_NE(Saved(writer).find(row.Written), std::string::npos) << Saved(writer);
    TTriple target;
    Read(target, Saved(writer));
    EXPECT_EQ(target.Name, row.Value) << row.Written;
  }
}
