#include "effects/intro_spinner.h"

#include "draw/shapes.h"
#include "draw/view.h"

const Color3 intro_colours[kIntroBandCount] = {
    Color3(0.5f, 0, 0.5f), Color3(0, 0, 0.5f), Color3(0, 0, 1), Color3(0, 1, 0),
    Color3(1, 1, 0),       Color3(1, 0.5f, 0), Color3(1, 0, 0),
};

void intro_band(int k, double now)
{
    arc_band(static_cast<float>(0.2 + k * 0.025), static_cast<float>(0.225 + k * 0.025), 0.5f, 0.65f, 20, 0.0f,
             static_cast<float>(-now));
}

void set_intro_projection() { set_projection(); }
