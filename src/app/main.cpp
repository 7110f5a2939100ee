// The desktop window of Tarnwell: the device options first, then the window.
#include "app/main_window.h"
#include "diskio/logical_disk_io.h"
#include "platform/device_table.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // The device options and image paths are the platform's; what remains is the program's.
    std::vector<std::string> args;
    for (const QString& arg : application.arguments().mid(1)) {
        args.push_back(arg.toStdString());
    }
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const bool option = !args[i].empty() && args[i][0] == '-';
        const bool takesValue = args[i] == "--image" || args[i] == "--disk" ||
                                args[i] == "--floppy" || args[i] == "--volume" ||
                                args[i] == "--cdrom";
        if (takesValue && i + 1 < args.size()) {
            rest.push_back(args[i]);
            rest.push_back(args[++i]);
        } else if (!option && args[i] != "DEBUG" &&
                   QFileInfo::exists(QString::fromStdString(args[i]))) {
            rest.push_back("--image");
            rest.push_back(args[i]);
        } else {
            rest.push_back(args[i]);
        }
    }
    std::string error;
    if (!tw::platform::ConsumeDeviceOptions(rest, error)) {
        QMessageBox::critical(nullptr, "tarnwell", QString::fromStdString(error));
        return 2;
    }
    tw::diskio::StartSectorAccess();
    QStringList remaining;
    for (const std::string& arg : rest) {
        remaining << QString::fromStdString(arg);
    }
    int status = 0;
    {
        tw::app::TMainForm window(remaining);
        window.show();
        status = application.exec();
    }
    tw::diskio::EndSectorAccess();
    return status;
}
