// SPDX-License-Identifier: MIT
// The stream buffer of kelda-cli's standard output: blocks written to a file descriptor, with the
// system's reason for the first failed write kept, so that the program can say why its output was
// lost ("> /dev/full" gives "No space left on device") instead of ending silently.
#pragma once

#include <array>
#include <streambuf>

namespace kelda {

class TCliFdOutBuf : public std::streambuf {
public:
    explicit TCliFdOutBuf(int fd);
    ~TCliFdOutBuf() override;
    TCliFdOutBuf(const TCliFdOutBuf&) = delete;
    TCliFdOutBuf& operator=(const TCliFdOutBuf&) = delete;

    // errno of the first write that failed; 0 while none has.
    int Error() const { return error_; }

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* data, std::streamsize count) override;
    int sync() override;

private:
    bool WriteAll(const char* data, std::size_t count);
    bool Drain();

    int fd_;
    int error_ = 0;
    std::array<char, 64 * 1024> buffer_{};
};

} // namespace kelda
