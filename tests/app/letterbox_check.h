// Screen checks shared by the full-screen tests on X and on Wayland: the
// 4:3 picture letterboxed on a 1280 x 720 screen, compared with a capture.
#pragma once
#include <string>

#include "app/x_server.h"

constexpr int kScreenWidth = 1280, kScreenHeight = 720;
// The 4:3 picture on that screen: 960 x 720 with 160-pixel bars each side.
constexpr int kPictureLeft = 160, kPictureWidth = 960;

// An 8-bit RGB PNG into `image`; false when it cannot be read.
bool read_png(const std::string& path, ScreenShot* image);

// The fixed picture strip drawn on top from order 12 on: centred at x 0.5,
// y 0.7 of the view, 0.4 x 0.1 view units (the view is 1 wide, 0.75 high).
// Two pixels in from each edge, where sampling at the border cannot differ.
struct Box {
    int left, top, right, bottom;  // right and bottom exclusive
};
Box strip_interior();

// Mean absolute difference per channel over the box.
double mean_difference(const ScreenShot& a, const ScreenShot& b, const Box& box);

// How far into the side bars the picture reaches: 0 when they are black,
// else the distance in pixels of the farthest lit pixel from the picture.
int bar_reach(const ScreenShot& s);
