#pragma once

#include <string>

namespace hwident {

// The digits of value with the given number of decimals, as printf's %f gives
// them on the platform the program was first built for: the exact binary
// value is rounded to 17 significant digits, every later digit reads as 0,
// and that decimal string is then rounded to the decimals asked for.
// Both roundings take a tie away from zero (0.03125 gives 0.0313).
// A negative value, zero included, starts with '-'. NaN prints "nan",
// the infinities "inf" and "-inf". No padding: the caller aligns.
std::string FixedPointText(double value, int decimals);

}  // namespace hwident
