#include "ui/BubbleShape.h"

int scaled(int pixels, int dpi)
{
    // half away from zero, as MulDiv(pixels, dpi, 96)
    long long product = (long long)pixels * dpi;
    return (int)(product >= 0 ? (product + 48) / 96 : (product - 48) / 96);
}

BubbleShape bubbleShape(int w, int h, int dpi)
{
    // margins grow with the text, so big jokes do not hug the curve; the
    // text itself is already measured at the system DPI
    int mx = w / 10 + scaled(20, dpi);
    int my = h / 10 + scaled(20, dpi);

    BubbleShape shape;
    shape.text = ShapeRect{mx, my, mx + w, my + h};
    shape.body = ShapeRect{0, 0, 2 * mx + w, 2 * my + h};
    shape.crescentBase = ShapeRect{2 * mx, 2 * my, 2 * mx + w - scaled(30, dpi), 2 * my + h};
    shape.cutter = ShapeRect{2 * mx, 2 * my, 2 * mx + w - scaled(40, dpi),
                             2 * my + h + scaled(10, dpi)};
    shape.bodyCorner = scaled(400, dpi);
    shape.crescentCorner = scaled(50, dpi);
    shape.cutterCorner = scaled(75, dpi);
    return shape;
}

int widestText(int boxWidth, int dpi)
{
    // the body is the outline's widest part, and a round rectangle's region
    // ends one pixel short of its right edge
    int w = boxWidth;
    while (w > 0 && bubbleShape(w, 0, dpi).body.right - 1 > boxWidth)
        --w;
    return w;
}
