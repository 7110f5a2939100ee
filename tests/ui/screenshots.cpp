// Takes pictures of the main window, the drive dialog and the progress dialog on an image,
// so that the captions can be checked by eye. Usage: tw_ui_screenshots IMAGE OUTPUT_DIR
#include "app/about_dialog.h"
#include "app/contact_form.h"
#include "app/dir_select_dialog.h"
#include "app/drive_dialog.h"
#include "app/drive_info_dialog.h"
#include "app/fat_select_dialog.h"
#include "app/find_dialog.h"
#include "app/main_window.h"
#include "app/options_dialog.h"
#include "app/system_info_dialog.h"
#include "app/welcome_dialog.h"
#include "diskio/logical_disk_io.h"
#include "platform/device_table.h"
#include "ui/range_dialogs.h"
#include "ui/status_dialog_window.h"

#include <QApplication>
#include <QDir>
#include <QTimer>

#include <cstdio>

using namespace tw;

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: tw_ui_screenshots IMAGE OUTPUT_DIR\n");
        return 2;
    }
    std::string error;
    if (!platform::DeviceTable().AttachPath(argv[1], platform::TAttachAs::aaAuto, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    diskio::StartSectorAccess();
    int status = 0;
    {
        app::TMainForm window(QStringList{});
        window.WelcomeShown = true;
        window.show();
        window.DeviceScanPending = false;
        window.DetectAll();
        auto save = [&](QWidget& widget, const char* name) {
            QApplication::processEvents();
            if (!widget.grab().save(out.filePath(name))) {
                std::fprintf(stderr, "cannot write %s\n", name);
                status = 1;
            }
        };
        // The drive dialog, taken while it is shown modally.
        QTimer::singleShot(300, [&] {
            save(*window.DriveDlg, "drive-dialog.png");
            window.DriveDlg->reject();
        });
        window.DriveDlg->Execute();
        window.OpenDrive(0, -1, true);
        window.ApplyTreeChange(window.Tree.DeletedNode);
        window.resize(1144, 712);
        save(window, "main-window.png");
        diskio::TStatusDialog& progress = window.StatusDialog->Model();
        progress.Prepare("Find lost data - Please wait...", "Scanning cluster 1234", "",
                         "Lost files found: 5", "Lost directories found: 2", true, true);
        progress.Total = 100;
        progress.StepSize = 40;
        progress.StepProgress();
        progress.Show();
        save(*window.StatusDialog, "progress-dialog.png");
        progress.Hide();
        app::TWelcomeDialog welcome(&window);
        app::TAboutDialog about(&window);
        app::TForm3 support(&window);
        for (auto [dialog, name] :
             {std::pair<QDialog*, const char*>{&welcome, "welcome-dialog.png"},
              {&about, "about-dialog.png"},
              {&support, "support-form.png"}}) {
            dialog->show();
            save(*dialog, name);
            dialog->hide();
        }
        // The window's other dialogs, each shown without waiting for an answer.
        window.DriveInfoDialog->Fill(*window.CurrentDevice);
        window.SectorDialog->Preset(*window.CurrentDevice);
        const std::pair<QDialog*, const char*> others[] = {
            {window.DriveInfoDialog, "drive-info-dialog.png"},
            {window.OptionsDialog, "options-dialog.png"},
            {window.SystemInfoDialog, "system-info-dialog.png"},
            {window.FindDialog, "find-dialog.png"},
            {window.DirSelectDialog, "dir-select-dialog.png"},
            {window.FATSelectDialog, "fat-select-dialog.png"},
            {window.ClusterDialog, "cluster-dialog.png"},
            {window.SectorDialog, "sector-dialog.png"},
        };
        for (const auto& [dialog, name] : others) {
            dialog->show();
            save(*dialog, name);
            dialog->hide();
        }
    }
    diskio::EndSectorAccess();
    return status;
}
