// SPDX-License-Identifier: MIT
#include "cli/CliJson.h"

#include "macbinary/ForkLayout.h"
#include "macbinary/HeaderTable.h"

#include <algorithm>
#include <ostream>

namespace kelda {

namespace {

std::string_view HeaderBytes(const THeader& header, int offset, int count) {
    return {reinterpret_cast<const char*>(header.data()) + offset, static_cast<std::size_t>(count)};
}

TCliJson DateJson(std::uint32_t macSeconds) {
    return {{"mac_seconds", macSeconds}, {"text", FormatDateTime(MacDateToDateTime(macSeconds), '-', ':')}};
}

} // namespace

TCliJson CliJsonObject(std::string_view schema, std::string_view path, int version) {
    return {{"schema", schema},
            {"schema_version", version},
            {"path", std::string(path)},
            {"path_hex", HexBytes(path)}};
}

TCliJson MacTextJson(std::string_view bytes, TMacEncoding encoding) {
    return {{"text", MacTextToUtf8(bytes, encoding)}, {"hex", HexBytes(bytes)}};
}

TCliJson MacNameJson(const THeader& header, TMacEncoding nameEncoding) {
    return MacNameJson(HeaderNameBytes(header), ReadHeaderName(header, nameEncoding));
}

TCliJson MacNameJson(std::string_view bytes, const TMacNameReading& name) {
    return {{"text", name.Text},
            {"hex", HexBytes(bytes)},
            {"encoding", MacEncodingId(name.Encoding)},
            {"reason", MacNameReasonId(name.Reason)}};
}

TCliJson ForkSpanJson(const TForkSpan& span) {
    return {{"offset", span.Offset},
            {"length", span.Length},
            {"present", span.Present},
            {"complete", span.Complete()}};
}

TCliJson CrcPairJson(std::uint16_t stored, std::uint16_t computed) {
    return {
        {"stored", HexValue(stored, 16)}, {"computed", HexValue(computed, 16)}, {"ok", stored == computed}};
}

void AddHeaderJson(TCliJson& object, const THeader& header, std::int64_t fileSize,
                   TMacEncoding nameEncoding) {
    const TMacEncoding encoding = HeaderTextEncoding(header, nameEncoding);
    const std::uint16_t storedCrc = HeaderWord(header, kOffsetCrc);
    const std::uint16_t computedCrc = HeaderCrc(header);
    const TForkLayout layout = ComputeForkLayout(header, fileSize);
    object["file_type"] = std::string(FileTypeText(header));
    object["version"] = header[kOffsetVersion];
    object["min_version"] = header[kOffsetMinVersion];
    object["name"] = MacNameJson(header, nameEncoding);
    object["type"] = MacTextJson(HeaderBytes(header, kOffsetType, kFourCharCodeWidth), encoding);
    object["creator"] = MacTextJson(HeaderBytes(header, kOffsetCreator, kFourCharCodeWidth), encoding);
    object["finder_flags"] = (header[kOffsetFlagsHigh] << 8) | header[kOffsetFlagsLow];
    object["extended_finder_flags"] = header[kOffsetExtFlags];
    object["protected"] = header[kOffsetProtected];
    object["signature"] = HasMacBinarySignature(header);
    object["script"] = header[kOffsetScript];
    object["created"] = DateJson(HeaderUInt32(header, kOffsetCreated));
    object["modified"] = DateJson(HeaderUInt32(header, kOffsetModified));
    object["data_fork_length"] = HeaderUInt32(header, kOffsetDataForkLength);
    object["resource_fork_length"] = HeaderUInt32(header, kOffsetResourceForkLength);
    object["comment_length"] = HeaderWord(header, kOffsetCommentLength);
    object["secondary_header_length"] = HeaderWord(header, kOffsetSecondaryHeaderLength);
    object["header_crc"] = CrcPairJson(storedCrc, computedCrc);
    object["layout"] = {{"data_fork", ForkSpanJson(layout.Data)},
                        {"resource_fork", ForkSpanJson(layout.Resource)},
                        {"comment", ForkSpanJson(layout.Comment)},
                        {"minimal_size", layout.MinimalSize},
                        {"padded_size", layout.PaddedSize}};
    object["header_hex"] = HexBytes(HeaderBytes(header, 0, static_cast<int>(kHeaderSize)));
}

void CliWriteJson(const TCliContext& context, const TCliJson& object) {
    context.Out << object.dump(-1, ' ', false, TCliJson::error_handler_t::replace) << '\n';
}

} // namespace kelda
