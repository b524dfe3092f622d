// Random binary streams of every value kind, extremes included, through text and back: each value
// comes back the same, or the text fails to read with a message; a value never changes silently.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "CorpusSupport.h"
#include "FormStream/uFiler.h"
#include "FormText/uDFMHelper.h"
#include "Shared/Common/uEncoding.h"

namespace tess::stream::testing {
namespace {

// One value or structural mark of a stream, in the terms a round trip must keep. The encodings that
// the conversions may choose among are one kind here: any integer width, any string encoding (by
// its characters), an extended or a double (the text prints both alike and reads an extended).
struct TCanon {
  std::string Kind;
  std::u16string Text;
  TExtended Number = 0;

  std::string Show() const {
    char number[64];
    std::snprintf(number, sizeof number, "%.21Lg", static_cast<long double>(Number));
    return Kind + " '" + common::Utf16ToUtf8(Text) + "' " + number;
  }
};

class TCanonReader {
public:
  explicit TCanonReader(const std::string& AStream) : FInput(AStream), FReader(FInput) {}

  std::vector<TCanon> Read() {
    FReader.ReadSignature();
    Object();
    return FOut;
  }

private:
  void Add(std::string AKind, std::u16string AText = {}, TExtended ANumber = 0) {
    FOut.push_back({std::move(AKind), std::move(AText), ANumber});
  }
  void Object() {
    TFilerFlags flags = 0;
    int32_t position = 0;
    FReader.ReadPrefix(flags, position);
    // The text has one keyword: an object both inherited and inline is written, as the IDE writes
    // it, as inherited.
    if ((flags & ffInherited) != 0) flags &= static_cast<TFilerFlags>(~ffInline);
    Add("object", common::Utf8ToUtf16(FReader.ReadStrBytes()), flags * 1000000000.0L + position);
    Add("name", common::Utf8ToUtf16(FReader.ReadStrBytes()));
    while (!FReader.EndOfList()) Property();
    FReader.ReadValue();
    while (!FReader.EndOfList()) Object();
    FReader.ReadValue();
    Add("end");
  }
  void Property() {
    Add("property", common::Utf8ToUtf16(FReader.ReadStrBytes()));
    Value();
  }
  template <typename T>
  T Raw() {
    T value{};
    FReader.Read(&value, sizeof value);
    return value;
  }
  void Value() {
    const TValueType type = FReader.ReadValue();
    switch (type) {
      case TValueType::vaInt8:
      case TValueType::vaInt16:
      case TValueType::vaInt32: return Add("integer", {}, FReader.ReadIntegerOf(type));
      case TValueType::vaInt64: return Add("integer", {}, static_cast<TExtended>(Raw<int64_t>()));
      case TValueType::vaExtended: return Add("extended", {}, FReader.ReadExtendedBytes());
      case TValueType::vaDouble: return Add("extended", {}, Raw<double>());
      case TValueType::vaSingle: return Add("single", {}, Raw<float>());
      case TValueType::vaCurrency: {
        // Printed exactly: a long double holds every 64-bit integer.
        return Add("currency", common::U16(std::to_string(Raw<int64_t>())));
      }
      case TValueType::vaDate: return Add("date", {}, Raw<double>());
      case TValueType::vaString: {
        std::string bytes(FReader.ReadByte(), '\0');
        FReader.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
        return Add("string", common::Cp1252ToUtf16(bytes));
      }
      case TValueType::vaLString:
      case TValueType::vaUTF8String: {
        std::string bytes(static_cast<size_t>(FReader.ReadLength()), '\0');
        FReader.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
        return Add("string", type == TValueType::vaLString ? common::Cp1252ToUtf16(bytes) : common::Utf8ToUtf16(bytes));
      }
      case TValueType::vaWString: {
        std::u16string units(static_cast<size_t>(FReader.ReadLength(2)), u'\0');
        FReader.Read(units.data(), static_cast<int64_t>(2 * units.size()));
        return Add("string", units);
      }
      case TValueType::vaBinary: {
        std::string bytes(static_cast<size_t>(FReader.ReadLength()), '\0');
        FReader.Read(bytes.data(), static_cast<int64_t>(bytes.size()));
        return Add("binary", common::Cp1252ToUtf16(bytes));
      }
      case TValueType::vaIdent: return Add("ident", common::Utf8ToUtf16(FReader.ReadStrBytes()));
      case TValueType::vaFalse: return Add("ident", u"False");
      case TValueType::vaTrue: return Add("ident", u"True");
      case TValueType::vaNil: return Add("ident", u"nil");
      case TValueType::vaNull: return Add("ident", u"Null");
      case TValueType::vaSet:
        Add("set");
        for (std::string element; !(element = FReader.ReadStrBytes()).empty();) Add("element", common::U16(element));
        return Add("end");
      case TValueType::vaList:
        Add("list");
        while (!FReader.EndOfList()) Value();
        FReader.ReadValue();
        return Add("end");
      case TValueType::vaCollection:
        Add("collection");
        while (!FReader.EndOfList()) {
          const TValueType next = FReader.NextValue();
          if (next == TValueType::vaInt8 || next == TValueType::vaInt16 || next == TValueType::vaInt32)
            Add("index", {}, FReader.ReadInteger());
          FReader.CheckValue(TValueType::vaList);
          Add("item");
          while (!FReader.EndOfList()) Property();
          FReader.ReadValue();
          Add("end");
        }
        FReader.ReadValue();
        return Add("end");
      default: ADD_FAILURE() << "unexpected value type " << static_cast<int>(type);
    }
  }

