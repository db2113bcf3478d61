// SPDX-License-Identifier: MIT
// The command-line parser's error messages in the language asked for. The parser words them in
// English only; each kind it has is in kelda-cli's language table with its English wording, by which
// the message is recognised and its parts (option names, values, counts) taken over.
#pragma once

#include <string>

namespace kelda {

// message as the parser wrote it, in English unchanged or in Japanese. A message of no known kind
// stays as it is in English and is wrapped in a Japanese sentence.
std::string ParserMessage(const std::string& message, bool japanese);

} // namespace kelda
