// SPDX-License-Identifier: MIT
#include "macbinary/TInspection.h"

#include "macbinary/HeaderTable.h"
#include "macbinary/LogBlock.h"
#include "util/Myutil.h"
#include "util/TFileStream.h"

#include <system_error>

namespace kelda {

TInspection InspectHeader(const std::filesystem::path& path, std::string_view shownName,
                          const THeader& header, std::int64_t size, TMacEncoding encoding) {
    TInspection inspection;
    inspection.Path = path;
    inspection.ShownName = std::string(shownName);
    inspection.Size = size;
    inspection.Header = header;
    inspection.HeaderII = MacBinaryIIForm(header);
    inspection.CrcII = HeaderWord(inspection.HeaderII, kOffsetCrc);
    inspection.FileType = std::string(FileTypeText(header));
    inspection.TableLines = BuildHeaderTable(header, encoding);
    inspection.GridCells.reserve(inspection.TableLines.size());
    for (const std::string& line : inspection.TableLines) {
        std::vector<std::string> cells;
        SplitFields(line, cells);
        inspection.GridCells.push_back(std::move(cells));
    }
    inspection.LogBlock = BuildLogBlock(shownName, header, size, nullptr, encoding);
    inspection.Layout = ComputeForkLayout(header, size);
    inspection.Check = CheckMacBinary(header, size, encoding);
    return inspection;
}

TInspectResult InspectFile(const std::filesystem::path& path, std::string_view shownName,
                           TMacEncoding encoding) {
    TInspectResult result;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        result.Refusal = TInspectRefusal::FileNotFound;
        return result;
    }
    std::int64_t size = 0;
    {
        TFileStream in(path, FileMode::Read);
        in.ReadBuffer(result.HeaderRead.data(), result.HeaderRead.size());
        size = in.Size();
    }
    if (!IsMacBinary(result.HeaderRead)) {
        result.Refusal = TInspectRefusal::NotMacBinary;
        return result;
    }
    result.Inspection = InspectHeader(path, shownName, result.HeaderRead, size, encoding);
    return result;
}

TInspectResult InspectFile(const std::filesystem::path& path) {
    return InspectFile(path, path.string());
}

} // namespace kelda
