// SPDX-License-Identifier: MIT
#include "macbinary/HeaderPieces.h"

#include "app/Language.h"
#include "util/Myutil.h"
#include "util/TFileStream.h"
#include "util/TFolder.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>
#include <vector>

namespace kelda {

namespace {

// The largest piece: a file in the temporary folder that is larger is none KELDA wrote.
constexpr std::int64_t kLargestPiece = 124;

std::string PieceName(const std::filesystem::path& fileName, std::string_view extension) {
    return PieceFileName({}, fileName, extension).string();
}

// The temporary folder, opened once so that each piece is named relative to it; never a folder that
// is itself a symbolic link, which could lead anywhere (a user's own folder, whose files would be
// taken for pieces). The trailing separator goes, or the kernel would follow the link after all.
TFolder OpenTmpFolder(const std::filesystem::path& tmpFolder) {
    return TFolder(tmpFolder.has_filename() ? tmpFolder : tmpFolder.parent_path(), false);
}

bool IsLink(const std::filesystem::path& tmpFolder) {
    std::error_code ec;
    return std::filesystem::is_symlink(
        std::filesystem::symlink_status(tmpFolder.has_filename() ? tmpFolder : tmpFolder.parent_path(), ec));
}

// The temporary folder for the pieces of fileName. A folder that cannot be opened is the error of
// its first piece (kind: the create or the open error); one that is a link says so in both languages.
TFolder OpenPieceFolder(const std::filesystem::path& tmpFolder, const std::filesystem::path& fileName,
                        EFileError::Kind kind, std::string_view firstPiece) {
    const std::filesystem::path piece = PieceFileName(tmpFolder, fileName, firstPiece);
    try {
        return OpenTmpFolder(tmpFolder);
    } catch (const EFileError& e) {
        if (IsLink(tmpFolder)) {
            const std::string shown = piece.string() + ": ";
            throw EFileError(kind, ELOOP, shown + MessageText(TMsg::NoWriteThroughLink, true),
                             shown + MessageText(TMsg::NoWriteThroughLink, false), piece);
        }
        throw kind == EFileError::Kind::Create ? EFileError::createFailed(piece, e.errorCode())
                                               : EFileError::openFailed(piece, e.errorCode());
    }
}

// A piece is written only into a regular file of that name, never through a link planted there.
// A hold takes the piece before its bytes go in, so that no clean-up elsewhere takes it meanwhile.
void WritePiece(const TFolder& folder, const std::filesystem::path& fileName, const TPieceSpec& piece,
                const THeader& header, TPieceHold* hold) {
    const std::string name = PieceName(fileName, piece.Extension);
    TFileStream out = folder.CreateOrEmpty(name);
    if (hold != nullptr) {
        TFileStream held = folder.OpenForReading(name);
        HoldFile(held);
        hold->Files.push_back(std::move(held));
    }
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
                       const THeader& headerAsRead, const THeader& headerII, TPieceHold* hold) {
    constexpr std::size_t kPiecesAsRead = HeaderPieceSpecs.size() - MacBinaryIIPieceSpecs.size();
    const TFolder folder =
        OpenPieceFolder(tmpFolder, fileName, EFileError::Kind::Create, HeaderPieceSpecs[0].Extension);
    for (std::size_t i = 0; i < HeaderPieceSpecs.size(); ++i) {
        WritePiece(folder, fileName, HeaderPieceSpecs[i], i < kPiecesAsRead ? headerAsRead : headerII, hold);
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
    std::optional<TFolder> folder;
    try {
        folder.emplace(OpenTmpFolder(tmpFolder));
    } catch (const EFileError&) {
        return MacBinaryIIPieceSpecs[0].Extension; // a folder that is missing, or refused, holds none
    }
    for (const TPieceSpec& piece : MacBinaryIIPieceSpecs) {
        if (!folder->Stat(PieceName(fileName, piece.Extension), false)) {
            return piece.Extension;
        }
    }
    return std::nullopt;
}

THeader ReadMacBinaryIIPieces(const std::filesystem::path& tmpFolder, const std::filesystem::path& fileName) {
    THeader header{};
    const TFolder folder =
        OpenPieceFolder(tmpFolder, fileName, EFileError::Kind::Open, MacBinaryIIPieceSpecs[0].Extension);
    for (const TPieceSpec& piece : MacBinaryIIPieceSpecs) {
        TFileStream in = folder.OpenForReading(PieceName(fileName, piece.Extension));
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
    // A temporary folder that is a link could lead anywhere (a user's own folder): it is treated as
    // one that cannot be read. Entries are named relative to the folder opened here.
    std::optional<TFolder> folder;
    try {
        folder.emplace(OpenTmpFolder(tmpFolder));
    } catch (const EFileError&) {
        return result;
    }
    const std::vector<std::string> names = folder->Names();
    result.FolderHadEntries = !names.empty();
    for (const std::string& name : names) {
        if (!IsPieceFileName(name)) {
            continue;
        }
        // Only what KELDA could have written there goes: a regular file (no link, folder or device)
        // of one name, of this user, no larger than a piece. A piece marked read-only (no write
        // permission) is one the user protected: it stays. So does one a running KELDA holds.
        const std::optional<TFileStat> st = folder->Stat(name, false);
        if (!st || !st->Regular || st->Links != 1 || !st->OwnedByUs || !st->Writable ||
            st->Size > kLargestPiece) {
            continue;
        }
        if (folder->RemoveUnheld(name)) {
            ++result.Deleted;
        }
    }
    return result;
}

} // namespace kelda
