#include "cli/report/html_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace quorvel::cli::report {
namespace {

// Length of the valid UTF-8 sequence at `at`, or 0 when there is none.
std::size_t utf8Length(const std::string& text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  std::size_t length = 0;
  unsigned minimum = 0, code = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0)
    length = 2, code = lead & 0x1F, minimum = 0x80;
  else if ((lead & 0xF0) == 0xE0)
    length = 3, code = lead & 0x0F, minimum = 0x800;
  else if ((lead & 0xF8) == 0xF0)
    length = 4, code = lead & 0x07, minimum = 0x10000;
  else
    return 0;
  if (at + length > text.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

std::string escapeHtml(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = utf8Length(text, i);
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (length == 0 || (c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
      out += "\xEF\xBF\xBD";
      i += length == 0 ? 1 : length;
      continue;
    }
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out.append(text, i, length);
    }
    i += length;
  }
  return out;
}

std::string jsonForScript(const std::string& text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = utf8Length(text, i);
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == '<' || c == '>' || c == '&' || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out.append(text, i, length);
    }
    i += length;
  }
  return out + "\"";
}

std::string numberText(double value, int digits) {
  if (std::isnan(value)) return "n/a";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char text[64];
  const double magnitude = std::fabs(value);
  if (magnitude != 0.0 && (magnitude >= 1e7 || magnitude < 1e-4)) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
  } else {
    // Whole digits are never cut: 123456 stays 123456, not 1.235e+05.
    const int whole =
        magnitude >= 1.0 ? static_cast<int>(std::floor(std::log10(magnitude))) + 1 : 1;
    std::snprintf(text, sizeof text, "%.*g", std::max(digits, whole), value);
  }
  return text;
}

std::string fixed(double value, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text;
}

}  // namespace quorvel::cli::report
