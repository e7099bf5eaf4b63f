#include "core/util/text_format.h"

#include <array>
#include <charconv>
#include <cmath>

namespace glkov {

int RoundHalfEven(double v) { return static_cast<int>(std::nearbyint(v)); }

int64_t RoundHalfEven64(double v) { return static_cast<int64_t>(std::nearbyint(v)); }

std::string FormatFixed2(double v) {
  std::array<char, 400> buf{};
  auto [end, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::fixed, 2);
  if (ec != std::errc()) return "0.00";
  std::string s(buf.data(), end);
  if (s == "-0.00") s = "0.00";
  return s;
}

std::string FormatG15(double v) {
  if (v == 0) return "0";
  std::array<char, 64> buf{};
  auto [end, ec] =
      std::to_chars(buf.data(), buf.data() + buf.size(), v, std::chars_format::general, 15);
  if (ec != std::errc()) return "0";
  std::string s(buf.data(), end);
  // to_chars writes "1e-05"; the files use "1E-5" and "1E+20".
  const auto e = s.find('e');
  if (e != std::string::npos) {
    std::string mantissa = s.substr(0, e);
    const char sign = s[e + 1];
    std::string digits = s.substr(e + 2);
    while (digits.size() > 1 && digits.front() == '0') digits.erase(digits.begin());
    s = mantissa + "E" + (sign == '-' ? "-" : "+") + digits;
  }
  return s;
}

std::optional<double> ParseDouble(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  double v = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<int64_t> ParseInt(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() == '+') return std::nullopt;
  int64_t v = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
  return v;
}

std::string FileNamePart(std::string_view path) {
  const auto pos = path.find_last_of("\\/:");
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string DirPart(std::string_view path) {
  const auto pos = path.find_last_of("\\/:");
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string_view TrimLeadingBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return text;
}

}  // namespace glkov
