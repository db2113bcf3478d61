// SPDX-License-Identifier: MIT
// The JSON that kelda-cli writes with --json: one object per file, on one line. The schema is in
// docs/cli-json.md; kCliJsonSchemaVersion changes whenever a field changes meaning or goes away
// (new fields keep it).
#pragma once

#include "cli/Cli.h"
#include "macbinary/ForkLayout.h"
#include "macbinary/MacBinaryHeader.h"
#include "util/MacText.h"
#include "util/VisibleText.h" // HexBytes and HexValue, for the objects' "hex" fields

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>

namespace kelda {

using TCliJson = nlohmann::ordered_json;

inline constexpr int kCliJsonSchemaVersion = 1;
// check's and resources' objects: 2 since they took the common names (size, header_crc, the name
// and type objects, the fork extents with present and complete; no "file").
inline constexpr int kCliCheckSchemaVersion = 3;
inline constexpr int kCliResourcesSchemaVersion = 2;
// scan's objects: 2 since "sound" took the place of "macbinary" and the reasons became the check
// report's.
inline constexpr int kCliScanSchemaVersion = 2;

// The start of every object: "schema" (e.g. "kelda-cli.info"), "schema_version" (version), "path"
// (the name as given, as text) and "path_hex" (its bytes).
TCliJson CliJsonObject(std::string_view schema, std::string_view path, int version = kCliJsonSchemaVersion);

// {"text": decoded, "hex": raw bytes} of a Mac text field.
TCliJson MacTextJson(std::string_view bytes, TMacEncoding encoding);
// The header's name as ReadHeaderName reads it (nameEncoding the user's choice): {"text", "hex",
// "encoding": "mac-roman" or "japanese", "reason": MacNameReasonId}.
TCliJson MacNameJson(const THeader& header, TMacEncoding nameEncoding);
// The same of any name's bytes and their reading.
TCliJson MacNameJson(std::string_view bytes, const TMacNameReading& name);
// One part of a file: {"offset", "length" (as stated), "present" (bytes held), "complete"}.
TCliJson ForkSpanJson(const TForkSpan& span);
// {"stored", "computed" (lower-case hex), "ok"} of a CRC.
TCliJson CrcPairJson(std::uint16_t stored, std::uint16_t computed);

// Everything the header says, and where its parts lie in a file of fileSize bytes, added to object
// (the fields of docs/cli-json.md, "MacBinary fields"); the texts decoded with nameEncoding as the
// user's choice.
void AddHeaderJson(TCliJson& object, const THeader& header, std::int64_t fileSize,
                   TMacEncoding nameEncoding = TMacEncoding::Auto);

// The object on one line of context.Out. Bytes of names that are not UTF-8 show as U+FFFD in the
// text fields; the hex fields keep them exactly.
void CliWriteJson(const TCliContext& context, const TCliJson& object);

} // namespace kelda
