// Numbers as the command's messages quote them.
#ifndef QUORVEL_CLI_BASE_NUMBER_TEXT_H_
#define QUORVEL_CLI_BASE_NUMBER_TEXT_H_

#include <string>

namespace quorvel::cli {

// `value` as a default output stream writes it: six significant digits,
// "3.40282e+38" for the largest float.
std::string numberText(double value);

// `value` with `decimals` digits after the point, as "%.*f" writes it.
std::string fixedText(double value, int decimals);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_NUMBER_TEXT_H_
