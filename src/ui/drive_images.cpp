#include "ui/drive_images.h"

#include <QApplication>
#include <QStyle>

#include <array>

namespace tw::ui {

QIcon DriveImage(int imageIndex) {
    static const std::array<QIcon, 4> images = [] {
        QStyle* style = QApplication::style();
        return std::array<QIcon, 4>{style->standardIcon(QStyle::SP_DriveFDIcon),
                                    style->standardIcon(QStyle::SP_DriveHDIcon),
                                    style->standardIcon(QStyle::SP_DriveCDIcon),
                                    style->standardIcon(QStyle::SP_DriveNetIcon)};
    }();
    return imageIndex >= 0 && imageIndex < static_cast<int>(images.size())
               ? images[static_cast<size_t>(imageIndex)]
               : QIcon();
}

} // namespace tw::ui
