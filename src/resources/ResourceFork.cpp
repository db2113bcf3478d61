// SPDX-License-Identifier: MIT
#include "resources/ResourceFork.h"

#include "macbinary/HeaderTable.h"
#include "util/TAtomicOutput.h"
#include "util/TFolder.h"

namespace kelda {

TResourceFork ReadResourceFork(const TFileStream& file, const THeader& header, TMacEncoding nameEncoding) {
    return ReadResourceFork(file, ComputeForkLayout(header, file.Size()).Resource,
                            HeaderTextEncoding(header, nameEncoding));
}

TResourceFork ReadResourceFork(const TFileStream& file, const TForkSpan& span, TMacEncoding textEncoding) {
    TResourceFork fork;
    fork.Span = span;
    fork.Encoding = textEncoding;
    const TFileRangeSource source(file, fork.Span.Offset, fork.Span.Present);
    fork.Map = ReadResourceMap(source, fork.Encoding);
    if (!fork.Span.Complete()) {
        fork.Map.Present = fork.Map.Present || fork.Span.Length > 0;
        fork.Map.Findings.insert(fork.Map.Findings.begin(),
                                 {TResFinding::ForkTruncated,
                                  {std::to_string(fork.Span.Present), std::to_string(fork.Span.Length)}});
        if (fork.Map.Findings.size() > kMaxFindings) {
            fork.Map.Findings.pop_back();
            ++fork.Map.FindingsOmitted;
        }
    }
    return fork;
}

std::vector<std::uint8_t> ReadResourceData(const TFileStream& file, const TResourceFork& fork,
                                           const TResourceEntry& entry, std::size_t maxBytes) {
    const TFileRangeSource source(file, fork.Span.Offset, fork.Span.Present);
    return ReadResourceData(source, entry, maxBytes);
}

TConvertStatus SaveResource(const TFileStream& file, const TResourceFork& fork, const TResourceEntry& entry,
                            const std::filesystem::path& output, bool replaceReadOnly,
                            std::span<const TFileStat> sources) {
    TAtomicOutput out(output);
    std::vector<TFileStat> guarded(sources.begin(), sources.end());
    guarded.push_back(StatOpenFile(file));
    if (const TConvertStatus refused = GuardOutput(out, guarded, replaceReadOnly);
        refused != TConvertStatus::Written) {
        return refused;
    }
    const std::vector<std::uint8_t> bytes = ReadResourceData(file, fork, entry);
    out.Create().WriteBuffer(bytes.data(), bytes.size());
    out.Commit();
    return TConvertStatus::Written;
}

} // namespace kelda
