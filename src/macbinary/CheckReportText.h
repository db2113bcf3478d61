// SPDX-License-Identifier: MIT
// The check report as lines of text, in either language: the verdict, the CRC, the size, where
// the forks really lie, the name's readings and every finding. kelda-cli prints these lines and the
// window's check page shows them.
#pragma once

#include "macbinary/CheckReport.h"

#include <string>
#include <vector>

namespace kelda {

// A few tens of lines, none with a tab; labels are padded so that the colons stand in one column.
std::vector<std::string> CheckReportLines(const TCheckReport& report, bool japanese);

// The log's byte ranges (forks back to back) beside where the parts really lie: a title line, then
// one line each for the data fork, the resource fork and the comment.
std::vector<std::string> LayoutComparisonLines(const THeader& header, const TCheckReport& report,
                                               bool japanese);

// "offset 256, 1454 bytes, complete" / "..., 995 of 1000 bytes present, 5 missing".
// Without withOffset the text starts at the length.
std::string ForkSpanText(const TForkSpan& span, bool japanese, bool withOffset = true);

} // namespace kelda
