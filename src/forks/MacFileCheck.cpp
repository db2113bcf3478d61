// SPDX-License-Identifier: MIT
#include "forks/MacFileCheck.h"

#include "forks/ForkErrors.h"
#include "util/MacText.h"

#include <algorithm>

namespace kelda {

namespace {

// The stable id of a fault, for scripts.
std::string_view FaultId(TBinHexFault fault) {
    switch (fault) {
    case TBinHexFault::None:
    case TBinHexFault::NoBody:
        break;
    case TBinHexFault::BadCharacter:
        return "binhex-bad-character";
    case TBinHexFault::BadRun:
        return "binhex-bad-run";
    case TBinHexFault::EndsInHeader:
        return "binhex-header-cut";
    case TBinHexFault::BadNameLength:
        return "binhex-name-length";
    case TBinHexFault::HeaderCrc:
        return "binhex-header-crc";
    case TBinHexFault::EndsInData:
        return "binhex-data-cut";
    case TBinHexFault::DataCrc:
        return "binhex-data-crc";
    case TBinHexFault::EndsInResource:
        return "binhex-resource-cut";
    case TBinHexFault::ResourceCrc:
        return "binhex-resource-crc";
    case TBinHexFault::NoClosingColon:
        return "binhex-no-end";
    }
    return "binhex-no-body";
}

void AddCrc(TCheckReport& report, std::string_view id, const std::optional<std::uint16_t>& stored,
            const std::optional<std::uint16_t>& computed) {
    if (stored && computed) {
        report.PartCrcs.push_back({id, *stored, *computed});
    }
}

} // namespace

TCheckReport CheckBinHex(const TBinHexReading& reading, std::int64_t fileSize, TMacEncoding nameEncoding) {
    TCheckReport report;
    report.Container = TCheckContainer::BinHex;
    report.FileSize = fileSize;
    report.Verdict = reading.Sound() ? TCheckVerdict::Sound : TCheckVerdict::Damaged;
    AddCrc(report, "header", reading.HeaderCrcStored, reading.HeaderCrcComputed);
    AddCrc(report, "data", reading.DataCrcStored, reading.DataCrcComputed);
    AddCrc(report, "resource", reading.ResourceCrcStored, reading.ResourceCrcComputed);
    report.CrcOk = std::all_of(report.PartCrcs.begin(), report.PartCrcs.end(),
                               [](const TPartCrc& crc) { return crc.Ok(); });
    if (reading.Header) {
        const TBinHexHeader& header = *reading.Header;
        const TMacNameReading name = ReadMacName(header.Name, nameEncoding);
        report.Name = name.Text;
        report.NameBytes = header.Name;
        report.NameEncoding = name.Encoding;
        report.NameReason = name.Reason;
        report.Type = FourCCBytes(header.Type);
        report.Creator = FourCCBytes(header.Creator);
        report.Layout.Data = {0, header.DataLength, reading.DataPresent};
        report.Layout.Resource = {reading.DataPresent, header.ResourceLength, reading.ResourcePresent};
        report.MissingBytes = report.Layout.Data.Missing() + report.Layout.Resource.Missing();
    }
    if (reading.Sound()) {
        return report;
    }
    const TMsg detail = BinHexFaultMsg(reading.Fault);
    std::string english = MessageText(detail, false);
    std::string japanese = MessageText(detail, true);
    const std::string at = std::to_string(reading.FaultOffset);
    switch (reading.Fault) {
    case TBinHexFault::EndsInData:
    case TBinHexFault::EndsInResource: {
        const TForkSpan& fork =
            reading.Fault == TBinHexFault::EndsInData ? report.Layout.Data : report.Layout.Resource;
        if (fork.Complete()) {
            // Every byte of the fork came; its CRC did not.
            english += ": all " + std::to_string(fork.Length) + " bytes came, its CRC did not";
            japanese += ": " + std::to_string(fork.Length) + " バイトは全てありますが CRC がありません";
        } else {
            english += ": " + std::to_string(fork.Present) + " of " + std::to_string(fork.Length) +
                       " bytes, " + std::to_string(fork.Missing()) + " missing";
            japanese += ": " + std::to_string(fork.Length) + " バイト中 " + std::to_string(fork.Present) +
                        " バイトのみ、" + std::to_string(fork.Missing()) + " バイト不足";
        }
        break;
    }
    case TBinHexFault::BadCharacter:
    case TBinHexFault::BadRun:
        english += " (byte " + at + ")";
        japanese += "（" + at + " バイト目）";
        break;
    default:
        break;
    }
    report.Findings.push_back(TCheckFinding{FaultId(reading.Fault), TCheckSeverity::Damage, "",
                                            std::move(english), std::move(japanese)});
    return report;
}

TCheckReport CheckMacFile(const TFileStream& file, THeader& header, TMacEncoding nameEncoding,
                          std::optional<std::int64_t> length) {
    // A stream kept as its header alone (length given) cannot be decoded: it is judged as MacBinary.
    if (!length && SniffBinHex(file)) {
        const TBinHexReading reading = DecodeBinHex(file);
        if (reading.Fault != TBinHexFault::NoBody) {
            header = {};
            return CheckBinHex(reading, file.Size(), nameEncoding);
        }
    }
    return CheckOpenFile(file, header, nameEncoding, length);
}

TFileCheck CheckFile(const std::filesystem::path& file, TMacEncoding nameEncoding) {
    TFileCheck check;
    {
        const TFileStream stream(file, FileMode::Read);
        check.Report = CheckMacFile(stream, check.Header, nameEncoding);
    }
    if (check.Report.Container == TCheckContainer::BinHex) {
        try {
            check.BinHex =
                std::make_shared<const TMacFileSource>(TMacFileSource::OpenBinHex(file, {}, nameEncoding));
        } catch (const EBilingualError&) {
            // Damaged past reading: the report says where; there are no forks to show or save.
        }
    }
    return check;
}

} // namespace kelda
