// SPDX-License-Identifier: MIT
#include "macbinary/SourceShortfall.h"

#include "macbinary/ForkLayout.h"
#include "util/FillText.h"

namespace kelda {

namespace {

struct TShortfallText {
    const char* English;
    const char* Japanese;
};

// "%s" is the number of bytes missing.
constexpr TShortfallText kForks = {
    "Warning ! The source file ended before its forks did: %s bytes are missing from the output.",
    "警告 ! 元のファイルはフォークの途中で終わっています。出力には %s バイト足りません"};
constexpr TShortfallText kDataFork = {
    "Warning ! The source file ended before its data fork did: %s bytes are missing from the output.",
    "警告 ! 元のファイルはデータフォークの途中で終わっています。出力には %s バイト足りません"};

} // namespace

std::int64_t SourceShortfall(const THeader& header, std::int64_t sourceSize, TOutputPart part) {
    const TForkLayout layout = ComputeForkLayout(header, sourceSize);
    const std::int64_t data = layout.Data.Missing();
    return part == TOutputPart::DataFork ? data : data + layout.Resource.Missing();
}

std::string ShortfallMessage(TOutputPart part, std::int64_t missing, bool japanese) {
    const TShortfallText& text = part == TOutputPart::Forks ? kForks : kDataFork;
    return FillText(japanese ? text.Japanese : text.English, {std::to_string(missing)});
}

} // namespace kelda
