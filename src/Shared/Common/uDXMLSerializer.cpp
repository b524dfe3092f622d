#include "Shared/Common/uDXMLSerializer.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>

#include "Shared/Common/uDLists.h"
#include "Shared/Common/uEncoding.h"
#include "Shared/Common/uFormat.h"

namespace tess::common {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Days from 1899-12-30, where date values count from, to 1970-01-01.
constexpr int64_t kUnixEpochDays = 25569;

bool IsBlank(char16_t c) { return c <= u' '; }

std::u16string_view Trimmed(std::u16string_view AText) {
  while (!AText.empty() && IsBlank(AText.front())) AText.remove_prefix(1);
  while (!AText.empty() && IsBlank(AText.back())) AText.remove_suffix(1);
  return AText;
}

char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameText(std::u16string_view A, std::u16string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (AsciiLower(A[i]) != AsciiLower(B[i])) return false;
  return true;
}

// Only ASCII can be a number; anything else is left as a character that fails the parse.
std::string Ascii(std::u16string_view AText) {
  std::string text;
  for (char16_t c : AText) text.push_back(c < 0x80 ? static_cast<char>(c) : '\x7F');
  return text;
}

std::u16string FromAscii(std::string_view AText) { return std::u16string(AText.begin(), AText.end()); }

[[noreturn]] void Invalid(std::u16string_view AWhat, std::u16string_view AText) {
  throw EDXMLConvertError(Format(u"\"%s\" is not a valid %s", {AText, AWhat}));
}

int64_t TextToInteger(std::u16string_view AText, int64_t AMin, int64_t AMax) {
  const std::string text = Ascii(Trimmed(AText));
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (text.empty() || error != std::errc() || end != last) Invalid(u"integer value", AText);
  if (value < AMin || value > AMax)
    throw EDXMLConvertError(Format(u"%s is out of range (%s to %s)", {Trimmed(AText), IntToStr(AMin), IntToStr(AMax)}));
  return value;
}

int64_t EnumValue(const TDPropInfo& AProp, std::u16string_view AText) {
  const std::u16string_view name = Trimmed(AText);
  for (size_t i = 0; i < AProp.Enum->Names.size(); ++i)
    if (SameText(AProp.Enum->Names[i], name)) return static_cast<int64_t>(i);
  throw EDXMLConvertError(Format(u"\"%s\" is not a value of %s", {AText, AProp.Enum->TypeName}));
}

std::u16string SetText(const TDEnumInfo& AInfo, uint64_t AValue) {
  std::u16string text;
  for (size_t i = 0; i < AInfo.Names.size() && i < 64; ++i) {
    if ((AValue & (uint64_t{1} << i)) == 0) continue;
    if (!text.empty()) text += u',';
    text += AInfo.Names[i];
  }
  return text;
}

uint64_t TextToSet(const TDPropInfo& AProp, std::u16string_view AText) {
  std::u16string_view text = Trimmed(AText);
  if (!text.empty() && text.front() == u'[') {
    if (text.back() != u']') Invalid(AProp.TypeName, AText);
    text = Trimmed(text.substr(1, text.size() - 2));
  }
  uint64_t value = 0;
  while (!text.empty()) {
    const size_t comma = text.find(u',');
    const std::u16string_view name = Trimmed(text.substr(0, comma));
    const int64_t member = EnumValue(AProp, name);
    if (member >= 64) Invalid(AProp.TypeName, AText);
    value |= uint64_t{1} << member;
    if (comma == std::u16string_view::npos) break;
    text = text.substr(comma + 1);
    if (Trimmed(text).empty()) Invalid(AProp.TypeName, AText);
  }
  return value;
}

double StoredFloat(const TDPropInfo& AProp, double AValue) {
  switch (AProp.FloatType) {
    case TDFloatType::ftSingle: return static_cast<float>(AValue);
    case TDFloatType::ftCurr: return std::round(AValue * 10000.0) / 10000.0;
    case TDFloatType::ftComp: return std::round(AValue);
    default: return AValue;
  }
}

bool IsDateTime(const TDPropInfo& AProp) { return AProp.TypeName == u"TDateTime"; }

std::u16string VariantText(const TDVariant& AValue) {
  switch (AValue.Type()) {
    case TDVariant::TVarType::vtDate: return XmlDateTimeText(AValue.AsFloat());
    case TDVariant::TVarType::vtDouble: return XmlFloatText(AValue.AsFloat());
    case TDVariant::TVarType::vtBoolean: return AValue.AsBoolean() ? u"True" : u"False";
    case TDVariant::TVarType::vtInteger: return IntToStr(AValue.AsInteger());
    case TDVariant::TVarType::vtString: return AValue.AsString();
    case TDVariant::TVarType::vtEmpty:
    case TDVariant::TVarType::vtNull: break;
  }
  return {};
}

bool IsListObject(TDPersistent* AObject) {
  return dynamic_cast<TDStrings*>(AObject) != nullptr || dynamic_cast<TDCollection*>(AObject) != nullptr;
}

bool IsScalar(TDTypeKind AKind) {
  switch (AKind) {
    case TDTypeKind::tkInteger:
    case TDTypeKind::tkChar:
    case TDTypeKind::tkEnumeration:
    case TDTypeKind::tkFloat:
    case TDTypeKind::tkString:
    case TDTypeKind::tkSet:
    case TDTypeKind::tkWChar:
    case TDTypeKind::tkLString:
    case TDTypeKind::tkWString:
    case TDTypeKind::tkVariant:
    case TDTypeKind::tkUString: return true;
    default: return false;
  }
}

// Civil dates from day counts (proleptic Gregorian), after H. Hinnant's public-domain algorithms.
int64_t DaysFromCivil(int64_t AYear, unsigned AMonth, unsigned ADay) {
  AYear -= AMonth <= 2;
  const int64_t era = (AYear >= 0 ? AYear : AYear - 399) / 400;
  const auto yoe = static_cast<unsigned>(AYear - era * 400);
  const unsigned doy = (153 * (AMonth > 2 ? AMonth - 3 : AMonth + 9) + 2) / 5 + ADay - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t ADays, int64_t& AYear, unsigned& AMonth, unsigned& ADay) {
  ADays += 719468;
  const int64_t era = (ADays >= 0 ? ADays : ADays - 146096) / 146097;
  const auto doe = static_cast<unsigned>(ADays - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  ADay = doy - (153 * mp + 2) / 5 + 1;
  AMonth = mp < 10 ? mp + 3 : mp - 9;
  AYear = static_cast<int64_t>(yoe) + era * 400 + (AMonth <= 2);
}

int64_t FloorDiv(int64_t A, int64_t B) { return A / B - ((A % B != 0) && ((A < 0) != (B < 0))); }

// A date value as milliseconds from 1899-12-30 00:00. Before that day the value's fraction still
// counts forward from its whole day (-1.25 is 1899-12-29 06:00).
int64_t DateTimeToMs(TDateTime AValue) {
  if (!std::isfinite(AValue) || std::fabs(AValue) > 3.0e6) throw EDXMLConvertError(u"Invalid date value");
  const double day = std::trunc(AValue);
  const auto ms = static_cast<int64_t>(std::llround(std::fabs(AValue - day) * kMsPerDay));
  return static_cast<int64_t>(day) * kMsPerDay + ms;
}

TDateTime MsToDateTime(int64_t AMs) {
  const int64_t day = FloorDiv(AMs, kMsPerDay);
  const double time = static_cast<double>(AMs - day * kMsPerDay) / kMsPerDay;
  return day >= 0 ? static_cast<double>(day) + time : static_cast<double>(day) - time;
}

struct Fields {
  int64_t Year;
  unsigned Month, Day;
  int Hour, Minute, Second, Millisecond;
};

Fields MsToFields(int64_t AMs) {
  const int64_t day = FloorDiv(AMs, kMsPerDay);
  int64_t rest = AMs - day * kMsPerDay;
  Fields fields{};
  CivilFromDays(day - kUnixEpochDays, fields.Year, fields.Month, fields.Day);
  fields.Hour = static_cast<int>(rest / 3600000), rest %= 3600000;
  fields.Minute = static_cast<int>(rest / 60000), rest %= 60000;
  fields.Second = static_cast<int>(rest / 1000);
  fields.Millisecond = static_cast<int>(rest % 1000);
  return fields;
}

// The local zone's offset from UTC, in seconds east, at a local time; 0 when it cannot be told.
long LocalOffsetAt(const Fields& AFields) {
  ::tzset();
  std::tm local{};
  local.tm_year = static_cast<int>(AFields.Year - 1900);
  local.tm_mon = static_cast<int>(AFields.Month) - 1;
  local.tm_mday = static_cast<int>(AFields.Day);
  local.tm_hour = AFields.Hour;
  local.tm_min = AFields.Minute;
  local.tm_sec = AFields.Second;
  local.tm_isdst = -1;
  const std::time_t when = std::mktime(&local);
  std::tm check{};
  if (when == static_cast<std::time_t>(-1) && local.tm_year != 69) return 0;
  if (::localtime_r(&when, &check) == nullptr) return 0;
  return check.tm_gmtoff;
}

bool Digits(std::string_view AText, size_t APos, size_t ACount, int& AValue) {
  if (APos + ACount > AText.size()) return false;
  AValue = 0;
  for (size_t i = APos; i < APos + ACount; ++i) {
    if (AText[i] < '0' || AText[i] > '9') return false;
    AValue = AValue * 10 + (AText[i] - '0');
  }
  return true;
}

}  // namespace

std::u16string XmlFloatText(double AValue) {
  if (std::isnan(AValue)) return u"NAN";
  if (std::isinf(AValue)) return AValue > 0 ? u"INF" : u"-INF";
  if (AValue == 0) return u"0";
  // to_chars, unlike printf, ignores the C locale's decimal separator (the GUI sets the user's).
  char buffer[48];
  const auto written = std::to_chars(buffer, buffer + sizeof buffer, AValue, std::chars_format::scientific, 14);
  std::string_view text(buffer, static_cast<size_t>(written.ptr - buffer));
  std::string sign;
  if (text.front() == '-') sign = "-", text.remove_prefix(1);
  const size_t e = text.find('e');
  std::string digits;
  for (char c : text.substr(0, e))
    if (c != '.') digits.push_back(c);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  int exponent = 0;
  std::from_chars(text.data() + e + 1 + (text[e + 1] == '+'), text.data() + text.size(), exponent);

  std::string result = sign;
  // Beyond 15 integer digits or below 0.0001 the plain form would invent or hide digits.
  if (exponent + 1 > 15 || exponent + 1 < -3) {
    result += digits.substr(0, 1);
    if (digits.size() > 1) result += "." + digits.substr(1);
    result += "E" + std::to_string(exponent);
  } else if (exponent >= 0) {
    const auto whole = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      result += digits + std::string(whole - digits.size(), '0');
    } else {
      result += digits.substr(0, whole) + "." + digits.substr(whole);
    }
  } else {
    result += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  return FromAscii(result);
}

double XmlTextToFloat(std::u16string_view AText) {
  const std::string ascii = Ascii(Trimmed(AText));
  std::string_view text = ascii;
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-'))
    negative = text.front() == '-', text.remove_prefix(1);
  const std::u16string word = FromAscii(text);
  if (SameText(word, u"INF"))
    return negative ? -std::numeric_limits<double>::infinity() : std::numeric_limits<double>::infinity();
  if (SameText(word, u"NAN") && !negative) return std::numeric_limits<double>::quiet_NaN();
  // Only digits, one ".", and an exponent: from_chars alone would also take "inf" or hex forms.
  size_t i = 0, mantissaDigits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++mantissaDigits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) Invalid(u"floating point value", AText);
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    if (i == start) Invalid(u"floating point value", AText);
  }
  if (i != text.size()) Invalid(u"floating point value", AText);
  std::string plain(text);
  if (plain.front() == '.') plain.insert(plain.begin(), '0');
  double value = 0;
  const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (error != std::errc() || end != plain.data() + plain.size()) Invalid(u"floating point value", AText);
  return negative ? -value : value;
}

