// Selecting a folder of 65,534 entries in the window: the time the list takes to fill and
// sort, offscreen. The volume is made in memory byte by byte.
#include "app/main_window.h"
#include "diskio/logical_disk_io.h"
#include "platform/device_table.h"
#include "support/fat_image_builder.h"
#include "ui/folder_tree_model.h"

#include <QApplication>
#include <QTreeView>

#include <chrono>
#include <cstdio>

using namespace tw;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    test::TFatLayout layout;
    layout.FatBits = 32;
    layout.SectorsPerCluster = 1;
    layout.ReservedSectors = 32;
    layout.RootEntries = 0;
    layout.SectorsPerFat = 560;
    layout.TotalSectors = 71000;
    layout.RootCluster = 2;
    test::TFatImageBuilder image(layout);
    constexpr uint32_t Entries = 65534;
    constexpr uint32_t FolderClusters = (Entries + 2) * 32 / 512;
    image.SetFat(2, 0x0FFFFFFF);
    image.WriteEntry(image.ClusterSlot(2, 0),
                     test::TFatImageBuilder::ShortEntry("BIG        ", 0x10, 3, 0));
    for (uint32_t c = 3; c < 3 + FolderClusters; ++c) {
        image.SetFat(c, c + 1 < 3 + FolderClusters ? c + 1 : 0x0FFFFFFF);
    }
    image.WriteDotEntries(3, 0);
    for (uint32_t i = 0; i < Entries; ++i) {
        char name[12];
        std::snprintf(name, sizeof name, "F%07u%s", (i * 7919u) % 10000000u,
                      i % 3 == 0 ? "TXT" : "BIN");
        image.WriteEntry(image.ClusterSlot(3, i + 2),
                         test::TFatImageBuilder::ShortEntry(
                             std::string_view(name, 11), 0x20, 0, (i * 2654435761u) % 100000u,
                             0x70E0, static_cast<uint16_t>(0x2A65 + i % 300)));
    }
    std::string error;
    platform::DeviceTable().AttachMemory(std::make_shared<platform::TMemorySource>(image.Take()),
                                         platform::TAttachAs::aaVolume, error);
    diskio::StartSectorAccess();
    double seconds = 0;
    size_t rows = 0;
    {
        app::TMainForm window(QStringList{});
        window.WelcomeShown = true;
        window.show();
        window.DeviceScanPending = false;
        window.DetectAll();
        if (!window.OpenDrive(0, -1, true)) {
            std::fprintf(stderr, "bench: the volume did not open\n");
            return 1;
        }
        window.ApplyTreeChange(window.Tree.RootNode);
        window.TreeView->expand(window.TreeModel->IndexOf(window.Tree.RootNode));
        QApplication::processEvents();
        devices::TTreeNode* big = window.Tree.RootNode->Children.empty()
                                      ? nullptr
                                      : window.Tree.RootNode->Children.front().get();
        if (!big) {
            std::fprintf(stderr, "bench: no folder BIG\n");
            return 1;
        }
        const auto start = std::chrono::steady_clock::now();
        window.ApplyTreeChange(big);
        QApplication::processEvents();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rows = window.List.Items.size();
    }
    diskio::EndSectorAccess();
    std::printf(
        "selecting a folder of %zu entries fills and sorts the list in %.3f s (target < 1 s)\n",
        rows, seconds);
    return 0;
}
