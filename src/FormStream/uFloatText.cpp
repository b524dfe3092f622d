// Locale-independent printing and parsing of floating-point numbers.
#include "FormStream/uFloatText.h"

#include <locale.h>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

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
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, AValue, std::chars_format::scientific, ASignificant - 1);
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

// Decompose, except that next to the largest finite value, where rounding up would give a text
// that no longer reads as a finite number, the digits are cut instead.
TDecimal DecomposeReadable(TExtended AValue, int ASignificant) {
  TDecimal decimal = Decompose(AValue, ASignificant);
  if (decimal.Exponent < std::numeric_limits<TExtended>::max_exponent10) return decimal;
  TExtended back = 0;
  std::string text =
      decimal.Digits.substr(0, 1) + "." + decimal.Digits.substr(1) + "e" + std::to_string(decimal.Exponent);
  const auto result = std::from_chars(text.data(), text.data() + text.size(), back);
  if (result.ec == std::errc()) return decimal;
  TDecimal longer = Decompose(AValue, std::numeric_limits<TExtended>::max_digits10 + 1);
  longer.Digits.resize(std::min(longer.Digits.size(), static_cast<size_t>(ASignificant)));
  while (longer.Digits.size() > 1 && longer.Digits.back() == '0') longer.Digits.pop_back();
  return longer;
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

// Below this magnitude the 18 decimals keep fewer than 7 digits, and from 5E-19 down none at all:
// 1E-30 would print as 0. From here up the fixed form is the IDE's text, and it keeps at least a
// single-precision value's worth of digits.
constexpr TExtended kSmallestFixed = 1E-12L;

std::string FormatFixed18(TExtended AValue) {
  if (auto special = FormatNonFinite(AValue)) return *special;
  constexpr int kFractionDigits = 18;
  constexpr int kSignificant = 16;
  if (AValue == 0) return std::string(std::signbit(AValue) ? "-0." : "0.") + std::string(kFractionDigits, '0');
  TDecimal decimal = DecomposeReadable(AValue, kSignificant);
  if (decimal.Exponent >= kSignificant || std::fabs(AValue) < kSmallestFixed) return GeneralOf(decimal);
  // Rounded to 16 significant digits or to the 18th decimal, whichever comes first, as the IDE
  // rounds: 9.99999974737875E-5 prints as 0.000099999997473788.
  const int fitting = decimal.Exponent + kFractionDigits + 1;
  if (fitting < kSignificant) decimal = Decompose(AValue, fitting);

  std::string text = decimal.Negative ? "-" : "";
  const auto digitAt = [&decimal](int AIndex) {
    return AIndex >= 0 && AIndex < static_cast<int>(decimal.Digits.size()) ? decimal.Digits[static_cast<size_t>(AIndex)]
                                                                           : '0';
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
  return GeneralOf(DecomposeReadable(AValue, ASignificant));
}

std::optional<TNonFinite> NonFiniteOf(std::string_view AWord) {
  if (AWord.size() < 3 || AWord.size() > 4) return std::nullopt;
  TNonFinite result;
  if (AWord.starts_with("NAN"))
    result.Value = std::numeric_limits<TExtended>::quiet_NaN();
  else if (AWord.starts_with("INF"))
    result.Value = std::numeric_limits<TExtended>::infinity();
  else
    return std::nullopt;
  if (AWord.size() == 4) {
    if (AWord[3] != 's' && AWord[3] != 'd') return std::nullopt;
    result.Type = AWord[3];
  }
  return result;
}

std::string FormatCurrency(int64_t AScaled) {
  const auto value = static_cast<TExtended>(AScaled);
  std::string text = FormatGeneral(value);
  if (const auto back = ParseFloat(text); back && *back == value) return text;
  return std::to_string(AScaled);
}

std::string FormatDate(double AValue) {
  std::string text = FormatGeneral(AValue);
  if (std::isnan(AValue)) return text;
  if (const auto back = ParseFloat(text); back && static_cast<double>(*back) == AValue) return text;
  return FormatGeneral(AValue, std::numeric_limits<double>::max_digits10);
}

std::optional<TExtended> ParseFloat(std::string_view AText) {
  if (AText.empty()) return std::nullopt;
  TExtended value = 0;
  const char* const end = AText.data() + AText.size();
  const auto result = std::from_chars(AText.data(), end, value, std::chars_format::general);
  if (result.ptr != end) return std::nullopt;
  if (result.ec == std::errc::result_out_of_range) {
    // The library reports values below the normal range as out of range, denormal ones included,
    // which the IDE writes and reads. Such a text reads as its nearest value (the denormal, or 0);
    // a text beyond the largest finite value stays refused.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t{});
    const std::string copy(AText);
    errno = 0;
#if TESS_NATIVE_EXTENDED
    const TExtended near = strtold_l(copy.c_str(), nullptr, cLocale);
#else
    const TExtended near = strtod_l(copy.c_str(), nullptr, cLocale);
#endif
    if (!std::isfinite(near) || std::fabs(near) > std::numeric_limits<TExtended>::min()) return std::nullopt;
    return near;
  }
  if (result.ec != std::errc()) return std::nullopt;
  return value;
}

}  // namespace tess::stream
