// The write buffer of the office plugin: what reaches the sheet in bulk must equal the cell
// writes made one by one, in their order.
#include "files/calc/sheetbuffer.h"

#include <gtest/gtest.h>

using pelzo::calc::Block;
using pelzo::calc::SheetBuffer;

TEST(SheetBuffer, LaterWritesWinAndRectanglesStack)
{
    SheetBuffer b;
    for (int r = 5; r <= 7; ++r)
        for (int c = 1; c <= 5; ++c) b.setCell(r, c, std::to_string(r * 10 + c));
    b.setCell(6, 2, "again");
    const auto blocks = b.blocks();
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].firstRow, 5);
    EXPECT_EQ(blocks[0].rows(), 3);
    EXPECT_EQ(blocks[0].cols(), 5);
    EXPECT_EQ(blocks[0].text(1, 1), "again");
    EXPECT_EQ(blocks[0].text(2, 4), "75");
}

TEST(SheetBuffer, RaggedWritesSplitAndEmptyRowsUndoEarlierWrites)
{
    SheetBuffer b;
    b.setCell(5, 1, "a");
    b.setCell(5, 2, "b");
    b.setCell(6, 1, "c");   // shorter row: a block of its own
    b.setCell(6, 4, "d");   // gap: another run
    b.setCell(9, 1, "gone");
    b.setRow(9, "");
    b.setRow(10, "");
    b.setRow(11, "");
    const auto blocks = b.blocks();
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].cols(), 2);
    EXPECT_EQ(blocks[1].firstRow, 6);
    EXPECT_EQ(blocks[1].cols(), 1);
    EXPECT_EQ(blocks[2].firstCol, 4);
    ASSERT_EQ(b.clearedRows().size(), 1u);
    EXPECT_EQ(b.clearedRows()[0], std::make_pair(9, 11));
    EXPECT_THROW(b.setRow(12, "x"), std::runtime_error);
}

TEST(SheetBuffer, EmptyTextsAsColumnRuns)
{
    // Rows: ("", "x"), ("", ""), ("y", "").
    Block blk{5, 1, 3, 2, {"", "x", "", "", "y", ""}};
    const auto runs = blk.emptyRuns();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].col, 0);
    EXPECT_EQ(runs[0].row, 0);
    EXPECT_EQ(runs[0].count, 2);
    EXPECT_EQ(runs[1].col, 1);
    EXPECT_EQ(runs[1].row, 1);
    EXPECT_EQ(runs[1].count, 2);
}