TDateTime EncodeDateTime(int AYear, int AMonth, int ADay, int AHour, int AMinute, int ASecond, int AMillisecond) {
  const int64_t days =
      DaysFromCivil(AYear, static_cast<unsigned>(AMonth), static_cast<unsigned>(ADay)) + kUnixEpochDays;
  const int64_t ms = ((AHour * 60 + AMinute) * 60 + ASecond) * 1000 + AMillisecond;
  return MsToDateTime(days * kMsPerDay + ms);
}

std::u16string XmlDateTimeText(TDateTime AValue) {
  const Fields f = MsToFields(DateTimeToMs(AValue));
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02u-%02uT%02d:%02d:%02d.%03d", static_cast<long long>(f.Year), f.Month,
                f.Day, f.Hour, f.Minute, f.Second, f.Millisecond);
  std::string text = buffer;
  const long offset = LocalOffsetAt(f);
  if (offset == 0) {
    text += "Z";
  } else {
    const long minutes = (offset < 0 ? -offset : offset) / 60;
    std::snprintf(buffer, sizeof buffer, "%c%02ld:%02ld", offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    text += buffer;
  }
  return FromAscii(text);
}

TDateTime XmlTextToDateTime(std::u16string_view AText) {
  const std::string text = Ascii(Trimmed(AText));
  int year, month, day, hour = 0, minute = 0, second = 0;
  if (!Digits(text, 0, 4, year) || text.size() < 10 || text[4] != '-' || !Digits(text, 5, 2, month) || text[7] != '-' ||
      !Digits(text, 8, 2, day))
    Invalid(u"date and time", AText);
  if (month < 1 || month > 12 || day < 1) Invalid(u"date and time", AText);
  const unsigned lastDay = static_cast<unsigned>(
      DaysFromCivil(month == 12 ? year + 1 : year, month == 12 ? 1 : static_cast<unsigned>(month) + 1, 1) -
      DaysFromCivil(year, static_cast<unsigned>(month), 1));
  if (static_cast<unsigned>(day) > lastDay) Invalid(u"date and time", AText);
  size_t p = 10;
  double fraction = 0;
  if (p < text.size() && text[p] == 'T') {
    if (!Digits(text, p + 1, 2, hour) || text.size() < p + 9 || text[p + 3] != ':' || !Digits(text, p + 4, 2, minute) ||
        text[p + 6] != ':' || !Digits(text, p + 7, 2, second) || hour > 23 || minute > 59 || second > 59)
      Invalid(u"date and time", AText);
    p += 9;
    if (p < text.size() && text[p] == '.') {
      const size_t start = p;
      ++p;
      while (p < text.size() && text[p] >= '0' && text[p] <= '9') ++p;
      if (p == start + 1) Invalid(u"date and time", AText);
      double scale = 0.1;
      for (size_t i = start + 1; i < p; ++i, scale /= 10) fraction += (text[i] - '0') * scale;
    }
  }
  int64_t ms =
      (DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kUnixEpochDays) * kMsPerDay +
      ((hour * 60 + minute) * 60 + second) * int64_t{1000} + std::llround(fraction * 1000);
  if (p == text.size()) return MsToDateTime(ms);

  int offsetMinutes = 0;
  if (text[p] == 'Z' && p + 1 == text.size()) {
    offsetMinutes = 0;
  } else if ((text[p] == '+' || text[p] == '-') && text.size() == p + 6 && text[p + 3] == ':') {
    int oh, om;
    if (!Digits(text, p + 1, 2, oh) || !Digits(text, p + 4, 2, om) || oh > 14 || om > 59)
      Invalid(u"date and time", AText);
    offsetMinutes = (oh * 60 + om) * (text[p] == '-' ? -1 : 1);
  } else {
    Invalid(u"date and time", AText);
  }
  // The instant in UTC, then the local clock at that instant.
  const int64_t utcMs = ms - int64_t{offsetMinutes} * 60000;
  const int64_t unixMs = utcMs - kUnixEpochDays * kMsPerDay;
  const std::time_t seconds = static_cast<std::time_t>(FloorDiv(unixMs, 1000));
  const int64_t millis = unixMs - static_cast<int64_t>(seconds) * 1000;
  ::tzset();
  std::tm local{};
  if (::localtime_r(&seconds, &local) == nullptr) return MsToDateTime(utcMs);
  const int64_t localDays = DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                                          static_cast<unsigned>(local.tm_mday)) +
                            kUnixEpochDays;
  return MsToDateTime(localDays * kMsPerDay +
                      ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * int64_t{1000} + millis);
}

