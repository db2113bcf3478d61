#include "macbinary/HeaderPieces.h"

#include "util/Myutil.h"
#include "util/TFileStream.h"

#include <algorithm>
#include <string>
#include <system_error>
#include <vector>

namespace kelda {

namespace {

void WritePiece(const std::filesystem::path& tmpFolder, const std::filesystem::path& fileName,
                const TPieceSpec& piece, const THeader& header) {
    TFileStream out(PieceFileName(tmpFolder, fileName, piece.Extension), FileMode::Create);
    out.WriteBuffer(header.data() + piece.Offset, static_cast<std::size_t>(piece.Count));
    out.Close();
}

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return upper;
}

} // namespace

void ReadHeader(const std::filesystem::path& file, THeader& header) {
    TFileStream in(file, FileMode::Read);
    in.ReadBuffer(header.data(), header.size());
}

std::int64_t FileSizeOf(const std::filesystem::path& file) {
    TFileStream in(file, FileMode::Read);
    return in.Size();
}

std::filesystem::path PieceFileName(const std::filesystem::path& tmpFolder,
                                    const std::filesystem::path& fileName, std::string_view extension) {
    std::string name = fileName.filename().string();
    name.append(extension);
    return tmpFolder / name;
}

void WriteHeaderPieces(const std::filesystem::path& tmpFolder, const std::filesystem::path& fileName,
                       const THeader& headerAsRead, const THeader& headerII) {
    constexpr std::size_t kPiecesAsRead = HeaderPieceSpecs.size() - MacBinaryIIPieceSpecs.size();
    for (std::size_t i = 0; i < HeaderPieceSpecs.size(); ++i) {
        WritePiece(tmpFolder, fileName, HeaderPieceSpecs[i], i < kPiecesAsRead ? headerAsRead : headerII);
    }
}

THeader WriteHeaderPieces(const std::filesystem::path& tmpFolder, const std::filesystem::path& fileName,
                          const THeader& headerAsRead) {
    const THeader headerII = MacBinaryIIForm(headerAsRead);
    WriteHeaderPieces(tmpFolder, fileName, headerAsRead, headerII);
    return headerII;
}

std::optional<std::string_view> FirstMissingPiece(const std::filesystem::path& tmpFolder,
                                                  const std::filesystem::path& fileName) {
    for (const TPieceSpec& piece : MacBinaryIIPieceSpecs) {
        std::error_code ec;
        if (!std::filesystem::exists(PieceFileName(tmpFolder, fileName, piece.Extension), ec)) {
            return piece.Extension;
        }
    }
    return std::nullopt;
}

THeader ReadMacBinaryIIPieces(const std::filesystem::path& tmpFolder, const std::filesystem::path& fileName) {
    THeader header{};
    for (const TPieceSpec& piece : MacBinaryIIPieceSpecs) {
        TFileStream in(PieceFileName(tmpFolder, fileName, piece.Extension), FileMode::Read);
        in.ReadBuffer(header.data() + piece.Offset, static_cast<std::size_t>(piece.Count));
    }
    return header;
}

bool IsPieceFileName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string extension = UpperAscii(name.substr(dot));
    return std::any_of(HeaderPieceSpecs.begin(), HeaderPieceSpecs.end(),
                       [&](const TPieceSpec& piece) { return piece.Extension == extension; });
}

TTmpClearResult ClearTmpFiles(const std::filesystem::path& tmpFolder) {
    TTmpClearResult result;
    std::vector<std::string> entries;
    ListFolder(tmpFolder.string(), faAnyFile, true, true, entries, false, false, false);
    result.FolderHadEntries = !entries.empty();
    for (const std::string& entry : entries) {
        const std::filesystem::path path(entry);
        if (!IsPieceFileName(path.filename().string())) {
            continue;
        }
        // A folder is never removed, whatever its name: only files are pieces. A piece marked
        // read-only (no write permission) is one the user protected: it stays.
        std::error_code ec;
        const std::filesystem::file_status status = std::filesystem::symlink_status(path, ec);
        if (std::filesystem::is_directory(status) ||
            (std::filesystem::is_regular_file(status) &&
             (status.permissions() & std::filesystem::perms::owner_write) == std::filesystem::perms::none)) {
            continue;
        }
        if (std::filesystem::remove(path, ec) && !ec) {
            ++result.Deleted;
        }
    }
    return result;
}

} // namespace kelda
