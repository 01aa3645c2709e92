// The style sheet and scripts inlined into every report page, so that a
// page needs no other file and no network.
#ifndef QUORVEL_CLI_REPORT_PAGE_ASSETS_H_
#define QUORVEL_CLI_REPORT_PAGE_ASSETS_H_

#include <string>

namespace quorvel::cli::report {

// The start of a page up to its <body>: the character set, a content
// policy that forbids loading anything but inline data, the escaped
// `title`, and the style sheet.
std::string pageHead(const std::string& title);

// CSS of both pages.
extern const char kPageStyle[];

// Shows the text of any element's data-tip attribute in a floating box
// while the pointer is over it; the timeline's cursor names the volume
// under the pointer and the value of every trace there.
extern const char kHoverScript[];

// Sorts a table.sortable by the column whose heading is clicked: numbers
// (from the cells' data-value) numerically, n/a last, then text.
extern const char kSortScript[];

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_PAGE_ASSETS_H_