TDXMLSerializer::TDXMLSerializer(TDXMLEncoding AEncoding)
    : FDoc(std::make_unique<TDXMLDocument>()), FEncoding(AEncoding) {
  const TDXMLFileEncoding encoding = AEncoding == TDXMLEncoding::xeUtf8      ? TDXMLFileEncoding::feUtf8
                                     : AEncoding == TDXMLEncoding::xeUnicode ? TDXMLFileEncoding::feUtf16
                                                                             : TDXMLFileEncoding::feNone;
  FDoc->Create(encoding, u"Root");
  FNodeGeneration = FDoc->Generation();
}

TDXMLSerializer::~TDXMLSerializer() = default;

std::u16string TDXMLSerializer::EncodingAsStr() const {
  switch (FEncoding) {
    case TDXMLEncoding::xeUnicode: return u"Unicode";
    case TDXMLEncoding::xeUtf8: return u"UTF-8";
    case TDXMLEncoding::xeUnknown: break;
  }
  return {};
}

TDXMLNode TDXMLSerializer::Node() const { return FNodeGeneration == FDoc->Generation() ? FNode : TDXMLNode(); }

void TDXMLSerializer::SetNode(TDXMLNode ANode) {
  FNode = ANode;
  FNodeGeneration = FDoc->Generation();
}

