// SPDX-License-Identifier: MIT
#include "cli/TCliFdInBuf.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <unistd.h>

namespace kelda {

TCliFdInBuf::TCliFdInBuf(int fd) : fd_(fd) {
    setg(buffer_.data(), buffer_.data(), buffer_.data());
}

std::size_t TCliFdInBuf::ReadSome(char* data, std::size_t count) {
    for (;;) {
        const ssize_t got = ::read(fd_, data, count);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            throw std::system_error(errno, std::generic_category());
        }
    }
}

TCliFdInBuf::int_type TCliFdInBuf::underflow() {
    if (gptr() < egptr()) {
        return traits_type::to_int_type(*gptr());
    }
    const std::size_t got = ReadSome(buffer_.data(), buffer_.size());
    setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
    return got == 0 ? traits_type::eof() : traits_type::to_int_type(*gptr());
}

std::streamsize TCliFdInBuf::xsgetn(char* data, std::streamsize count) {
    // What the buffer holds first, then whole reads.
    auto done = static_cast<std::size_t>(std::min<std::streamsize>(count, egptr() - gptr()));
    std::memcpy(data, gptr(), done);
    gbump(static_cast<int>(done));
    const auto want = static_cast<std::size_t>(count);
    while (done < want) {
        if (want - done < buffer_.size()) {
            // A short request: through the buffer, so that the next ones need no system call.
            if (traits_type::eq_int_type(underflow(), traits_type::eof())) {
                break;
            }
            const auto take = std::min<std::size_t>(want - done, static_cast<std::size_t>(egptr() - gptr()));
            std::memcpy(data + done, gptr(), take);
            gbump(static_cast<int>(take));
            done += take;
            continue;
        }
        const std::size_t got = ReadSome(data + done, want - done);
        if (got == 0) {
            break;
        }
        done += got;
    }
    return static_cast<std::streamsize>(done);
}

} // namespace kelda
