// The number texts of form files: the notations the IDE prints and the parsing of float tokens,
// both independent of the user's locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "FormStream/uExtended.h"

namespace tess::stream {

// "NAN", "INF" or "-INF" for the values that have no digits, otherwise nothing.
std::optional<std::string> FormatNonFinite(TExtended AValue);

// The word a non-finite value of a typed float prints as (NAN, INF, and with the type letter s or d
// for single and date values: NANs, INFd), read back as that value. -INF is a minus sign before INF.
struct TNonFinite {
  TExtended Value = 0;
  char Type = 0;  // 0 for an untyped (extended) value, else 's' or 'd'
};
std::optional<TNonFinite> NonFiniteOf(std::string_view AWord);

// Rounded to 16 significant digits or at the 18th decimal, whichever is coarser, then exactly 18
// digits after the point: 1.5 gives 1.500000000000000000. A value whose integer part needs more
// than 16 digits falls back to the general notation with 16 significant digits, and so does one
// below 1E-12, which the 18 decimals would keep with fewer than 7 digits (7.286E-17 rather than
// 0.000000000000000073).
std::string FormatFixed18(TExtended AValue);

// Rounded to ASignificant digits without trailing zeros; plain decimal for 0 and for magnitudes in
// [0.0001, 1E15), otherwise one digit, the point, the rest and "E" with the exponent (1.25E-5).
std::string FormatGeneral(TExtended AValue, int ASignificant = 15);

// A currency value (the amount times 10000) as the IDE prints it, in the general notation; an
// amount that 15 digits do not hold keeps all its digits instead, so it reads back the same.
std::string FormatCurrency(int64_t AScaled);
// A date value in the general notation; with 17 digits when 15 do not give back the same double.
std::string FormatDate(double AValue);

// A decimal number with "." as separator and an optional exponent; the whole text must be the
// number. Nothing when it is not one or lies outside the range of TExtended.
std::optional<TExtended> ParseFloat(std::string_view AText);

}  // namespace tess::stream
