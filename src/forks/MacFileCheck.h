// SPDX-License-Identifier: MIT
// The one check of an open file, for check, scan and the window alike: a BinHex 4.0 body is judged
// as BinHex (its three CRCs, what is missing), anything else as MacBinary (CheckOpenFile).
#pragma once

#include "forks/BinHex.h"
#include "forks/TMacFile.h"
#include "macbinary/CheckReport.h"
#include "util/TFileStream.h"

#include <filesystem>
#include <memory>
#include <optional>

namespace kelda {

// The report on a decoded BinHex body: sound when every part is whole and every CRC holds, else
// damaged with the fault as its finding; name, type, creator and fork spans from its header.
TCheckReport CheckBinHex(const TBinHexReading& reading, std::int64_t fileSize,
                         TMacEncoding nameEncoding = TMacEncoding::Auto);

// BinHex when the file holds a BinHex body (SniffBinHex), else CheckOpenFile's MacBinary report
// (header: the file's first 128 bytes, left zero then). length: as for CheckOpenFile.
TCheckReport CheckMacFile(const TFileStream& file, THeader& header,
                          TMacEncoding nameEncoding = TMacEncoding::Auto,
                          std::optional<std::int64_t> length = std::nullopt);

// A file's check as the Check page shows it: the report; the header it was judged on as MacBinary
// (the file's first 128 bytes), which a BinHex body or a shorter file has none of; and, for a
// BinHex file whose forks decode, the file opened (its forks for the other pages and the File
// menu).
struct TFileCheck {
    THeader Header{};
    TCheckReport Report;
    std::shared_ptr<const TMacFileSource> BinHex;
    // Whether Header holds the file's own bytes: the report judged them as MacBinary, and the file
    // has all 128 (a shorter file's are not read).
    bool HasHeader() const {
        return Report.Container == TCheckContainer::MacBinary &&
               Report.FileSize >= static_cast<std::int64_t>(kHeaderSize);
    }
};

// CheckMacFile on the file, which is open only while it is read; a BinHex file is then opened as
// a Mac file (TMacFileSource::OpenBinHex), unless it is damaged past reading. Throws EFileError
// when the file cannot be read.
TFileCheck CheckFile(const std::filesystem::path& file, TMacEncoding nameEncoding = TMacEncoding::Auto);

} // namespace kelda
