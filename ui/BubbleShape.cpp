#include "ui/BubbleShape.h"

BubbleShape bubbleShape(int w, int h)
{
    // margins grow with the text, so big jokes do not hug the curve
    int mx = w / 10 + 20;
    int my = h / 10 + 20;

    BubbleShape shape;
    shape.text = ShapeRect{mx, my, mx + w, my + h};
    shape.body = ShapeRect{0, 0, 2 * mx + w, 2 * my + h};
    shape.crescentBase = ShapeRect{2 * mx, 2 * my, 2 * mx + w - 30, 2 * my + h};
    shape.cutter = ShapeRect{2 * mx, 2 * my, 2 * mx + w - 40, 2 * my + h + 10};
    return shape;
}

int widestText(int boxWidth)
{
    // the body is the outline's widest part, and a round rectangle's region
    // ends one pixel short of its right edge
    int w = boxWidth;
    while (w > 0 && bubbleShape(w, 0).body.right - 1 > boxWidth)
        --w;
    return w;
}