TDXMLNode TDXMLSerializer::FixedNode() {
  if (Node().IsNull()) SetNode(FDoc->DocumentElement());
  return FNode;
}

void TDXMLSerializer::Serialize(TDPersistent* AObject) {
  FMainObject = AObject;
  if (!AObject) return;
  TDXMLNode node = FixedNode();
  node.ClearChildNodes();
  WriteObject(AObject, node);
}

void TDXMLSerializer::WriteObject(TDPersistent* AObject, TDXMLNode AElement) {
  bool skip = false;
  if (!IsListObject(AObject) && ObjectSerialize) ObjectSerialize(this, FMainObject, AObject, AElement, skip);
  if (!skip && AObject) {
    WriteList(AObject, AElement);
    for (const TDPropInfo& prop : AObject->PublishedProperties().Props()) WriteProperty(AObject, prop, AElement);
  }
  if (ObjectSerialized) ObjectSerialized(this, AObject, AElement);
}

void TDXMLSerializer::WriteList(TDPersistent* AObject, TDXMLNode AElement) {
  if (auto* strings = dynamic_cast<TDStrings*>(AObject)) {
    AElement.SetText(strings->CommaText());
  } else if (auto* collection = dynamic_cast<TDCollection*>(AObject)) {
    for (size_t i = 0; i < collection->Count(); ++i) WriteObject(collection->Items(i), AElement.AddChild(u"Item"));
  }
}

