#pragma once

#include <QIcon>

namespace tw::ui {

/// The pictures of the folder tree and the item list by image index (folder, open folder,
/// the three categories, file, deleted folder, deleted open folder, deleted file).
QIcon FolderImage(int imageIndex);

} // namespace tw::ui
