// SPDX-License-Identifier: MIT
// The resource map reader on arbitrary fork bytes: it ends, keeps its findings bounded, lists only
// resources whose bytes lie where it says, decodes names to well-formed UTF-8, and every decoder
// takes whatever data a resource has.
#include "FuzzSupport.h"

#include "resources/BundleResources.h"
#include "resources/IconRender.h"
#include "resources/ResourceMap.h"
#include "resources/StringResources.h"
#include "resources/VersResource.h"

#include <cstdint>
#include <span>

using namespace kelda;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const TMemorySource fork(bytes);
    const TResourceMap map = ReadResourceMap(fork);
    KELDA_FUZZ_CHECK(map.Findings.size() <= kMaxFindings);
    KELDA_FUZZ_CHECK(map.Present == (size > 0));
    // Every listed resource has its reference entry inside the fork, 12 bytes each.
    KELDA_FUZZ_CHECK(map.Resources.size() * 12 <= size);
    std::size_t decoded = 0;
    for (const TResourceEntry& r : map.Resources) {
        KELDA_FUZZ_CHECK(fuzz::IsWellFormedUtf8(r.Name));
        KELDA_FUZZ_CHECK(r.HasName || r.NameBytes.empty());
        if (r.DataComplete) {
            KELDA_FUZZ_CHECK(r.ForkOffset >= 0);
            KELDA_FUZZ_CHECK(r.ForkOffset + 4 + std::int64_t{r.Length} <= static_cast<std::int64_t>(size));
        }
        // Every decoder on the first few resources' data; text decoding costs a converter per
        // string, and a few resources reach every path of the decoders.
        if (++decoded > 4) {
            continue;
        }
        const std::vector<std::uint8_t> content = ReadResourceData(fork, r, 4096);
        KELDA_FUZZ_CHECK(content.size() <= r.Length);
        KELDA_FUZZ_CHECK(!r.DataComplete || content.size() == std::min<std::size_t>(r.Length, 4096));
        if (const auto vers = DecodeVers(content)) {
            KELDA_FUZZ_CHECK(fuzz::IsWellFormedUtf8(vers->ShortVersion) &&
                             fuzz::IsWellFormedUtf8(vers->LongVersion));
            KELDA_FUZZ_CHECK(!vers->NumberText().empty());
        }
        for (const std::string& s : DecodeStrList(content).Strings) {
            KELDA_FUZZ_CHECK(fuzz::IsWellFormedUtf8(s));
        }
        (void)DecodeBundle(content);
        (void)DecodeFileReference(content);
        if (const auto icon = RenderIcon(r.Type, content, content)) {
            KELDA_FUZZ_CHECK(icon->Rgba.size() == static_cast<std::size_t>(icon->Width * icon->Height * 4));
        }
    }
    for (const TResourceFinding& f : map.Findings) {
        KELDA_FUZZ_CHECK(!f.Text(false).empty() && fuzz::IsWellFormedUtf8(f.Text(true)));
    }
    const TResourceReader read = [&](const TResourceEntry& e) { return ReadResourceData(fork, e, 4096); };
    (void)OwnIconId(map, ResType("APPL"), ResType("????"), read);
    return 0;
}
