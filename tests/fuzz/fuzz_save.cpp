// Saving everything under Root and under Deleted into a fresh folder. Names come from the
// disk, so whatever they hold ("..", slashes, control bytes) nothing may land outside it.

#include "fuzz/fuzz_support.h"

#include "devices/view_model.h"
#include "fat/fat_directory.h"
#include "fat/saving.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include <sys/resource.h>

namespace {

using namespace tw;
namespace fs = std::filesystem;

class TFixedDestination final : public fat::TDirSelectDialog {
public:
    explicit TFixedDestination(std::string folder) : m_Folder(std::move(folder)) {}
    bool Execute() override {
        Directory = m_Folder;
        return true;
    }

private:
    std::string m_Folder;
};

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

[[noreturn]] void Escaped(const std::string& what) {
    std::fprintf(stderr, "saving escaped its folder: %s\n", what.c_str());
    std::abort();
}

void SaveCategory(fat::TFATdrive& drive, fat::TFATDirectory& category, bool deletedMode,
                  const std::string& destination, diskio::TStatusDialog& dialog) {
    devices::TListView list;
    category.FillList(list, deletedMode);
    for (devices::TListItem& row : list.Items) {
        row.Selected = true;
    }
    TFixedDestination folder(destination);
    fat::TSaveEnvironment environment{dialog, folder, {}};
    const fat::TSaveReport report = fat::SaveItems(drive, list, deletedMode, environment);
    const std::string prefix = destination + "/";
    for (const std::string& path : report.SavedPaths) {
        const fs::path normal = fs::path(path).lexically_normal();
        if (normal.string().rfind(prefix, 0) != 0) {
            Escaped(path);
        }
    }
}

/// A size field may claim 4 GiB on a tiny volume, and saving writes what the entry
/// claims. Above this a write fails with EFBIG instead, which the save must report.
void LimitFileSize() {
    static const bool done = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{8u << 20, 8u << 20};
        return setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }();
    (void)done;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > fuzz::MaxInputBytes) {
        return 0;
    }
    fuzz::TFuzzSession run(data, size, platform::TAttachAs::aaVolume);
    const std::vector<fat::TFATdrive*> drives = run.OpenDrives();
    if (drives.empty()) {
        return 0;
    }
    LimitFileSize();
    // The destination sits alone inside a private folder, so a step up from it lands where
    // the check below sees it.
    char pattern[] = "/tmp/tw_fuzz_save.XXXXXX";
    if (!mkdtemp(pattern)) {
        std::perror("mkdtemp");
        std::abort();
    }
    const fs::path outer(pattern);
    const fs::path destination = outer / "out";
    fs::create_directory(destination);
    const fs::path workDir = fs::current_path();
    const std::set<std::string> workBefore = Names(workDir);

    for (fat::TFATdrive* drive : drives) {
        SaveCategory(*drive, drive->Root(), false, destination.string(), run.Dialog);
        SaveCategory(*drive, static_cast<fat::TFATDirectory&>(*drive->DeletedDir), true,
                     destination.string(), run.Dialog);
    }

    if (Names(outer) != std::set<std::string>{"out"}) {
        Escaped("next to the destination in " + outer.string());
    }
    if (Names(workDir) != workBefore) {
        Escaped("in the working folder " + workDir.string());
    }
    std::error_code error;
    fs::remove_all(outer, error);
    return 0;
}
