#include "ui/skins.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

#include <array>

namespace tw::ui {

namespace {

struct TSkin {
    const char* Name;
    QColor Window;
    QColor Base;
    QColor Highlight;
    QColor Text;
};

const std::array<TSkin, 10>& Skins() {
    static const std::array<TSkin, 10> skins{{
        {"Acryl (internal)", QColor(236, 240, 245), Qt::white, QColor(86, 132, 196), Qt::black},
        {"Beijing (internal)", QColor(244, 232, 214), QColor(255, 250, 240), QColor(178, 34, 34),
         Qt::black},
        {"BlueGauze (internal)", QColor(222, 234, 248), Qt::white, QColor(60, 110, 190), Qt::black},
        {"BlueIce (internal)", QColor(214, 230, 245), QColor(248, 252, 255), QColor(40, 120, 200),
         Qt::black},
        {"Desert (internal)", QColor(238, 226, 200), QColor(252, 246, 232), QColor(190, 130, 60),
         Qt::black},
        {"Golden (internal)", QColor(246, 236, 196), QColor(255, 252, 236), QColor(200, 160, 40),
         Qt::black},
        {"MacOS (internal)", QColor(232, 232, 232), Qt::white, QColor(56, 117, 215), Qt::black},
        {"Office12Style (internal)", QColor(221, 231, 244), Qt::white, QColor(255, 200, 90),
         Qt::black},
        {"WMP11 (internal)", QColor(60, 64, 72), QColor(40, 44, 52), QColor(90, 150, 220),
         Qt::white},
        {"Office2007 Black (internal)", QColor(70, 70, 70), QColor(50, 50, 50),
         QColor(255, 190, 80), Qt::white},
    }};
    return skins;
}

} // namespace

QString SkinNameForTick(uint32_t tick) {
    // The tens digit of the millisecond count; a reading of one digit gives 0.
    return QString::fromLatin1(Skins()[(tick / 10) % 10].Name);
}

bool ApplySkin(QApplication& application, const QString& name) {
    for (const TSkin& skin : Skins()) {
        if (name != QLatin1String(skin.Name)) {
            continue;
        }
        application.setStyle(QStyleFactory::create("Fusion"));
        QPalette palette;
        palette.setColor(QPalette::Window, skin.Window);
        palette.setColor(QPalette::Button, skin.Window);
        palette.setColor(QPalette::Base, skin.Base);
        palette.setColor(QPalette::AlternateBase, skin.Window);
        palette.setColor(QPalette::Highlight, skin.Highlight);
        palette.setColor(QPalette::WindowText, skin.Text);
        palette.setColor(QPalette::ButtonText, skin.Text);
        palette.setColor(QPalette::Text, skin.Text);
        application.setPalette(palette);
        application.setProperty("tarnwellSkin", name);
        return true;
    }
    return false;
}

} // namespace tw::ui
