// SPDX-License-Identifier: MIT
// The real MacBinary files in tests/corpus, made by other programs. The folder is part of the
// repository, so a test that finds it missing or empty fails with a message saying so rather than
// passing over it: a check that quietly runs on nothing guards nothing.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace kelda::test {

inline std::filesystem::path CorpusDir() {
    return KELDA_CORPUS_DIR;
}

// One named corpus file; a missing one is a failure of the calling test.
inline std::filesystem::path CorpusFile(const std::string& name) {
    const std::filesystem::path file = CorpusDir() / name;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        ADD_FAILURE() << "the sample file " << file << " is missing: tests/corpus is part of the repository";
    }
    return file;
}

// Every ".bin" file of the corpus in name order; with negatives false, the files named "neg_…"
// (deliberately not MacBinary) are left out.
inline std::vector<std::filesystem::path> CorpusFiles(bool negatives = true) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(CorpusDir(), ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (it->path().extension() == ".bin" && (negatives || !name.starts_with("neg_"))) {
            files.push_back(it->path());
        }
    }
    if (ec || files.empty()) {
        ADD_FAILURE() << "no sample files in " << CorpusDir() << (ec ? ": " + ec.message() : std::string())
                      << " (tests/corpus is part of the repository)";
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace kelda::test
