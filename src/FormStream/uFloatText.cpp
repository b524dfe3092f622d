// Locale-independent printing and parsing of floating-point numbers.
#include "FormStream/uFloatText.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tess::stream {

namespace {

// A finite non-zero value rounded to ASignificant digits: the digits without trailing zeros and the
// decimal exponent of the first one.
struct TDecimal {
  std::string Digits;
  int Exponent = 0;
  bool Negative = false;
};

TDecimal Decompose(TExtended AValue, int ASignificant) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, AValue, std::chars_format::scientific,
                                    ASignificant - 1);
  const std::string_view text(buffer, static_cast<size_t>(result.ptr - buffer));
  TDecimal decimal;
  size_t i = 0;
  if (text[i] == '-') {
    decimal.Negative = true;
    ++i;
  }
  for (; i < text.size() && text[i] != 'e'; ++i)
    if (text[i] != '.') decimal.Digits.push_back(text[i]);
  decimal.Exponent = std::atoi(std::string(text.substr(i + 1)).c_str());
  while (decimal.Digits.size() > 1 && decimal.Digits.back() == '0') decimal.Digits.pop_back();
  return decimal;
}

std::string GeneralOf(const TDecimal& ADecimal) {
  std::string text = ADecimal.Negative ? "-" : "";
  const std::string& digits = ADecimal.Digits;
  const int exponent = ADecimal.Exponent;
  if (exponent >= -4 && exponent < 15) {
    if (exponent >= 0) {
      const auto integerDigits = static_cast<size_t>(exponent + 1);
      if (digits.size() <= integerDigits) {
        text += digits;
        text.append(integerDigits - digits.size(), '0');
      } else {
        text += digits.substr(0, integerDigits);
        text += '.';
        text += digits.substr(integerDigits);
      }
    } else {
      text += "0.";
      text.append(static_cast<size_t>(-exponent - 1), '0');
      text += digits;
    }
    return text;
  }
  text += digits[0];
  if (digits.size() > 1) {
    text += '.';
    text += digits.substr(1);
  }
  text += 'E';
  if (exponent < 0) text += '-';
  text += std::to_string(std::abs(exponent));
  return text;
}

}  // namespace

std::optional<std::string> FormatNonFinite(TExtended AValue) {
  if (std::isnan(AValue)) return std::string("NAN");
  if (std::isinf(AValue)) return std::string(AValue < 0 ? "-INF" : "INF");
  return std::nullopt;
}

std::string FormatFixed18(TExtended AValue) {
  if (auto special = FormatNonFinite(AValue)) return *special;
  constexpr int kFractionDigits = 18;
  if (AValue == 0) return std::string(std::signbit(AValue) ? "-0." : "0.") + std::string(kFractionDigits, '0');
  const TDecimal decimal = Decompose(AValue, 16);
  if (decimal.Exponent >= 16) return GeneralOf(decimal);
  // Below 0.001 the 18 decimals no longer hold 16 digits, and below 5E-19 not even one: a value would
  // come back from the text smaller or as zero. Such values keep their digits in the general notation;
  // every value whose digits fit is printed in the fixed form, as the IDE prints it.
  const int lastDigit = decimal.Exponent - static_cast<int>(decimal.Digits.size()) + 1;
  if (lastDigit < -kFractionDigits) return GeneralOf(decimal);

  std::string text = decimal.Negative ? "-" : "";
  const auto digitAt = [&decimal](int AIndex) {
    return AIndex >= 0 && AIndex < static_cast<int>(decimal.Digits.size()) ? decimal.Digits[static_cast<size_t>(AIndex)] : '0';
  };
  if (decimal.Exponent < 0) {
    text += '0';
  } else {
    for (int i = 0; i <= decimal.Exponent; ++i) text += digitAt(i);
  }
  text += '.';
  for (int k = 1; k <= kFractionDigits; ++k) text += digitAt(decimal.Exponent + k);
  return text;
}

std::string FormatGeneral(TExtended AValue, int ASignificant) {
  if (auto special = FormatNonFinite(AValue)) return *special;
  // Zero keeps its sign so that a negative zero read back from the text is the same value.
  if (AValue == 0) return std::signbit(AValue) ? "-0" : "0";
  return GeneralOf(Decompose(AValue, ASignificant));
}

std::optional<TExtended> ParseFloat(std::string_view AText) {
  if (AText.empty()) return std::nullopt;
  TExtended value = 0;
  const char* const end = AText.data() + AText.size();
  const auto result = std::from_chars(AText.data(), end, value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
  return value;
}

}  // namespace tess::stream