  TMemoryStream FInput;
  TReader FReader;
  std::vector<TCanon> FOut;
};

// The same value: exact for every kind but extended, which the text keeps to 16 digits, or to the
// 18th decimal from 1E-12 up (as the IDE prints it).
bool SameValue(const TCanon& AWritten, const TCanon& ARead) {
  if (AWritten.Kind != ARead.Kind || AWritten.Text != ARead.Text) return false;
  const TExtended a = AWritten.Number, b = ARead.Number;
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  if (AWritten.Kind != "extended" || std::isinf(a) || std::isinf(b))
    return a == b && std::signbit(a) == std::signbit(b);
  const TExtended magnitude = std::fabs(a);
  TExtended tolerance = magnitude * 1e-15L;
  tolerance = std::max(tolerance, magnitude >= 1e-12L ? 5.1e-19L : std::numeric_limits<TExtended>::denorm_min());
  return std::fabs(a - b) <= tolerance && std::signbit(a) == std::signbit(b);
}

// Random forms: names ASCII or Cyrillic (which makes the text UTF-8), objects of every header
// form, and values of every kind with their extremes.
class TRandomForm {
public:
  explicit TRandomForm(uint64_t ASeed) : FRandom(ASeed) {}

  std::string Make() {
    TMemoryStream stream;
    {
      TWriter writer(stream);
      FWriter = &writer;
      writer.WriteSignature();
      Object(0);
    }
    return stream.TakeBytes();
  }

private:
  size_t Below(size_t ALimit) { return static_cast<size_t>(FRandom() % ALimit); }
  bool OneIn(size_t AChances) { return Below(AChances) == 0; }

  // Set elements are in the single-byte code page, and ASCII in practice.
  std::string Name(bool AUtf8 = true) {
    static const char* const kLetters = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";
    std::string name(1, kLetters[Below(53)]);
    if (AUtf8 && OneIn(20)) name += "\xD0\x96\xD0\xB8";  // Cyrillic letters
    for (size_t n = Below(10); n > 0; --n) name += OneIn(4) ? char('0' + Below(10)) : kLetters[Below(53)];
    // False, True, nil and Null are constants, not names.
    if (name.size() <= 5) name += "x";
    return name;
  }
  std::u16string Text() {
    std::u16string text;
    for (size_t n = OneIn(6) ? 0 : Below(OneIn(5) ? 200 : 20); n > 0; --n) {
      switch (Below(6)) {
        case 0: text.push_back(static_cast<char16_t>(Below(0x20))); break;
        case 5: text.push_back(static_cast<char16_t>(0xD800 + Below(0x800))); break;  // a lone surrogate
        case 1: text.push_back(static_cast<char16_t>(0x80 + Below(0xD800 - 0x80))); break;
        case 2:  // a character beyond the first plane, as its surrogate pair
          text.push_back(static_cast<char16_t>(0xD800 + Below(0x400)));
          text.push_back(static_cast<char16_t>(0xDC00 + Below(0x400)));
          break;
        default: text.push_back(static_cast<char16_t>(0x20 + Below(0x5F))); break;
      }
    }
    return text;
  }
  TExtended Extended() {
    using L = std::numeric_limits<TExtended>;
    const TExtended extremes[] = {L::max(),
                                  -L::max(),
                                  L::min(),
                                  L::denorm_min(),
                                  -L::denorm_min(),
                                  L::quiet_NaN(),
                                  L::infinity(),
                                  -L::infinity(),
                                  0.0L,
                                  -0.0L,
                                  1e-12L,
                                  std::nextafter(1e-12L, 0.0L),
                                  9.9999997473787516e-5L,
                                  0.1L};
    if (OneIn(3)) return extremes[Below(std::size(extremes))];
    // Every binary exponent, with all 64 bits of significand.
    const TExtended significand = 1.0L + static_cast<TExtended>(FRandom() >> 1) / 9223372036854775808.0L;
    return (OneIn(2) ? -1 : 1) * std::ldexp(significand, static_cast<int>(Below(32766 + 64)) - 16383 - 63);
  }
  template <typename T>
  T Binary64() {
    uint64_t bits = FRandom();
    T value;
    static_assert(sizeof(T) == 8);
    std::memcpy(&value, &bits, 8);
    return value;
  }
  template <typename T>
  void Raw(TValueType AType, T AValue) {
    FWriter->WriteValue(AType);
    FWriter->Write(&AValue, sizeof AValue);
  }

