// SPDX-License-Identifier: MIT
// The text kelda-cli shows (messages, help, text reports) in the locale's codeset: the program
// writes UTF-8, and this buffer hands it to its target converted line by line (and on flush).
// A character the codeset has no bytes for becomes "?"; a byte that is no UTF-8 (a file name's own
// bytes) goes out as it is. UTF-8 and ASCII (the C locale) codesets leave the text as it is.
#pragma once

#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

struct UConverter;

namespace kelda {

// Whether text in codeset is written as it is: UTF-8, ASCII, or a codeset the converter does not know.
bool CliCodesetIsUtf8(const std::string& codeset);

class TCliCodesetBuf : public std::streambuf {
public:
    // codeset: the locale's (nl_langinfo(CODESET)); one CliCodesetIsUtf8 takes passes bytes through.
    TCliCodesetBuf(std::streambuf* target, const std::string& codeset);
    ~TCliCodesetBuf() override;
    TCliCodesetBuf(const TCliCodesetBuf&) = delete;
    TCliCodesetBuf& operator=(const TCliCodesetBuf&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    bool Put(bool all);                  // converts the pending text (all: even a last line without its end)
    bool Convert(std::string_view utf8); // valid UTF-8 into the codeset, "?" for what it lacks
    struct TCloser {
        void operator()(UConverter* c) const;
    };
    std::streambuf* target_;
    std::unique_ptr<UConverter, TCloser> converter_;
    std::string pending_;
};

} // namespace kelda
