#pragma once

#include "devices/view_model.h"

#include <string>

class QWidget;

namespace tw::app {

/// The check at the end of an in-place rename in the item list. newName is the edited text.
/// - No data, or an item without a parent folder: false; nothing is renamed.
/// - A file or folder of the same parent already shows newName (exact, case-sensitive; the
///   item itself counts, so confirming an unchanged name clashes too): an information box
///   "<old> cannot be renamed: …", newName becomes the old display name, false.
/// - Otherwise the item takes newName (its lost first character is forgotten), every row of
///   list that shows it is updated, true.
/// In every case item.Caption ends as newName; the caller redraws the row.
bool RenameItem(devices::TListView& list, devices::TListItem& item, std::string& newName);

/// The properties command for one list item that shows a FAT file or folder: runs
/// TItemPropertiesDialog (parented to parent) with its display name, first cluster and size
/// (0 for a folder). On OK the item takes the name (as Rename does), the first cluster and,
/// for a file, the size; the row is updated and true returned; the caller redraws it. False
/// when the item shows nothing editable or the dialog was cancelled. Nothing is checked
/// against the neighbours or the volume.
bool EditProperties(QWidget* parent, devices::TListItem& item);

} // namespace tw::app
