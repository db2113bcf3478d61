// SPDX-License-Identifier: MIT
#include "cli/ScanFile.h"

#include "macbinary/ForkLayout.h"
#include "util/TFileStream.h"

#include <openssl/evp.h>

#include <memory>

namespace kelda {

namespace {

struct TDigestFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

// SHA-256 of the span's bytes that the file holds.
std::string Sha256(const TFileStream& file, const TForkSpan& span, std::vector<unsigned char>& buffer) {
    const std::unique_ptr<EVP_MD_CTX, TDigestFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        throw std::runtime_error("SHA-256 is not available");
    }
    std::int64_t done = 0;
    while (done < span.Present) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(span.Present - done, static_cast<std::int64_t>(buffer.size())));
        const std::size_t got = file.ReadAt(buffer.data(), want, span.Offset + done);
        if (got == 0) {
            break; // the file shrank while it was read
        }
        EVP_DigestUpdate(context.get(), buffer.data(), got);
        done += static_cast<std::int64_t>(got);
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(context.get(), digest, &length);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += kDigits[digest[i] >> 4];
        hex += kDigits[digest[i] & 15];
    }
    return hex;
}

} // namespace

TScanRow ScanFile(const std::filesystem::path& file, bool hash, std::vector<unsigned char>& buffer) {
    TScanRow row;
    row.Path = file.string();
    try {
        const TFileStream stream(file, FileMode::Read);
        row.Size = stream.Size();
        const std::size_t got = stream.ReadAt(row.Header.data(), kHeaderSize, 0);
        if (got < kHeaderSize) {
            row.Judgement.Reason = "shorter than a header (128 bytes)";
            return row;
        }
        row.HaveHeader = true;
        row.Judgement = JudgeMacBinary(row.Header, row.Size);
        if (hash && row.Judgement.Verdict != TScanVerdict::NotMacBinary) {
            if (buffer.empty()) {
                buffer.resize(std::size_t{1} << 20);
            }
            const TForkLayout layout = ComputeForkLayout(row.Header, row.Size);
            row.DataSha256 = Sha256(stream, layout.Data, buffer);
            row.ResourceSha256 = Sha256(stream, layout.Resource, buffer);
        }
    } catch (const EBilingualError& e) {
        row.Judgement = {TScanVerdict::Unreadable, "", e.english()};
    } catch (const std::exception& e) {
        row.Judgement = {TScanVerdict::Unreadable, "", e.what()};
    }
    return row;
}

} // namespace kelda
