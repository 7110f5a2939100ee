#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;

namespace tw::app {

/// Hands a URL to the desktop; true when the desktop took it.
using TUrlOpener = std::function<bool(const QUrl&)>;

/// Where the user manual is looked for, in this order: next to an installed program
/// (<executable folder>/../share/tarnwell/manual.html), then the source tree the program
/// was built from (docs/manual.html).
QStringList ManualPaths();

/// The first of paths that is a readable file, or an empty string.
QString FindManual(const QStringList& paths);

/// "Help topics" (F1): opens the user manual in the desktop's viewer through
/// QDesktopServices, never through a command line. When there is no manual, or the
/// desktop cannot open it, an information box says so. True when the manual was opened.
bool OpenHelp(QWidget* parent);

/// OpenHelp with the places to look and the opener given, for tests.
bool OpenHelp(QWidget* parent, const QStringList& paths, const TUrlOpener& opener);

} // namespace tw::app
