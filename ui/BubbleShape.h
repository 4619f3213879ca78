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
    // corner ellipses (width and height alike) of the three round rectangles
    int bodyCorner, crescentCorner, cutterCorner;
};

// The bubble's fixed figures are pixels at 96 DPI; at other system DPIs
// they grow as the font does. scaled() rounds as MulDiv does.
int scaled(int pixels, int dpi);

enum {
    BUBBLE_FRAME = 2,  // thickness of the black frame
    BUBBLE_GAP = 4     // between the bubble and the work area's right edge
};

// textWidth and textHeight as measured with DT_CALCRECT, in pixels at dpi
BubbleShape bubbleShape(int textWidth, int textHeight, int dpi);

// the widest text whose outline fits in boxWidth pixels (at most 0: none)
int widestText(int boxWidth, int dpi);

#endif
