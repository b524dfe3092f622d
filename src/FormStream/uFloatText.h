// The number texts of form files: the notations the IDE prints and the parsing of float tokens,
// both independent of the user's locale.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "FormStream/uExtended.h"

namespace tess::stream {

// "NAN", "INF" or "-INF" for the values that have no digits, otherwise nothing.
std::optional<std::string> FormatNonFinite(TExtended AValue);

// Rounded to 16 significant digits, then exactly 18 digits after the point: 1.5 gives
// 1.500000000000000000. A value whose integer part needs more than 16 digits falls back to
// the general notation with 16 significant digits, and so does a small value whose digits would
// not all fit in the 18 decimals (7.286E-17 rather than 0.000000000000000073).
std::string FormatFixed18(TExtended AValue);

// Rounded to ASignificant digits without trailing zeros; plain decimal for 0 and for magnitudes in
// [0.0001, 1E15), otherwise one digit, the point, the rest and "E" with the exponent (1.25E-5).
std::string FormatGeneral(TExtended AValue, int ASignificant = 15);

// A decimal number with "." as separator and an optional exponent; the whole text must be the
// number. Nothing when it is not one or lies outside the range of TExtended.
std::optional<TExtended> ParseFloat(std::string_view AText);

}  // namespace tess::stream
