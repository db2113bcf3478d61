// SPDX-License-Identifier: MIT
#include "resources/FileVersion.h"

#include "macbinary/ForkLayout.h"
#include "macbinary/HeaderTable.h"
#include "resources/ByteSource.h"
#include "resources/VersResource.h"

namespace kelda {

const TResourceEntry* FileVersEntry(const TResourceMap& map) {
    if (const TResourceEntry* own = map.Find(ResType("vers"), 1)) {
        return own;
    }
    if (const TResourceEntry* package = map.Find(ResType("vers"), 2)) {
        return package;
    }
    const std::vector<const TResourceEntry*> any = map.OfType(ResType("vers"));
    return any.empty() ? nullptr : any.front();
}

std::string FileShortVersion(const TFileStream& file, const THeader& header) {
    const TForkSpan span = ComputeForkLayout(header, file.Size()).Resource;
    if (span.Present <= 0) {
        return {};
    }
    const TFileRangeSource fork(file, span.Offset, span.Present);
    const TResourceMap map = ReadResourceMap(fork, HeaderTextEncoding(header), TMapReading::MapOnly);
    const TResourceEntry* found = FileVersEntry(map);
    if (found == nullptr) {
        return {};
    }
    TResourceEntry entry = *found;
    if (!ReadResourceLength(fork, map, entry)) {
        return {};
    }
    const std::optional<TVersInfo> vers = DecodeVers(ReadResourceData(fork, entry, kVersReadLimit));
    return vers ? vers->ShortVersion : std::string();
}

} // namespace kelda