  void Object(int ADepth) {
    TFilerFlags flags = static_cast<TFilerFlags>(Below(8) & ~(Below(2) ? ffInline : 0));
    // -1 is the one position the form-text reader refuses (its documents keep it for "none").
    const int32_t position = static_cast<int32_t>(Below(40)) - 5;
    FWriter->WritePrefix(flags, position == -1 ? 0 : position);
    FWriter->WriteShortString(Name());
    FWriter->WriteShortString(OneIn(4) ? std::string() : Name());
    for (size_t n = Below(8); n > 0; --n) {
      FWriter->WriteShortString(OneIn(5) ? Name() + "." + Name() : Name());
      Value(ADepth);
    }
    FWriter->WriteListEnd();
    if (ADepth < 3)
      for (size_t n = Below(3); n > 0; --n) Object(ADepth + 1);
    FWriter->WriteListEnd();
  }

  void Value(int ADepth) {
    using I64 = std::numeric_limits<int64_t>;
    switch (Below(ADepth < 3 ? 24 : 21)) {
      case 0: Raw(TValueType::vaInt8, static_cast<int8_t>(FRandom())); break;
      case 1: Raw(TValueType::vaInt16, static_cast<int16_t>(FRandom())); break;
      case 2: Raw(TValueType::vaInt32, static_cast<int32_t>(OneIn(3) ? Below(100) : FRandom())); break;
      case 3: Raw(TValueType::vaInt64, OneIn(3) ? (OneIn(2) ? I64::min() : I64::max()) : Binary64<int64_t>()); break;
      case 4: {
        const TExtendedBytes bytes = ExtendedToBytes(Extended());
        FWriter->WriteValue(TValueType::vaExtended);
        FWriter->Write(bytes.data(), bytes.size());
        break;
      }
      case 5: Raw(TValueType::vaDouble, static_cast<double>(Extended())); break;
      case 6: Raw(TValueType::vaSingle, static_cast<float>(Extended())); break;
      case 7: Raw(TValueType::vaCurrency, OneIn(3) ? (OneIn(2) ? I64::min() : I64::max()) : Binary64<int64_t>()); break;
      case 8:
        Raw(TValueType::vaDate,
            OneIn(2) ? static_cast<double>(Extended()) : static_cast<double>(Below(80000)) + Below(1000) / 1000.0);
        break;
      case 9:
      case 10: {
        // 8-bit text of any bytes, short and long forms
        std::string bytes;
        for (size_t n = OneIn(4) ? 0 : Below(OneIn(6) ? 300 : 40); n > 0; --n)
          bytes.push_back(static_cast<char>(FRandom()));
        if (bytes.size() < 256 && OneIn(2)) {
          FWriter->WriteValue(TValueType::vaString);
          FWriter->WriteByte(static_cast<uint8_t>(bytes.size()));
        } else {
          Raw(TValueType::vaLString, static_cast<int32_t>(bytes.size()));
        }
        FWriter->Write(bytes.data(), bytes.size());
        break;
      }
      case 11: {
        const std::u16string text = Text();
        Raw(TValueType::vaWString, static_cast<int32_t>(text.size()));
        FWriter->Write(text.data(), 2 * text.size());
        break;
      }
      case 12: {
        const std::string utf8 = common::Utf16ToUtf8(Text());
        Raw(TValueType::vaUTF8String, static_cast<int32_t>(utf8.size()));
        FWriter->Write(utf8.data(), utf8.size());
        break;
      }
      case 13: FWriter->WriteIdent(std::string_view(OneIn(3) ? Name() + "." + Name() : Name())); break;
      case 14: FWriter->WriteValue(static_cast<TValueType>(OneIn(2) ? (OneIn(2) ? 8 : 9) : (OneIn(2) ? 13 : 0))); break;
      case 15: {
        std::string bytes;
        for (size_t n = Below(OneIn(3) ? 100 : 20); n > 0; --n) bytes.push_back(static_cast<char>(FRandom()));
        FWriter->WriteBinary([&](std::string& ABuffer) { ABuffer = bytes; });
        break;
      }
      case 16:
      case 17: {
        FWriter->WriteValue(TValueType::vaSet);
        for (size_t n = Below(5); n > 0; --n)
          FWriter->WriteShortString(OneIn(4) ? std::to_string(Below(1000)) : Name(false));
        FWriter->WriteShortString("");
        break;
      }
      case 18:
      case 19:
      case 20: Raw(TValueType::vaInt8, static_cast<int8_t>(Below(3))); break;
      case 21:
      case 22: {
        // A list holds primitives, or lists only; the text cannot mix the two.
        FWriter->WriteValue(TValueType::vaList);
        const bool lists = ADepth < 2 && OneIn(3);
        for (size_t n = Below(5); n > 0; --n) {
          if (lists) {
            FWriter->WriteValue(TValueType::vaList);
            for (size_t k = Below(3); k > 0; --k) Raw(TValueType::vaInt16, static_cast<int16_t>(FRandom()));
            FWriter->WriteListEnd();
          } else {
            Primitive();
          }
        }
        FWriter->WriteListEnd();
        break;
      }
      default: {
        FWriter->WriteValue(TValueType::vaCollection);
        for (size_t n = Below(4); n > 0; --n) {
          if (OneIn(2)) FWriter->WriteInteger(static_cast<int32_t>(Below(100000)) - (OneIn(2) ? 0 : 5000));
          FWriter->WriteValue(TValueType::vaList);
          for (size_t k = Below(4); k > 0; --k) {
            FWriter->WriteShortString(Name());
            Value(ADepth + 1);
          }
          FWriter->WriteListEnd();
        }
        FWriter->WriteListEnd();
      }
    }
  }
  void Primitive() {
    switch (Below(4)) {
      case 0: FWriter->WriteInteger(static_cast<int64_t>(FRandom())); break;
      case 1: FWriter->WriteString(Text()); break;
      case 2: FWriter->WriteIdent(std::string_view(Name())); break;
      default: FWriter->WriteFloat(Extended()); break;
    }
  }

