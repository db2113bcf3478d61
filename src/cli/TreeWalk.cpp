// SPDX-License-Identifier: MIT
#include "cli/TreeWalk.h"

#include "app/Language.h"
#include "cli/CliText.h"
#include "util/BilingualError.h"
#include "util/TFileStream.h"

#include <cerrno>
#include <iterator>
#include <vector>

namespace kelda {

namespace {

namespace fs = std::filesystem;

// A folder met in the walk and not yet opened: Name inside Parent, shown as Path.
struct TPending {
    std::shared_ptr<const TFolder> Parent;
    std::string Name;
    std::string Path;
    fs::path Relative;
};

class TWalk {
public:
    TWalk(const TCliContext& context, const TWalkRules& rules, const std::function<void(TWalkEntry&&)>& visit)
        : context_(context), rules_(rules), visit_(visit) {}

    bool Run(const std::string& operand) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(operand, ec);
        if (ec && ec.value() != ENOENT) {
            CliReport(context_, operand, SystemErrorText(ec.value()));
            return false;
        }
        if (!fs::exists(status)) {
            CliReport(context_, operand, MessageText(TMsg::FileNotFound, context_.Japanese));
            return false;
        }
        const fs::path path(operand);
        std::vector<TPending> pending;
        try {
            if (!fs::is_directory(status)) {
                if (fs::is_symlink(status)) {
                    Met(TWalkKind::Link, operand, path.filename(), false,
                        CliText(TCliMsg::ScanLink, context_.Japanese));
                } else if (!fs::is_regular_file(status)) {
                    Met(TWalkKind::NotRegular, operand, path.filename(), false,
                        CliText(TCliMsg::ScanNotRegular, context_.Japanese));
                } else {
                    visit_({TWalkKind::File,
                            operand,
                            path.filename(),
                            false,
                            std::make_shared<const TFolder>(path.parent_path(), true),
                            path.filename().string(),
                            {}});
                }
                return true;
            }
            List(std::make_shared<const TFolder>(path, false), OwnName(path), pending);
        } catch (const std::exception& e) {
            Met(TWalkKind::Unreadable, operand, OwnName(path), false, CliErrorText(context_, e));
        }
        while (!pending.empty()) {
            TPending next = std::move(pending.back());
            pending.pop_back();
            std::shared_ptr<const TFolder> folder;
            try {
                folder = std::make_shared<const TFolder>(next.Parent->OpenFolder(next.Name));
            } catch (const std::exception& e) {
                Met(TWalkKind::Unreadable, next.Path, next.Relative, true, CliErrorText(context_, e));
                continue;
            }
            next.Parent.reset(); // a parent stays open only while it has folders to walk
            List(folder, next.Relative, pending);
        }
        return true;
    }

private:
    // The name a folder operand keeps in a tree that mirrors it: "a/b/" is "b"; ".", ".." and "/"
    // have none.
    static fs::path OwnName(const fs::path& folder) {
        fs::path normal = folder.lexically_normal();
        if (normal.filename().empty()) {
            normal = normal.parent_path();
        }
        const fs::path name = normal.filename();
        return name == "." || name == ".." || normal == normal.root_path() ? fs::path() : name;
    }

    void Met(TWalkKind kind, const std::string& path, const fs::path& relative, bool below,
             std::string reason) {
        visit_({kind, path, relative, below, nullptr, {}, std::move(reason)});
    }

    // The entries of folder in name order; its folders (when recursive) go onto pending, to be
    // walked after its files, depth first in name order.
    void List(const std::shared_ptr<const TFolder>& folder, const fs::path& relative,
              std::vector<TPending>& pending) {
        int error = 0;
        const std::vector<std::string> names = folder->Names(&error);
        if (error != 0) {
            Met(TWalkKind::Unreadable, folder->Path().string(), relative, true, SystemErrorText(error));
        }
        std::vector<TPending> below;
        for (const std::string& name : names) {
            std::string path = (folder->Path() / name).string();
            errno = 0;
            const std::optional<TFileStat> stat = folder->Stat(name, false);
            if (!stat) {
                const int err = errno;
                if (err != ENOENT) { // gone since it was listed: no entry any more
                    Met(TWalkKind::Unreadable, path, relative / name, true,
                        SystemErrorText(err != 0 ? err : EIO));
                }
            } else if (stat->Link) {
                Met(TWalkKind::Link, path, relative / name, true,
                    CliText(TCliMsg::ScanLink, context_.Japanese));
            } else if (stat->Directory) {
                if (rules_.Recursive && !(rules_.SkipFolder && rules_.SkipFolder->SameFile(*stat))) {
                    below.push_back({folder, name, std::move(path), relative / name});
                }
            } else if (stat->Regular) {
                visit_({TWalkKind::File, std::move(path), relative / name, true, folder, name, {}});
            }
            // Devices, FIFOs and sockets inside a folder are no files of a collection: left out.
        }
        // Depth first, in name order: the last pushed is taken first.
        pending.insert(pending.end(), std::make_move_iterator(below.rbegin()),
                       std::make_move_iterator(below.rend()));
    }

    const TCliContext& context_;
    const TWalkRules& rules_;
    const std::function<void(TWalkEntry&&)>& visit_;
};

} // namespace

bool WalkOperand(const TCliContext& context, const std::string& operand, const TWalkRules& rules,
                 const std::function<void(TWalkEntry&&)>& visit) {
    return TWalk(context, rules, visit).Run(operand);
}

void TBatchTally::Add(int status) {
    ++Total;
    Failed += status == kCliFailure ? 1 : 0;
    if (status != kCliOk && Status != kCliFailure) {
        Status = status == kCliSourceTruncated ? kCliSourceTruncated : kCliFailure;
    }
}

void TBatchTally::Skip() {
    ++Total;
    ++Skipped;
}

void WalkBatch(const TCliContext& context, const TCliArgs& operands, const std::filesystem::path& outputDir,
               const std::function<bool(const std::string&)>& reads, const TBatchStep& step,
               TBatchTally& tally) {
    // A file below a folder goes into the output folder's copy of its folder, so that a/x.bin and
    // b/x.bin stay apart there.
    const TWalkRules rules{true, StatFile(outputDir)};
    for (const std::string& operand : operands) {
        const bool found = WalkOperand(context, operand, rules, [&](TWalkEntry&& entry) {
            if (entry.Kind == TWalkKind::Link ||
                (entry.Kind == TWalkKind::File && entry.Below && !reads(entry.Path))) {
                tally.Skip();
                return;
            }
            if (entry.Kind != TWalkKind::File) {
                CliReport(context, entry.Path, entry.Reason);
                tally.Add(kCliFailure);
                return;
            }
            std::filesystem::path folder;
            if (CliGuarded(context, entry.Path, [&] {
                    folder = CliOutputFolder(outputDir, entry.Relative.parent_path());
                    return kCliOk;
                }) != kCliOk) {
                tally.Add(kCliFailure);
                return;
            }
            step(entry.Path, folder, entry.Relative.filename().string());
        });
        if (!found) {
            tally.Add(kCliFailure);
        }
    }
}

} // namespace kelda
