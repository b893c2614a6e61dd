#pragma once

#include <cstdint>
#include <string>

// How the benchmarks write figures into their markdown tables.
namespace bench {

// 100000 as "100,000" (counts are never negative).
std::string grouped(std::int64_t n);
// Milliseconds with `smallDigits` decimals below 10, one below 1,000, none
// above; a negative value (no figure) as a dash.
std::string ms(double value, int smallDigits);
// a/b as "1.23×" with `digits` decimals; a dash when b is not positive.
std::string ratio(double a, double b, int digits);
std::string mb(double value);
const char* verdict(bool met);

}  // namespace bench
