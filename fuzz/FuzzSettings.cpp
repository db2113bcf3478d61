// SPDX-License-Identifier: MIT
// The settings file from any bytes: reading never fails, writing keeps everything that is not ours,
// and what was written reads back the same.
#include "FuzzSupport.h"

#include "app/Settings.h"

#include <fuzzer/FuzzedDataProvider.h>

#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <strings.h>

using namespace kelda;

namespace {

// An independent reading of an integer value: "0x" and hexadecimal digits (32-bit pattern), or an
// optional sign and decimal digits within 32 bits; anything else is the default.
int ExpectedInteger(const std::string& value, int def) {
    const bool hex = value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X');
    const std::size_t from = hex ? 2 : (!value.empty() && (value[0] == '-' || value[0] == '+') ? 1 : 0);
    const char* digits = hex ? "0123456789abcdefABCDEF" : "0123456789";
    if (value.size() == from || value.find_first_not_of(digits, from) != std::string::npos) {
        return def;
    }
    const std::size_t significant = value.find_first_not_of('0', from);
    if (significant != std::string::npos && value.size() - significant > (hex ? 8 : 10)) {
        return def;
    }
    if (hex) {
        const unsigned long long v = std::strtoull(value.c_str() + 2, nullptr, 16);
        return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
    }
    const long long v = std::strtoll(value.c_str(), nullptr, 10);
    return v < INT32_MIN || v > INT32_MAX ? def : static_cast<int>(v);
}

// Whether writing the file back can reproduce what the reader made of it. A section line that never
// closed on its own line gives a name across lines; a key line that begins with "[" (read so when
// its bracket closes too early) is taken for a section when read again, and moves every key after
// it; a key made of a byte-order mark ahead of the first section moves to the file's start and is
// then taken as the mark. Such files are damaged beyond what a writer can keep, so only files
// without them are held to keeping everything.
bool IsPlainName(std::string_view name) {
    return name.find_first_of("\r\n[]=") == std::string_view::npos && !name.starts_with("\xEF\xBB\xBF") &&
           !name.starts_with(";") && !name.starts_with("#");
}

bool IsReproducible(const CSimpleIniA& ini) {
    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    for (const auto& section : sections) {
        if (!IsPlainName(section.pItem)) {
            return false;
        }
        CSimpleIniA::TNamesDepend keys;
        ini.GetAllKeys(section.pItem, keys);
        for (const auto& key : keys) {
            if (!IsPlainName(key.pItem)) {
                return false;
            }
        }
    }
    return true;
}

bool IsOurs(const char* section, const char* key) {
    bool ours = false;
    TSettings s;
    VisitSettings(s, [&](std::string_view sec, std::string_view k, auto&) {
        ours = ours || (strcasecmp(std::string(sec).c_str(), section) == 0 &&
                        strcasecmp(std::string(k).c_str(), key) == 0);
    });
    return ours;
}

void CheckOthersKept(const std::string& before, const std::filesystem::path& file) {
    CSimpleIniA old;
    if (old.LoadData(before) < 0 || !IsReproducible(old)) {
        return;
    }
    std::ifstream in(file, std::ios::binary);
    const std::string after((std::istreambuf_iterator<char>(in)), {});
    CSimpleIniA now;
    KELDA_FUZZ_CHECK(now.LoadData(after) >= 0);
    CSimpleIniA::TNamesDepend sections;
    old.GetAllSections(sections);
    for (const auto& section : sections) {
        CSimpleIniA::TNamesDepend keys;
        old.GetAllKeys(section.pItem, keys);
        for (const auto& key : keys) {
            if (IsOurs(section.pItem, key.pItem)) {
                continue;
            }
            const char* was = old.GetValue(section.pItem, key.pItem, nullptr);
            const char* is = now.GetValue(section.pItem, key.pItem, nullptr);
            if (was == nullptr || is == nullptr || std::string(was) != is) {
                std::fprintf(stderr, "[%s] %s: \"%s\" became \"%s\"\n", section.pItem, key.pItem,
                             was != nullptr ? was : "(none)", is != nullptr ? is : "(none)");
                KELDA_FUZZ_CHECK(!"a value that is not ours changed");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool writeBounds = input.ConsumeBool();
    const std::string value = input.ConsumeRandomLengthString(24);
    const int def = input.ConsumeIntegral<int>();
    const std::string contents = input.ConsumeRemainingBytesAsString();

    KELDA_FUZZ_CHECK(ParseIniInteger(value, def) == ExpectedInteger(value, def));

    const std::filesystem::path file = fuzz::ScratchFolder() / "kelda.INI";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << contents;
    }
    const int descriptors = fuzz::OpenDescriptorCount();
    const TSettings read = ReadSettings(file);
    KELDA_FUZZ_CHECK(read.InformationIndex >= -1 && read.InformationIndex <= 1);

    KELDA_FUZZ_CHECK(WriteSettings(file, read, writeBounds));
    CheckOthersKept(contents, file);
    const TSettings again = ReadSettings(file);
    KELDA_FUZZ_CHECK(again == read);
    KELDA_FUZZ_CHECK(fuzz::OpenDescriptorCount() == descriptors);
    return 0;
}