  std::mt19937_64 FRandom;
  TWriter* FWriter = nullptr;
};

TEST(RoundTripProperty, EveryValueComesBackOrTheTextFailsToRead) {
  formtext::TDFMHelper helper;
  int compared = 0;
  for (uint64_t seed = 1; seed <= 1500; ++seed) {
    const std::string stream = TRandomForm(seed).Make();
    const std::vector<TCanon> written = TCanonReader(stream).Read();
    std::string text, back;
    ASSERT_NO_THROW(text = BinaryToText(stream)) << "seed " << seed;
    try {
      back = TextToBinary(text);
    } catch (const common::Exception& error) {
      // A text that does not read must say why; so far none of these does.
      ADD_FAILURE() << "seed " << seed << ": " << error.what() << "\n" << text;
      continue;
    }
    const std::vector<TCanon> read = TCanonReader(back).Read();
    ASSERT_EQ(read.size(), written.size()) << "seed " << seed << "\n" << text;
    for (size_t i = 0; i < written.size(); ++i)
      ASSERT_TRUE(SameValue(written[i], read[i]))
          << "seed " << seed << ", value " << i << ": " << written[i].Show() << " came back as " << read[i].Show();
    // The form-text reader takes the same text and prints it back unchanged.
    std::unique_ptr<doc::TDObject> form;
    try {
      form = helper.LoadObjectFromBytes(text);
    } catch (const parser::EGrammarError& error) {
      FAIL() << "seed " << seed << ": " << error.what() << " at line " << error.Line() << ", column " << error.Column();
    }
    ASSERT_EQ(helper.SaveObjectToBytes(*form), text) << "seed " << seed;
    ++compared;
  }
  EXPECT_EQ(compared, 1500);
}

}  // namespace
}  // namespace tess::stream::testing
