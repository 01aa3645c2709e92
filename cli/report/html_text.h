// Text put into the report's HTML and SVG: escaped, and numbers written
// short.
#ifndef QUORVEL_CLI_REPORT_HTML_TEXT_H_
#define QUORVEL_CLI_REPORT_HTML_TEXT_H_

#include <string>

namespace quorvel::cli::report {

// `text` safe inside an element or a double-quoted attribute: & < > " '
// become entities, and bytes that are not valid UTF-8 and control
// characters other than tab and newline become U+FFFD.
std::string escapeHtml(const std::string& text);

// `text` as a JSON string literal that is also safe inside a <script>
// element ("</" and "<!--" cannot occur in it).
std::string jsonForScript(const std::string& text);

// `value` with up to `digits` significant digits, no exponent for ordinary
// magnitudes: 1234.5 -> "1234.5" (digits 6), 0.000123 -> "0.000123";
// NaN -> "n/a", infinities -> "inf" / "-inf".
std::string numberText(double value, int digits = 4);

// `value` with `decimals` digits after the point, for SVG coordinates.
std::string fixed(double value, int decimals = 1);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_HTML_TEXT_H_
