#pragma once

#include "devices/view_model.h"

namespace tw::devices {
class TCustomDirectory;
class TCustomItem;
} // namespace tw::devices

namespace tw::fat {

/// One list row for a child of a folder: caption, image and the cells of the five columns.
devices::TListItem MakeListItem(devices::TCustomItem& item);

/// Order of two rows by a column: folders first; sizes and clusters by number; dates by
/// calendar day (a row without a valid date compares equal with every row); other columns
/// by text.
int CompareListItems(const devices::TListItem& item1, const devices::TListItem& item2, int column);

/// Sorts the rows by the list's sort column and direction with folder's CompareItems. The
/// sort is a stable merge sort: the date order is not a strict weak order.
void SortList(devices::TListView& list, const devices::TCustomDirectory& folder);

} // namespace tw::fat
