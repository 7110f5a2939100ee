#include "app/help.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace tw::app {

QStringList ManualPaths() {
    QStringList paths;
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (!programFolder.isEmpty()) {
        paths << QDir::cleanPath(programFolder + "/../share/tarnwell/manual.html");
    }
#ifdef TW_SOURCE_DIR
    paths << QDir::cleanPath(QStringLiteral(TW_SOURCE_DIR) + "/docs/manual.html");
#endif
    return paths;
}

QString FindManual(const QStringList& paths) {
    for (const QString& path : paths) {
        const QFileInfo file(path);
        if (file.isFile() && file.isReadable()) {
            return file.absoluteFilePath();
        }
    }
    return {};
}

bool OpenHelp(QWidget* parent) {
    return OpenHelp(parent, ManualPaths(),
                    [](const QUrl& url) { return QDesktopServices::openUrl(url); });
}

bool OpenHelp(QWidget* parent, const QStringList& paths, const TUrlOpener& opener) {
    const QString title = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    const QString manual = FindManual(paths);
    if (manual.isEmpty()) {
        QMessageBox::information(parent, title,
                                 QCoreApplication::translate("Help",
                                                             "The user manual was not found. "
                                                             "It is looked for here:\n%1")
                                     .arg(paths.join('\n')));
        return false;
    }
    if (!opener(QUrl::fromLocalFile(manual))) {
        QMessageBox::information(
            parent, title,
            QCoreApplication::translate("Help", "The user manual could not be opened: %1\n"
                                                "Open it in a web browser.")
                .arg(QDir::toNativeSeparators(manual)));
        return false;
    }
    return true;
}

} // namespace tw::app
