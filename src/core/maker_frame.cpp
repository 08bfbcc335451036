#include "core/maker_frame.h"

#include <cstdio>
#include <cstring>

#include "core/schedule.h"
#include "draw/gl.h"
#include "draw/view.h"

void draw_frame_hiding(int order, float t, int layer_mask, uint32_t hidden)
{
    clear_frame();
    set_projection();
    uint8_t rows[kMaxScheduledLayers];
    const size_t n = scheduled_layers(order, layer_mask, rows);
    for (size_t i = 0; i < n; ++i) {
        const bool hide = (hidden >> rows[i]) & 1;
        if (hide) {
            glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
            glDepthMask(GL_FALSE);
        }
        kSchedule[rows[i]].draw(static_cast<double>(t), order);
        if (hide) {
            glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
            glDepthMask(GL_TRUE);
        }
    }
}

namespace {

void viewport(GLint v[4])
{
    v[0] = v[1] = v[2] = v[3] = 0;
    glGetIntegerv(GL_VIEWPORT, v);
}

}  // namespace

HeldPicture hold_picture()
{
    HeldPicture held;
    GLint v[4];
    viewport(v);
    held.x = v[0];
    held.y = v[1];
    held.width = v[2];
    held.height = v[3];
    held.rgba.resize(static_cast<size_t>(held.width) * held.height * 4);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(held.x, held.y, held.width, held.height, GL_RGBA, GL_UNSIGNED_BYTE, held.rgba.data());
    glPopClientAttrib();
    return held;
}

void show_held_picture(const HeldPicture& held)
{
    if (held.rgba.empty()) return;
    const int matrix_mode = maker_gl_begin();
    for (GLenum cap : {GL_BLEND, GL_TEXTURE_2D, GL_DEPTH_TEST, GL_ALPHA_TEST, GL_SCISSOR_TEST, GL_STENCIL_TEST})
        glDisable(cap);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glViewport(held.x, held.y, held.width, held.height);
    glRasterPos2f(-1.0f, -1.0f);  // the viewport's lower left corner
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glDrawPixels(held.width, held.height, GL_RGBA, GL_UNSIGNED_BYTE, held.rgba.data());
    maker_gl_end(matrix_mode);
}

int maker_gl_begin()
{
    GLint matrix_mode = GL_PROJECTION;
    glGetIntegerv(GL_MATRIX_MODE, &matrix_mode);
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    return matrix_mode;
}

void maker_gl_end(int matrix_mode)
{
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
    glMatrixMode(static_cast<GLenum>(matrix_mode));
}

RgbImage read_viewport()
{
    GLint v[4];
    viewport(v);
    RgbImage image;
    image.width = v[2];
    image.height = v[3];
    image.pixels.resize(static_cast<size_t>(image.width) * image.height * 3);
    std::vector<uint8_t> bottom_up(image.pixels.size());
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(v[0], v[1], image.width, image.height, GL_RGB, GL_UNSIGNED_BYTE, bottom_up.data());
    glPopClientAttrib();
    const size_t row = static_cast<size_t>(image.width) * 3;
    for (int y = 0; y < image.height; ++y)
        std::memcpy(&image.pixels[row * y], &bottom_up[row * (image.height - 1 - y)], row);
    return image;
}

std::string picture_name(int order, int row)
{
    char name[64];
    std::snprintf(name, sizeof name, "drensolk-order%02d-row%02d.png", order, row);
    return name;
}
