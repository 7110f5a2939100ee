// The order of list rows: folders first, numbers by value, dates by calendar day.
#include "fat/fat_directory.h"
#include "fat/list_order.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace tw {
namespace {

using devices::TListItem;

struct TRows {
    fat::TFATDirectory Folder;
    fat::TFATFile File;

    /// A row showing a folder or a file with the given caption and cells.
    TListItem Row(bool folder, std::string caption, std::string size = "", std::string date = "",
                  std::string cluster = "") {
        TListItem item;
        item.Data = folder ? static_cast<devices::TCustomItem*>(&Folder) : &File;
        item.Caption = std::move(caption);
        item.SubItems = {std::move(size), std::move(date), std::move(cluster), "", ""};
        return item;
    }
};

TEST(CompareListItems, OrdersByColumn) {
    TRows r;
    struct TCase {
        const char* What;
        TListItem A;
        TListItem B;
        int Column;
        int Expected;
    };
    const TCase cases[] = {
        {"folder before file", r.Row(true, "Z"), r.Row(false, "A", "1"), 1, -1},
        {"file after folder", r.Row(false, "A"), r.Row(true, "Z"), 0, 1},
        {"sizes by number", r.Row(false, "a", "9"), r.Row(false, "b", "10"), 1, -1},
        {"empty size is 0", r.Row(false, "a", ""), r.Row(false, "b", "0"), 1, 0},
        {"clusters by number", r.Row(false, "a", "", "", "100"), r.Row(false, "b", "", "", "20"), 3,
         1},
        {"year end before new year", r.Row(false, "a", "", "31.12.1999 23:59"),
         r.Row(false, "b", "", "01.01.2000 00:00"), 2, -1},
        {"same day, any time", r.Row(false, "a", "", "05.03.2004 23:59"),
         r.Row(false, "b", "", "05.03.2004 00:01"), 2, 0},
        {"no date is equal to all", r.Row(false, "a", "", "00.00.1980 00:00"),
         r.Row(false, "b", "", "05.03.2004 00:01"), 2, 0},
        {"29 February of a common year", r.Row(false, "a", "", "29.02.2001 00:00"),
         r.Row(false, "b", "", "01.01.1980 00:00"), 2, 0},
        {"29 February of a leap year", r.Row(false, "a", "", "29.02.2000 00:00"),
         r.Row(false, "b", "", "01.03.2000 00:00"), 2, -1},
        {"names by text", r.Row(false, "alpha"), r.Row(false, "Beta"), 0, -1},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(fat::CompareListItems(c.A, c.B, c.Column), c.Expected) << c.What;
    }
}

TEST(SortList, PutsFoldersFirstAndKeepsTheOrderOfEqualRows) {
    TRows r;
    devices::TListView list;
    list.SortColumn = 1;
    list.Items = {r.Row(false, "b", "10"), r.Row(true, "X"), r.Row(false, "a", "9"),
                  r.Row(false, "c", "10"), r.Row(true, "Y"), r.Row(false, "d", "100"),
                  r.Row(false, "e", "9")};
    fat::SortList(list, r.Folder);
    std::vector<std::string> captions;
    for (const TListItem& item : list.Items) {
        captions.push_back(item.Caption);
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"X", "Y", "a", "e", "b", "c", "d"}));
}

TEST(SortList, SortsDatesByCalendarDayAndSurvivesRowsWithoutADate) {
    // Rows without a date compare equal with every row, which is no strict weak order: the
    // sort must still end with every row once. Without such rows the days come in order.
    TRows r;
    const std::vector<std::string> dated = {
        "02.01.2000 10:00", "31.12.1999 08:00", "15.06.1995 12:00", "01.01.2000 00:00",
        "29.02.2004 00:00", "28.02.2004 23:59", "10.10.2010 10:10", "01.01.1980 00:00"};
    for (const bool withUndated : {false, true}) {
        SCOPED_TRACE(withUndated ? "with undated rows" : "dated rows only");
        devices::TListView list;
        list.SortColumn = 2;
        for (size_t i = 0; i < dated.size(); ++i) {
            list.Items.push_back(r.Row(false, std::to_string(i), "", dated[i]));
            if (withUndated && i % 3 == 0) {
                list.Items.push_back(
                    r.Row(false, "lost" + std::to_string(i), "", "00.00.1980 00:00"));
            }
        }
        const size_t rows = list.Items.size();
        fat::SortList(list, r.Folder);
        ASSERT_EQ(list.Items.size(), rows);
        std::vector<std::string> captions;
        std::vector<std::string> days;
        for (const TListItem& item : list.Items) {
            captions.push_back(item.Caption);
            const std::string& d = item.SubItems[1];
            days.push_back(d.substr(6, 4) + d.substr(3, 2) + d.substr(0, 2));
        }
        std::sort(captions.begin(), captions.end());
        EXPECT_EQ(std::adjacent_find(captions.begin(), captions.end()), captions.end())
            << "a row lost or doubled";
        if (!withUndated) {
            EXPECT_TRUE(std::is_sorted(days.begin(), days.end()));
        }
    }
}

} // namespace
} // namespace tw
