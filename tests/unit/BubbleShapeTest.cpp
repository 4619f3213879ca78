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
    BubbleShape s = bubbleShape(300, 100, 96);
    expectRect(s.text, 50, 30, 350, 130);
    expectRect(s.body, 0, 0, 400, 160);
    expectRect(s.crescentBase, 100, 60, 370, 160);
    expectRect(s.cutter, 100, 60, 360, 170);
    EXPECT_EQ(400, s.bodyCorner);
    EXPECT_EQ(50, s.crescentCorner);
    EXPECT_EQ(75, s.cutterCorner);
}

TEST(BubbleShape, FixedFiguresGrowWithTheDisplayScaleAndTheTextDoesNot)
{
    // at 150 %: 20 -> 30 in both margins, tail 30, 40, 10 -> 45, 60, 15;
    // the tenths of the text stay tenths
    BubbleShape s = bubbleShape(300, 100, 144);
    expectRect(s.text, 60, 40, 360, 140);
    expectRect(s.body, 0, 0, 420, 180);
    expectRect(s.crescentBase, 120, 80, 375, 180);
    expectRect(s.cutter, 120, 80, 360, 195);
    EXPECT_EQ(600, s.bodyCorner);
    EXPECT_EQ(75, s.crescentCorner);
    EXPECT_EQ(113, s.cutterCorner);  // 112.5, rounded as MulDiv rounds
    EXPECT_EQ(3, scaled(BUBBLE_FRAME, 144));
    EXPECT_EQ(6, scaled(BUBBLE_GAP, 144));
    // 125 % and 200 %
    EXPECT_EQ(25, scaled(20, 120));
    EXPECT_EQ(94, scaled(75, 120));
    EXPECT_EQ(800, scaled(400, 192));
    // the widest text whose bubble fits 796 pixels: narrower at 150 %
    EXPECT_EQ(631, widestText(796, 96));
    EXPECT_EQ(bubbleShape(widestText(796, 144), 0, 144).body.right - 1, 796);
    EXPECT_GT(bubbleShape(widestText(796, 144) + 1, 0, 144).body.right - 1, 796);
}

TEST(BubbleShape, MarginsTruncateAndKeepTheTextCentred)
{
    // 59/10 and 19/10 truncate to 5 and 1
    BubbleShape s = bubbleShape(59, 19, 96);
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
    BubbleShape s = bubbleShape(0, 0, 96);
    expectRect(s.text, 20, 20, 20, 20);
    expectRect(s.body, 0, 0, 40, 40);
    // cutter and base end left of where they start: the region functions
    // decide what such rectangles are
    expectRect(s.crescentBase, 40, 40, 10, 40);
    expectRect(s.cutter, 40, 40, 0, 50);
}
