// SPDX-License-Identifier: MIT
// What the Resources page holds between events: the file read last, its resource map, the
// application's own icon and the resource chosen. The page renders it; every text it shows is made
// here, so the window holds no state of its own about the page.
#pragma once

#include "forks/TMacFile.h"
#include "macbinary/Conversion.h"
#include "macbinary/MacBinaryHeader.h"
#include "resources/IconRender.h"
#include "resources/ResourceFork.h"

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelda {

// The detail area of the chosen resource: its text (decoded, then hex), the icon drawn from it,
// and whether its bytes can be saved (the file holds some of them).
struct TResourceDetail {
    std::string Text;
    std::optional<TIconImage> Icon;
    bool Savable = false;
};

class TResourceModel {
public:
    // The columns of the table: type, id, name, attributes, size.
    static constexpr std::size_t kColumns = 5;
    using TRow = std::array<std::string, kColumns>;

    TResourceModel() = default;
    // Reads the resource map of file, whose MacBinary header is header, and the icon its bundle
    // names; the file is open only while it is read. The first resource is chosen.
    static TResourceModel Read(const std::filesystem::path& file, const THeader& header,
                               TMacEncoding nameEncoding = TMacEncoding::Auto);
    // The resource map of a Mac file of any container (the model's span of its resource fork:
    // BinHex decoded, a disk image's file copied out), and the icon its bundle names. The source
    // stays open with the model, for the detail area and for saving a resource.
    static TResourceModel FromMacFile(std::shared_ptr<const TMacFileSource> source,
                                      TMacEncoding nameEncoding = TMacEncoding::Auto);

    // The file shown (empty before the first) and its map.
    const std::filesystem::path& File() const { return file_; }
    const TResourceFork& Fork() const { return fork_; }
    // The file's Mac name made safe for a local name (ExtractName); the file's own stem when it
    // has none. Empty before the first file.
    const std::string& MacName() const { return macName_; }
    // The application's own icon (the ICN# its bundle names), when there is one.
    const std::optional<TIconImage>& OwnIcon() const { return ownIcon_; }

    // One row a resource, in map order.
    std::vector<TRow> Rows(bool japanese = false) const;
    // The findings about the map, in the language asked for; none before the first file.
    std::vector<std::string> FindingLines(bool japanese) const;

    // The chosen row, -1 for none; a row outside the table chooses none.
    int CurrentRow() const { return current_; }
    void SetCurrentRow(int row);
    const TResourceEntry* Current() const;
    // The detail area of the chosen resource (read again from the file, at most 64 KiB of it).
    TResourceDetail CurrentDetail(bool japanese) const;
    // Saves the chosen resource's bytes as output, under SaveResource's guards; only while a
    // resource is chosen.
    TConvertStatus SaveCurrent(const std::filesystem::path& output, bool replaceReadOnly) const;

private:
    // The stream the fork lies in: the source's, else file_ opened for the while.
    template <typename F> auto WithStream(F use) const;

    std::filesystem::path file_;
    std::string macName_;
    std::shared_ptr<const TMacFileSource> source_; // a Mac file of another container
    TResourceFork fork_;
    std::optional<TIconImage> ownIcon_;
    int current_ = -1;
};

} // namespace kelda
