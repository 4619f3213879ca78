// The arithmetic of the speech-bubble outline, kept free of Windows so that
// it can be checked on any machine.
#ifndef GRINSEL_BUBBLESHAPE_H
#define GRINSEL_BUBBLESHAPE_H

struct ShapeRect {
    int left, top, right, bottom;
};

struct BubbleShape {
    ShapeRect text;          // where the text goes, in window coordinates
    ShapeRect body;          // the bubble proper
    ShapeRect crescentBase;  // minus the cutter, leaves the tail
    ShapeRect cutter;
};

// corner ellipses (width and height alike) of the three round rectangles
enum {
    BODY_CORNER = 400,
    CRESCENT_CORNER = 50,
    CUTTER_CORNER = 75
};

// textWidth and textHeight as measured with DT_CALCRECT
BubbleShape bubbleShape(int textWidth, int textHeight);

// the widest text whose outline fits in boxWidth pixels (at most 0: none)
int widestText(int boxWidth);

#endif