void TDXMLSerializer::WriteProperty(TDPersistent* AObject, const TDPropInfo& AProp, TDXMLNode AElement) {
  bool skip = false;
  if (PropertySerialize) PropertySerialize(this, AObject, AProp.Name, AElement, skip);
  if (!skip && AProp.IsStored(*AObject)) {
    if (IsScalar(AProp.Kind)) {
      if (AProp.HasSetter()) {
        std::u16string text;
        switch (AProp.Kind) {
          case TDTypeKind::tkInteger:
          case TDTypeKind::tkChar:
          case TDTypeKind::tkWChar: text = IntToStr(AProp.GetOrdinal(*AObject)); break;
          case TDTypeKind::tkEnumeration: {
            const int64_t ordinal = AProp.GetOrdinal(*AObject);
            text = ordinal >= 0 && ordinal < static_cast<int64_t>(AProp.Enum->Names.size())
                       ? AProp.Enum->Names[static_cast<size_t>(ordinal)]
                       : IntToStr(ordinal);
            break;
          }
          case TDTypeKind::tkSet: text = SetText(*AProp.Enum, static_cast<uint64_t>(AProp.GetOrdinal(*AObject))); break;
          case TDTypeKind::tkFloat: {
            const double value = AProp.GetFloat(*AObject);
            text = IsDateTime(AProp) ? XmlDateTimeText(value) : XmlFloatText(value);
            break;
          }
          case TDTypeKind::tkVariant: text = VariantText(AProp.GetVariant(*AObject)); break;
          default: text = AProp.GetString(*AObject); break;
        }
        AElement.AddChild(AProp.Name).SetText(text);
      }
    } else if (AProp.Kind == TDTypeKind::tkClass && AProp.GetObject) {
      WriteObject(AProp.GetObject(*AObject), AElement.AddChild(AProp.Name));
    }
  }
  if (PropertySerialized) PropertySerialized(this, AObject, AProp.Name, AElement);
}

