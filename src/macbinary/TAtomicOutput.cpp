#include "macbinary/TAtomicOutput.h"

#include <cerrno>
#include <cstdio>
#include <random>
#include <system_error>

namespace kelda {

namespace {

constexpr int kMaxLinkDepth = 40;

std::filesystem::path TemporaryNameBeside(const std::filesystem::path& target) {
    std::random_device random;
    std::error_code ec;
    for (;;) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(random()));
        std::filesystem::path candidate = target;
        candidate.replace_filename("." + target.filename().string() + suffix);
        if (!std::filesystem::exists(std::filesystem::symlink_status(candidate, ec))) {
            return candidate;
        }
    }
}

} // namespace

std::filesystem::path FollowLinks(const std::filesystem::path& file) {
    std::filesystem::path current = file;
    std::error_code ec;
    for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(current, ec))) {
            break;
        }
        const std::filesystem::path link = std::filesystem::read_symlink(current, ec);
        if (ec) {
            break;
        }
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    return current;
}

namespace {

bool IsOtherThanRegularFile(const std::filesystem::path& file) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    return !ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
           !std::filesystem::is_directory(status);
}

} // namespace

TAtomicOutput::TAtomicOutput(const std::filesystem::path& output) : target_(FollowLinks(output)) {
    if (IsOtherThanRegularFile(target_)) {
        stream_.emplace(target_, FileMode::Create);
        return;
    }
    temporary_ = TemporaryNameBeside(target_);
    try {
        stream_.emplace(temporary_, FileMode::Create);
    } catch (const EFileError& e) {
        // Report the name the user chose, not the temporary one.
        throw EFileError::createFailed(output, e.errorCode());
    }
}

TAtomicOutput::~TAtomicOutput() {
    if (!committed_ && !temporary_.empty()) {
        stream_.reset();
        std::error_code ec;
        std::filesystem::remove(temporary_, ec);
    }
}

void TAtomicOutput::Commit() {
    stream_->Close();
    committed_ = temporary_.empty();
    if (committed_) {
        return;
    }
    std::error_code ec;
    const auto status = std::filesystem::status(target_, ec);
    if (!ec && std::filesystem::is_regular_file(status)) {
        std::filesystem::permissions(temporary_, status.permissions(), ec);
    }
    std::filesystem::rename(temporary_, target_, ec);
    if (ec) {
        throw EFileError::createFailed(target_, ec.value());
    }
    committed_ = true;
}

} // namespace kelda
