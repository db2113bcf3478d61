// SPDX-License-Identifier: MIT
#include "resources/FileReading.h"

namespace kelda {

TFileReading ReadMacBinaryFile(const std::filesystem::path& file, std::string_view shownName,
                               TMacEncoding encoding, const std::filesystem::path& tmpFolder) {
    TFileReading reading;
    reading.Inspect = InspectFile(file, shownName, encoding);
    if (!reading.Accepted()) {
        return reading;
    }
    const TInspection& inspection = *reading.Inspect.Inspection;
    try {
        // Each piece is held from before its bytes are written, so that the clean-up of another
        // window never takes it.
        WriteHeaderPieces(tmpFolder, file, inspection.Header, inspection.HeaderII, &reading.Pieces);
    } catch (...) {
        reading.Pieces = {};
        reading.PiecesError = std::current_exception();
        return reading;
    }
    try {
        reading.Resources = TResourceModel::Read(file, inspection.Header, encoding);
    } catch (...) {
        reading.ResourcesError = std::current_exception();
    }
    return reading;
}

} // namespace kelda
