// The 10-byte x87 extended-precision numbers of binary form streams and the platform's floating type for them.
#pragma once

#include <array>
#include <cfloat>
#include <cstdint>

namespace tess::stream {

using TExtendedBytes = std::array<uint8_t, 10>;

// The widest floating type that holds every value this system reads from an extended field. Where
// long double is the x87 format itself the bytes are copied; elsewhere values go through double.
#if LDBL_MANT_DIG == 64 && LDBL_MAX_EXP == 16384
#define TESS_NATIVE_EXTENDED 1
using TExtended = long double;
#else
#define TESS_NATIVE_EXTENDED 0
using TExtended = double;
#endif

TExtended ExtendedFromBytes(const TExtendedBytes& ABytes);
TExtendedBytes ExtendedToBytes(TExtended AValue);

// The portable conversions, used where the platform has no 80-bit type and tested everywhere.
// Reading rounds the 64-bit significand to 53 bits, ties to even, and saturates to infinity or
// flushes to zero outside the range of double; writing is exact.
double DoubleFromExtendedBytes(const TExtendedBytes& ABytes);
TExtendedBytes ExtendedBytesFromDouble(double AValue);

}  // namespace tess::stream
