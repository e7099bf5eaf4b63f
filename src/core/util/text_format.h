#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace glkov {

// Rounds to the nearest integer, halves to even (the rounding used everywhere in the program).
int RoundHalfEven(double v);
int64_t RoundHalfEven64(double v);

// "%f" of the files: fixed point with exactly two decimals and a point, independent of the locale.
std::string FormatFixed2(double v);

// "%g" of the files: the shortest text of up to 15 significant digits; scientific notation with
// a capital "E" for very large or very small magnitudes ("1E-5", "1.5E+20").
std::string FormatG15(double v);

// Locale-free number parsing of a whole token. An optional leading '+' or '-' is accepted;
// anything else that is not part of the number makes the result empty.
std::optional<double> ParseDouble(std::string_view text);
std::optional<int64_t> ParseInt(std::string_view text);

// The text after the last "\", "/" or ":" (the bare file name).
std::string FileNamePart(std::string_view path);

// The text up to and including the last "\", "/" or ":"; empty when there is none.
std::string DirPart(std::string_view path);

// Removes leading blanks (spaces) only.
std::string_view TrimLeadingBlanks(std::string_view text);

}  // namespace glkov
