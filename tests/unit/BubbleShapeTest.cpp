#include <gtest/gtest.h>

#include "ui/BubbleShape.h"

static void expectRect(const ShapeRect& r, int left, int top, int right, int bottom)
{
    EXPECT_EQ(left, r.left);
    EXPECT_EQ(top, r.top);
    EXPECT_EQ(right, r.right);
    EXPECT_EQ(bottom, r.bottom);
}

TEST(BubbleShape, TextOf300By100)
{
    BubbleShape s = bubbleShape(300, 100);
    expectRect(s.text, 50, 30, 350, 130);
    expectRect(s.body, 0, 0, 400, 160);
    expectRect(s.crescentBase, 100, 60, 370, 160);
    expectRect(s.cutter, 100, 60, 360, 170);
}

TEST(BubbleShape, MarginsTruncateAndKeepTheTextCentred)
{
    // 59/10 and 19/10 truncate to 5 and 1
    BubbleShape s = bubbleShape(59, 19);
    expectRect(s.text, 25, 21, 84, 40);
    expectRect(s.body, 0, 0, 109, 61);
    EXPECT_EQ(s.text.left, s.body.right - s.text.right);
    EXPECT_EQ(s.text.top, s.body.bottom - s.text.bottom);
    // the tail reaches the bottom of the bounding box, the cutter 10 below it
    EXPECT_EQ(s.body.bottom, s.crescentBase.bottom);
    EXPECT_EQ(s.crescentBase.bottom + 10, s.cutter.bottom);
}

TEST(BubbleShape, EmptyAndTinyTexts)
{
    BubbleShape s = bubbleShape(0, 0);
    expectRect(s.text, 20, 20, 20, 20);
    expectRect(s.body, 0, 0, 40, 40);
    // cutter and base end left of where they start: the region functions
    // decide what such rectangles are
    expectRect(s.crescentBase, 40, 40, 10, 40);
    expectRect(s.cutter, 40, 40, 0, 50);
}
