// Start-up drawing that makes the OpenGL driver meet, once, every combination
// of state and vertex layout the layers draw with, so a software rasteriser
// compiles its code for each before the music starts rather than in the first
// frame of a scene.
#pragma once
#include <cstddef>
#include <cstdint>

#include "draw/gl.h"

// Capabilities of a combination, as bits.
enum : uint8_t {
    kComboBlend = 1,
    kComboStipple = 2,
    kComboLineSmooth = 4,
    kComboPolygonSmooth = 8,
    kComboTexture = 16,
    kComboDepth = 32,
};

// One combination: primitive type, capabilities on, blend function (with
// kComboBlend), how colour and texture coordinates arrive, and whether the
// vertices come from arrays (the depth painter's float positions and colours,
// depth test with GL_LEQUAL) or from glVertex2f.
struct DrawCombo {
    GLenum mode;
    uint8_t caps;
    GLenum blend_src, blend_dst;
    uint8_t colour;  // 0: glColor before glBegin; 3 or 4: glColor3f/4f per vertex
    bool texcoords;  // glTexCoord2f per vertex
    bool arrays;
    bool operator<(const DrawCombo& o) const;
    bool operator==(const DrawCombo& o) const;
};

// The combinations the layers draw with, whatever order the demo starts at
// and whatever state the layers before them leave.
extern const DrawCombo kDemoCombos[];
extern const size_t kDemoComboCount;

// Draws one small primitive per combination (each textured one once per
// picture of TextureTable) into the back buffer, then clears colour and depth.
// Every state it sets is put back as found: capabilities, blend and depth
// functions, current colour and texture coordinates, bound texture, matrices
// and matrix mode; client arrays end off. Takes no random number and touches
// no layer's state. Call after upload_pictures and before the next frame is
// drawn; never between drawing a frame and showing it.
void warm_up_drawing();
