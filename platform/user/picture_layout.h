// Where a window's picture (client area and the strip below it) sits in an SDL window of any
// size, and how window pixels map back to the picture. Pure arithmetic, apart from SDL.
#pragma once

namespace platform::detail {

// The picture in the window: shown at a whole scale from (left, top), its strip starting at
// window row stripTop. When the picture fits, the strip follows the client area; when it does
// not fit even at scale 1, the client area is drawn from the top left and the strip sits as
// low as it can while it stays whole in the window, over the client's lowest rows.
struct PictureLayout {
  int scale = 1;
  int left = 0;
  int top = 0;
  int stripTop = 0;     // window row of the strip's first row
  int clientRows = 0;   // device rows of the client area shown above the strip
};

// The whole scale a desktop's font resolution asks for: 96 dots per inch is 1, 192 is 2, 288 is
// 3 (175 % and up rounds to the next whole scale); 1 for no or an absurd value.
int ScaleForDpi(double dpi);

// The largest scale up to `wanted` at which a picture of width x height fits in the usable area
// of a screen; never below 1.
int ScaleThatFits(int wanted, int width, int height, int usableWidth, int usableHeight);

// The layout of a client area of clientWidth x clientHeight and a strip of stripRows below it
// in a window of windowWidth x windowHeight pixels: the largest whole scale at which all of it
// fits (never below 1), centred.
PictureLayout LayOutPicture(int windowWidth, int windowHeight, int clientWidth, int clientHeight, int stripRows);

// A window pixel in device pixels of the picture: rows from clientHeight on are the strip's.
// Points in the margins map outside the picture (negative, or past its edges), rounding down.
void WindowToPicture(const PictureLayout& layout, int clientHeight, int windowX, int windowY, int* x, int* y);

// The top left of a window of width x height placed by the program on a screen whose usable
// area starts at (usableX, usableY): centred, but never with its top or left edge off the screen.
void PlaceOnScreen(int width, int height, int usableX, int usableY, int usableWidth, int usableHeight, int* x, int* y);

}  // namespace platform::detail
