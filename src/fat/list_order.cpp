#include "fat/list_order.h"

#include "devices/custom_drive.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace tw::fat {

namespace {

uint64_t NumberOf(const std::string& text) {
    return text.empty() ? 0 : std::strtoull(text.c_str(), nullptr, 10);
}

/// Day, month and year at the start of "DD.MM.YYYY hh:mm"; false when that is no date.
bool CalendarDay(const std::string& text, int& key) {
    if (text.size() < 10 || text[2] != '.' || text[5] != '.') {
        return false;
    }
    const int day = std::atoi(text.substr(0, 2).c_str());
    const int month = std::atoi(text.substr(3, 2).c_str());
    const int year = std::atoi(text.substr(6, 4).c_str());
    static constexpr int DaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth[month - 1]) {
        return false;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month == 2 && day == 29 && !leap) {
        return false;
    }
    key = year * 10000 + month * 100 + day;
    return true;
}

/// Text order as the desktop sorts names: letters alphabetically whatever their case, and a
/// lower-case letter before its capital when the texts differ only in case.
int LocaleCompare(const std::string& a, const std::string& b) {
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
    const size_t n = std::min(a.size(), b.size());
    int caseOrder = 0;
    for (size_t i = 0; i < n; ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (fold(x) != fold(y)) {
            return fold(x) < fold(y) ? -1 : 1;
        }
        if (x != y && caseOrder == 0) {
            caseOrder = x > y ? -1 : 1; // 'a' (0x61) before 'A' (0x41)
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return caseOrder;
}

int Sign(int64_t v) {
    return v < 0 ? -1 : v > 0 ? 1 : 0;
}

const std::string& Cell(const devices::TListItem& item, int column) {
    return column == 0 ? item.Caption : item.SubItems[static_cast<size_t>(column - 1)];
}

} // namespace

int CompareListItems(const devices::TListItem& item1, const devices::TListItem& item2, int column) {
    const bool folder1 = item1.Data && item1.Data->IsDirectory();
    const bool folder2 = item2.Data && item2.Data->IsDirectory();
    if (folder1 && !folder2) {
        return -1;
    }
    if (!folder1 && folder2) {
        return 1;
    }
    if (column < 0 || column > 5) {
        return 0;
    }
    const std::string& a = Cell(item1, column);
    const std::string& b = Cell(item2, column);
    if (column == 1 || column == 3) {
        const uint64_t x = NumberOf(a);
        const uint64_t y = NumberOf(b);
        return x < y ? -1 : x > y ? 1 : 0;
    }
    if (column == 2) {
        int x = 0, y = 0;
        if (!CalendarDay(a, x) || !CalendarDay(b, y)) {
            return 0;
        }
        return Sign(int64_t{x} - y);
    }
    return LocaleCompare(a, b);
}

void SortList(devices::TListView& list, const devices::TCustomDirectory& folder) {
    const int column = list.SortColumn;
    const bool descending = list.SortDescending;
    auto less = [&](const devices::TListItem& x, const devices::TListItem& y) {
        const int c = folder.CompareItems(x, y, column);
        return descending ? c > 0 : c < 0;
    };
    // A bottom-up merge sort of row numbers: it only ever asks "is the right one smaller",
    // so an order with equal-to-everything rows still sorts safely and stably, and the rows
    // themselves are moved once at the end.
    std::vector<devices::TListItem>& items = list.Items;
    std::vector<uint32_t> order(items.size());
    for (uint32_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::vector<uint32_t> scratch(order.size());
    for (size_t width = 1; width < order.size(); width *= 2) {
        for (size_t lo = 0; lo < order.size(); lo += 2 * width) {
            const size_t mid = std::min(lo + width, order.size());
            const size_t hi = std::min(lo + 2 * width, order.size());
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi) {
                scratch[k++] = less(items[order[j]], items[order[i]]) ? order[j++] : order[i++];
            }
            while (i < mid) {
                scratch[k++] = order[i++];
            }
            while (j < hi) {
                scratch[k++] = order[j++];
            }
        }
        order.swap(scratch);
    }
    std::vector<devices::TListItem> sorted;
    sorted.reserve(items.size());
    for (uint32_t index : order) {
        sorted.push_back(std::move(items[index]));
    }
    items.swap(sorted);
}

} // namespace tw::fat
