#pragma once

#include <QString>

#include <cstdint>

class QApplication;

namespace tw::ui {

/// The skin name for the tens digit of a tick reading: "Acryl (internal)" for 0 …
/// "Office2007 Black (internal)" for 9.
QString SkinNameForTick(uint32_t tick);
/// Applies the named skin's palette and style sheet; returns false for an unknown name.
bool ApplySkin(QApplication& application, const QString& name);

} // namespace tw::ui
