#include "ui/images.h"

#include "devices/view_model.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include <array>

namespace tw::ui {

namespace {

/// A standard picture with a small coloured mark in its lower right corner: red for
/// deleted items, the category colours for the categories.
QIcon Marked(QStyle::StandardPixmap base, const QColor& mark) {
    QPixmap pixmap = QApplication::style()->standardIcon(base).pixmap(32, 32).scaled(
        32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (mark.isValid()) {
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(mark);
        painter.drawEllipse(QRectF(17, 17, 13, 13));
    }
    return QIcon(pixmap);
}

} // namespace

QIcon FolderImage(int imageIndex) {
    using namespace devices::ImageIndex;
    static const std::array<QIcon, 9> images = [] {
        std::array<QIcon, 9> list;
        list[Folder] = Marked(QStyle::SP_DirClosedIcon, {});
        list[FolderExpanded] = Marked(QStyle::SP_DirOpenIcon, {});
        list[DeletedCategory] = Marked(QStyle::SP_TrashIcon, {});
        list[LostCategory] = Marked(QStyle::SP_DirClosedIcon, QColor(230, 150, 20));
        list[SearchedCategory] = Marked(QStyle::SP_FileDialogContentsView, {});
        list[File] = Marked(QStyle::SP_FileIcon, {});
        list[DeletedFolder] = Marked(QStyle::SP_DirClosedIcon, QColor(200, 30, 30));
        list[DeletedFolderExpanded] = Marked(QStyle::SP_DirOpenIcon, QColor(200, 30, 30));
        list[DeletedFile] = Marked(QStyle::SP_FileIcon, QColor(200, 30, 30));
        return list;
    }();
    return imageIndex >= 0 && imageIndex < static_cast<int>(images.size())
               ? images[static_cast<size_t>(imageIndex)]
               : QIcon();
}

} // namespace tw::ui
