// Narrow (ANSI) texts, as the program's A calls take them.
#pragma once

#include <charconv>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>

namespace zolvan {

// printf-style formatting into a growable narrow string.
[[gnu::format(printf, 1, 2)]] inline std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(length > 0 ? size_t(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}

// A number as "%d" writes it, without the cost of formatting.
struct Decimal {
  explicit Decimal(int32_t n) { *std::to_chars(text, text + sizeof text - 1, n).ptr = 0; }
  char text[12] = {};
};

// Cut to the field and always terminated.
template <size_t N>
void CopyText(char (&field)[N], const char* text) {
  std::snprintf(field, N, "%s", text);
}

}  // namespace zolvan