void TDXMLSerializer::Deserialize(TDPersistent* AObject) {
  FMainObject = AObject;
  if (!AObject) return;
  ReadObject(AObject, FixedNode());
}

void TDXMLSerializer::ReadObject(TDPersistent* AObject, TDXMLNode AElement) {
  bool skip = false;
  if (!IsListObject(AObject) && ObjectDeserialize) ObjectDeserialize(this, FMainObject, AObject, AElement, skip);
  if (!skip && AObject && AElement.HasChildNodes()) {
    ReadList(AObject, AElement);
    for (const TDPropInfo& prop : AObject->PublishedProperties().Props()) {
      if (TDXMLNode child = AElement.FindNode(prop.Name)) ReadProperty(AObject, prop, child);
    }
  }
  if (ObjectDeserialized) ObjectDeserialized(this, AObject, AElement);
}

void TDXMLSerializer::ReadList(TDPersistent* AObject, TDXMLNode AElement) {
  if (auto* strings = dynamic_cast<TDStrings*>(AObject)) {
    const std::optional<std::u16string> text = AElement.OwnText();
    if (text) {
      strings->SetCommaText(*text);
    } else {
      strings->Clear();
    }
  } else if (auto* collection = dynamic_cast<TDCollection*>(AObject)) {
    // Only the item elements: a collection's own published properties are elements beside them
    // and must not turn into extra items.
    for (TDXMLNode child : AElement.ChildElements())
      if (child.NodeName() == u"Item") ReadObject(collection->Add(), child);
  }
}

void TDXMLSerializer::ReadProperty(TDPersistent* AObject, const TDPropInfo& AProp, TDXMLNode AElement) {
  bool skip = false;
  if (PropertyDeserialize) PropertyDeserialize(this, AObject, AProp.Name, AElement, skip);
  if (skip || !AProp.IsStored(*AObject)) return;
  if (AProp.Kind == TDTypeKind::tkClass) {
    if (TDPersistent* object = AProp.GetObject ? AProp.GetObject(*AObject) : nullptr) ReadObject(object, AElement);
    return;
  }
  if (!IsScalar(AProp.Kind) || !AProp.HasSetter()) return;
  if (!PropertyReadError) {
    ReadValue(AObject, AProp, AElement);
    return;
  }
  try {
    ReadValue(AObject, AProp, AElement);
  } catch (const std::exception& error) {
    bool handled = false;
    PropertyReadError(this, AObject, AProp.Name, AElement, error, handled);
    if (!handled) throw;
  }
}

// The text is converted completely before the setter is called, so a failure leaves the value.
void TDXMLSerializer::ReadValue(TDPersistent* AObject, const TDPropInfo& AProp, TDXMLNode AElement) {
  const std::u16string text = AElement.Text().value_or(std::u16string());
  switch (AProp.Kind) {
    case TDTypeKind::tkInteger:
    case TDTypeKind::tkChar:
    case TDTypeKind::tkWChar: AProp.SetOrdinal(*AObject, TextToInteger(text, AProp.MinValue, AProp.MaxValue)); break;
    case TDTypeKind::tkEnumeration: AProp.SetOrdinal(*AObject, EnumValue(AProp, text)); break;
    case TDTypeKind::tkSet: AProp.SetOrdinal(*AObject, static_cast<int64_t>(TextToSet(AProp, text))); break;
    case TDTypeKind::tkFloat:
      AProp.SetFloat(*AObject, IsDateTime(AProp) ? XmlTextToDateTime(text) : StoredFloat(AProp, XmlTextToFloat(text)));
      break;
    case TDTypeKind::tkVariant: {
      const TDVariant current = AProp.GetVariant(*AObject);
      if (current.Type() == TDVariant::TVarType::vtDate) {
        AProp.SetVariant(*AObject, TDVariant::FromDate(XmlTextToDateTime(text)));
      } else if (current.Type() == TDVariant::TVarType::vtDouble) {
        AProp.SetVariant(*AObject, TDVariant(XmlTextToFloat(text)));
      } else {
        AProp.SetVariant(*AObject, TDVariant(text));
      }
      break;
    }
    default: AProp.SetString(*AObject, text); break;
  }
}

}  // namespace tess::common
