// SPDX-License-Identifier: MIT
// The file layer: RAII file handles whose failures throw EFileError with the system's own texts.
#pragma once

#include "util/BilingualError.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

namespace kelda {

// One exception type for every failure of the file layer. what() is the text the window shows in
// both language modes; english() is the same in English, shown below it in English mode.
class EFileError : public EBilingualError {
public:
    enum class Kind { Open, Create, ReadPastEnd, InOut };

    EFileError(Kind kind, int errorCode, const std::string& text, std::string english,
               std::filesystem::path file = {})
        : EBilingualError(text, std::move(english)), kind_(kind), errorCode_(errorCode),
          file_(std::move(file)) {}

    Kind kind() const { return kind_; }
    // errno of the failing call; 0 for a read past the end of a file.
    int errorCode() const { return errorCode_; }
    // The file whose opening, reading or writing failed; empty when that is not known. The texts do
    // not name it for an I/O error, so reports that name a file take this one.
    const std::filesystem::path& File() const { return file_; }
    // The errno whose system text the message carries (openFailed, createFailed, inOut); 0 when
    // the text gives no system reason (a read past the end, a refusal of the program's own).
    int SystemReason() const { return systemReason_ ? errorCode_ : 0; }

    // "ファイル "%s". %s は開けません" / "Can not open the file "%s": %s"
    static EFileError openFailed(const std::filesystem::path& file, int err);
    // "ファイル "%s". %s を作成できません" / "Can not create the file "%s": %s"
    static EFileError createFailed(const std::filesystem::path& file, int err);
    // "ファイルの末尾以降を読み込みました" / "Read past the end of the file"
    static EFileError readPastEnd(const std::filesystem::path& file = {});
    // "I/O エラー (%d)" / "I/O error (%d): %s"
    static EFileError inOut(int err, const std::filesystem::path& file = {});

private:
    Kind kind_;
    int errorCode_;
    std::filesystem::path file_;
    bool systemReason_ = false;
};

enum class FileMode {
    Read,      // existing file, read only
    ReadWrite, // existing file, read and write
    Create,    // create, or empty an existing file, write only
};

// A file opened for the lifetime of the object; the descriptor is closed on every path.
// Only regular files (block devices for reading; character devices, FIFOs and pipes for writing) are
// opened: a folder, socket, or a FIFO to read is refused at open time instead of blocking or failing
// later. A FIFO opened to write that has no reader yet waits for one.
class TFileStream {
public:
    TFileStream(const std::filesystem::path& file, FileMode mode);
    // Takes over an open descriptor; shownName is the name its errors give.
    static TFileStream Adopt(int fd, const std::filesystem::path& shownName);
    // A file with no name, for reading and writing, in TMPDIR (else /tmp): what a decoded container
    // keeps its forks in. It has no name to clash with or to be left behind: it goes when it is
    // closed, also when the program is killed. Throws EFileError when it cannot be made.
    static TFileStream Anonymous();
    ~TFileStream();

    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    TFileStream(TFileStream&& other) noexcept;
    TFileStream& operator=(TFileStream&& other) noexcept;

    // Reads up to count bytes; returns how many were read (0 at the end of the file).
    std::size_t Read(void* buffer, std::size_t count);
    // Reads up to count bytes from offset without moving the position, so that several threads
    // can read one open file; returns fewer than count only at the end of the file.
    std::size_t ReadAt(void* buffer, std::size_t count, std::int64_t offset) const;
    // Reads exactly count bytes; throws the read-past-end error when the file ends first
    // (the bytes that were present are in buffer then).
    void ReadBuffer(void* buffer, std::size_t count);
    // Writes all count bytes or throws the I/O error.
    void WriteBuffer(const void* buffer, std::size_t count);

    std::int64_t Size() const;
    std::int64_t Position() const;
    void Seek(std::int64_t offset);

    // Writes the file's data to disk; a device that cannot be synchronised is not an error.
    void Sync();
    // Closes now and reports a failure of the close itself (a delayed write error).
    void Close();

    const std::filesystem::path& FileName() const { return file_; }
    int Handle() const { return fd_; }

private:
    TFileStream() = default;

    std::filesystem::path file_;
    int fd_ = -1;
};

// How many times this process has written a file's data to disk (TFileStream::Sync), for tests and
// diagnostics.
std::uint64_t FileSyncCount();

// The operating system's text for an errno value, in the process's locale.
std::string SystemErrorText(int err);
// The same in English, or in Japanese where the C library has Japanese messages and a Japanese
// locale (ja_JP.UTF-8) is installed; English otherwise.
std::string SystemErrorText(int err, bool japanese);

} // namespace kelda
