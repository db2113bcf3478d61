// SPDX-License-Identifier: MIT
// Reading a file for the window: everything a file dropped or opened on the MacBinary page gives
// the pages, in one operation. The inspection (InspectFile), the header pieces written into the
// temporary folder and held, and the resource map with the file's own icon. The window only
// renders the result.
#pragma once

#include "macbinary/HeaderPieces.h"
#include "macbinary/TInspection.h"
#include "resources/TResourceModel.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <string_view>

namespace kelda {

struct TFileReading {
    // The inspection, or why the file was refused (then nothing else is set).
    TInspectResult Inspect;
    // The header pieces written, held for as long as the file is shown.
    TPieceHold Pieces;
    // A piece that could not be written: the reading ends there, with the inspection made.
    std::exception_ptr PiecesError;
    // The resource map and own icon; empty when the pieces failed or the map could not be read.
    std::optional<TResourceModel> Resources;
    // Why the map could not be read, when it could not.
    std::exception_ptr ResourcesError;

    bool Accepted() const { return Inspect.Accepted(); }
};

// Reads file (the name shown and logged as shownName, header fields decoded as encoding says) and
// writes its pieces into tmpFolder. A file that cannot be inspected throws the file layer's error;
// the later steps' errors are kept in the result, so that what was read before can be shown.
TFileReading ReadMacBinaryFile(const std::filesystem::path& file, std::string_view shownName,
                               TMacEncoding encoding, const std::filesystem::path& tmpFolder);

} // namespace kelda
