// SPDX-License-Identifier: MIT
// The stream buffer of kelda-cli's standard input: reads straight from a file descriptor in large
// blocks. The standard library's std::cin, kept in step with C's stdio, reads a pipe a few bytes
// per system call, which made "-" many times slower than the same bytes in a file.
#pragma once

#include <array>
#include <streambuf>

namespace kelda {

class TCliFdInBuf : public std::streambuf {
public:
    explicit TCliFdInBuf(int fd);
    TCliFdInBuf(const TCliFdInBuf&) = delete;
    TCliFdInBuf& operator=(const TCliFdInBuf&) = delete;

protected:
    // A failed read throws, which the stream takes as its bad state.
    int_type underflow() override;
    // Large reads go from the descriptor straight into the caller's memory.
    std::streamsize xsgetn(char* data, std::streamsize count) override;

private:
    // One read(), retried when a signal interrupts it; 0 at the end.
    std::size_t ReadSome(char* data, std::size_t count);

    int fd_;
    std::array<char, 64 * 1024> buffer_{};
};

} // namespace kelda
