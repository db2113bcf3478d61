// SPDX-License-Identifier: MIT
// Reading a header from a file, the six header pieces in the temporary folder, and their clean-up.
#pragma once

#include "macbinary/MacBinaryHeader.h"
#include "util/TFileStream.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace kelda {

// Reads the first 128 bytes of file into header. The file is opened for reading only. A shorter
// file throws the read-past-end error after the bytes present have replaced the start of header.
void ReadHeader(const std::filesystem::path& file, THeader& header);

// The size of a file in bytes (opened for reading only).
std::int64_t FileSizeOf(const std::filesystem::path& file);

struct TPieceSpec {
    std::string_view Extension;
    int Offset; // first header byte the piece holds
    int Count;  // bytes it holds
};

// The pieces in writing order: the header as read, then its MacBinary II form.
inline constexpr std::array<TPieceSpec, 6> HeaderPieceSpecs{{
    {".DA1", 0, 124},
    {".CR1", 124, 2},
    {".OS1", 126, 2},
    {".DA2", 0, 124},
    {".CR2", 124, 2},
    {".OS2", 126, 2},
}};

// The three pieces a MacBinary II file is assembled from, in their order in the header.
inline constexpr std::array<TPieceSpec, 3> MacBinaryIIPieceSpecs{{
    {".DA2", 0, 124},
    {".CR2", 124, 2},
    {".OS2", 126, 2},
}};

// tmpFolder + the file name without its folder + extension ("/x/Photo.bin" gives "Photo.bin.DA1").
std::filesystem::path PieceFileName(const std::filesystem::path& tmpFolder,
                                    const std::filesystem::path& fileName, std::string_view extension);

// The pieces of the file a window shows, each kept open and held (HoldFile) for as long as the
// window keeps this: ClearTmpFiles in another window (another KELDA) leaves them. Emptying it, or
// giving it a new file's pieces, lets them go.
struct TPieceHold {
    std::vector<TFileStream> Files;
};

// Writes the six pieces of fileName: ".DA1" to ".OS1" from its header as read, ".DA2" to ".OS2"
// from its MacBinary II form (CRC included). No piece is read back. A piece that cannot be written
// throws at that piece; the pieces before it stay. With hold, each piece is held from before its
// bytes are written and added to hold. A tmpFolder that is itself a symbolic link is refused, as
// ClearTmpFiles refuses it: nothing is written, and the create error of the first piece says in both
// languages that KELDA does not write through a link.
void WriteHeaderPieces(const std::filesystem::path& tmpFolder, const std::filesystem::path& fileName,
                       const THeader& headerAsRead, const THeader& headerII, TPieceHold* hold = nullptr);
// The same with the MacBinary II form computed here; returns it.
THeader WriteHeaderPieces(const std::filesystem::path& tmpFolder, const std::filesystem::path& fileName,
                          const THeader& headerAsRead);

// The extension of the first of ".DA2", ".CR2", ".OS2" that does not exist for fileName; ".DA2"
// when tmpFolder cannot be opened or is a link.
std::optional<std::string_view> FirstMissingPiece(const std::filesystem::path& tmpFolder,
                                                  const std::filesystem::path& fileName);

// The MacBinary II header assembled from the first 124, 2 and 2 bytes of ".DA2", ".CR2", ".OS2".
// A missing or short piece, or one that is a link, throws the file layer's error; a tmpFolder that is
// a link, the open error of the first piece saying so.
THeader ReadMacBinaryIIPieces(const std::filesystem::path& tmpFolder, const std::filesystem::path& fileName);

// Whether a file name ends in one of the six piece extensions, in any letter case.
bool IsPieceFileName(std::string_view name);

struct TTmpClearResult {
    bool FolderHadEntries = false; // false: the folder is empty, missing or unreadable
    int Deleted = 0;               // pieces removed
};

// Deletes every file directly inside tmpFolder whose extension is a piece extension (any letter
// case) and that KELDA could have written: a regular file of this user with one name, no larger than
// a piece, with write permission. Links (and what they lead to), other files, subfolders and their
// contents stay; a file that cannot be deleted stays, and so does a piece that a running KELDA
// holds (TPieceHold: the pieces of the file another window shows). A tmpFolder that is itself a
// link is not entered: it counts as a folder that cannot be read.
TTmpClearResult ClearTmpFiles(const std::filesystem::path& tmpFolder);

} // namespace kelda
