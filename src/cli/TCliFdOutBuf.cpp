// SPDX-License-Identifier: MIT
#include "cli/TCliFdOutBuf.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace kelda {

TCliFdOutBuf::TCliFdOutBuf(int fd) : fd_(fd) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
}

TCliFdOutBuf::~TCliFdOutBuf() {
    Drain();
}

bool TCliFdOutBuf::WriteAll(const char* data, std::size_t count) {
    while (count > 0 && error_ == 0) {
        const ssize_t written = ::write(fd_, data, count);
        if (written < 0) {
            if (errno != EINTR) {
                error_ = errno;
            }
            continue;
        }
        data += written;
        count -= static_cast<std::size_t>(written);
    }
    return error_ == 0;
}

bool TCliFdOutBuf::Drain() {
    const bool ok = WriteAll(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    return ok;
}

TCliFdOutBuf::int_type TCliFdOutBuf::overflow(int_type ch) {
    if (!Drain()) {
        return traits_type::eof();
    }
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

std::streamsize TCliFdOutBuf::xsputn(const char* data, std::streamsize count) {
    const auto room = epptr() - pptr();
    if (count <= room) {
        std::memcpy(pptr(), data, static_cast<std::size_t>(count));
        pbump(static_cast<int>(count));
        return count;
    }
    if (!Drain() || !WriteAll(data, static_cast<std::size_t>(count))) {
        return 0;
    }
    return count;
}

int TCliFdOutBuf::sync() {
    return Drain() ? 0 : -1;
}

} // namespace kelda
