// Conversions between x87 extended bytes and the platform's floating types.
#include "FormStream/uExtended.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

namespace tess::stream {

TExtended ExtendedFromBytes(const TExtendedBytes& ABytes) {
#if TESS_NATIVE_EXTENDED
  long double value = 0;  // the padding bytes beyond the tenth stay zero
  std::memcpy(&value, ABytes.data(), ABytes.size());
  return value;
#else
  return DoubleFromExtendedBytes(ABytes);
#endif
}

TExtendedBytes ExtendedToBytes(TExtended AValue) {
#if TESS_NATIVE_EXTENDED
  TExtendedBytes bytes{};
  std::memcpy(bytes.data(), &AValue, bytes.size());
  return bytes;
#else
  return ExtendedBytesFromDouble(AValue);
#endif
}

namespace {

constexpr int kExtendedBias = 16383;
constexpr int kDoubleBias = 1023;

uint64_t SignificandOf(const TExtendedBytes& ABytes) {
  uint64_t significand = 0;
  for (int i = 7; i >= 0; --i) significand = (significand << 8) | ABytes[static_cast<size_t>(i)];
  return significand;
}

}  // namespace

double DoubleFromExtendedBytes(const TExtendedBytes& ABytes) {
  const uint64_t significand = SignificandOf(ABytes);
  const int exponentField = ((ABytes[9] & 0x7F) << 8) | ABytes[8];
  const bool negative = (ABytes[9] & 0x80) != 0;
  const double sign = negative ? -1.0 : 1.0;

  if (exponentField == 0x7FFF) {
    // Infinity has only the integer bit set; anything else there is a NaN of some kind.
    if ((significand & 0x7FFFFFFFFFFFFFFFull) == 0) return sign * std::numeric_limits<double>::infinity();
    return std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
  }
  if (significand == 0) return sign * 0.0;

  // The value is significand * 2^(exponent - 63). Normalise so that the top bit is set, which also
  // covers denormals and the unnormals that old writers may leave behind.
  int exponent = (exponentField == 0 ? 1 : exponentField) - kExtendedBias;
  const int shift = std::countl_zero(significand);
  uint64_t normalised = significand << shift;
  exponent -= shift;

  // Double keeps 53 bits, or fewer when the result is subnormal there.
  int keep = 53;
  if (exponent < 1 - kDoubleBias) keep = 53 - ((1 - kDoubleBias) - exponent);
  if (keep <= 0) {
    // Below half the smallest subnormal rounds to zero; exactly half ties to even (zero).
    if (keep == 0 && normalised > 0x8000000000000000ull) return sign * std::ldexp(1.0, -1074);
    return sign * 0.0;
  }
  const int drop = 64 - keep;
  uint64_t kept = normalised >> drop;
  const uint64_t rest = drop == 0 ? 0 : normalised << (64 - drop);
  const uint64_t half = 0x8000000000000000ull;
  if (rest > half || (rest == half && (kept & 1) != 0)) {
    ++kept;
    if (kept == (uint64_t{1} << keep) && keep == 53) {
      kept >>= 1;
      ++exponent;
    }
  }
  if (exponent > kDoubleBias) return sign * std::numeric_limits<double>::infinity();
  // kept holds keep bits whose top bit weighs 2^exponent (or the subnormal scale).
  return sign * std::ldexp(static_cast<double>(kept), exponent - (keep - 1));
}

TExtendedBytes ExtendedBytesFromDouble(double AValue) {
  TExtendedBytes bytes{};
  const uint64_t bits = std::bit_cast<uint64_t>(AValue);
  const bool negative = (bits >> 63) != 0;
  const int exponentField = static_cast<int>((bits >> 52) & 0x7FF);
  const uint64_t fraction = bits & 0xFFFFFFFFFFFFFull;

  uint64_t significand = 0;
  int extendedExponent = 0;
  if (exponentField == 0x7FF) {
    extendedExponent = 0x7FFF;
    significand = 0x8000000000000000ull | (fraction << 11);
    if (fraction != 0) significand |= 0x4000000000000000ull;  // keep NaNs quiet
  } else if (exponentField == 0) {
    if (fraction != 0) {
      // A double subnormal is a normal extended number.
      const int shift = std::countl_zero(fraction);
      significand = fraction << shift;
      extendedExponent = (1 - kDoubleBias) - (shift - 11) + kExtendedBias;
    }
  } else {
    significand = 0x8000000000000000ull | (fraction << 11);
    extendedExponent = exponentField - kDoubleBias + kExtendedBias;
  }
  for (size_t i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(significand >> (8 * i));
  bytes[8] = static_cast<uint8_t>(extendedExponent & 0xFF);
  bytes[9] = static_cast<uint8_t>(((extendedExponent >> 8) & 0x7F) | (negative ? 0x80 : 0));
  return bytes;
}

}  // namespace tess::stream
