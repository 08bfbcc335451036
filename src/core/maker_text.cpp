#include "core/maker_text.h"

#include <SDL/SDL.h>
#ifndef DRENSOLK_NO_TTF
#include <SDL/SDL_ttf.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "draw/gl.h"

namespace {

#ifdef DRENSOLK_NO_TTF
// A build without SDL_ttf (the Windows one): the overlay says so and has no text.
struct TTF_Font;
int TTF_Init() { return -1; }
const char* TTF_GetError() { return "not in this build"; }
TTF_Font* TTF_OpenFont(const char*, int) { return nullptr; }
int TTF_FontLineSkip(TTF_Font*) { return 0; }
SDL_Surface* TTF_RenderUTF8_Blended(TTF_Font*, const char*, SDL_Color) { return nullptr; }
#endif

constexpr int kPointSize = 12;
constexpr const char* kDebianFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

struct TextSlot {
    std::string text;
    GLuint texture;
    int width, height;          // of the text in pixels
    int tex_width, tex_height;  // the texture, powers of two for OpenGL 1.1
};

struct MakerText {
    bool tried;
    TTF_Font* font;
    int line_height;
    TextSlot slots[kMakerTextSlots];
};
MakerText text_state{};

int power_of_two(int n)
{
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

// White text with its coverage in alpha, uploaded into the slot's texture.
void upload(TextSlot* slot, const std::string& text)
{
    slot->text = text;
    slot->width = slot->height = 0;
    if (text.empty()) return;
    SDL_Surface* s = TTF_RenderUTF8_Blended(text_state.font, text.c_str(), SDL_Color{255, 255, 255, 0});
    if (!s) return;
    slot->width = s->w;
    slot->height = s->h;
    slot->tex_width = power_of_two(s->w);
    slot->tex_height = power_of_two(s->h);
    std::vector<uint8_t> rgba(static_cast<size_t>(slot->tex_width) * slot->tex_height * 4, 0);
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            const uint8_t* p = static_cast<const uint8_t*>(s->pixels) + y * s->pitch + x * 4;
            Uint8 r, g, b, a;
            SDL_GetRGBA(*reinterpret_cast<const Uint32*>(p), s->format, &r, &g, &b, &a);
            uint8_t* q = &rgba[(static_cast<size_t>(y) * slot->tex_width + x) * 4];
            q[0] = q[1] = q[2] = 255;
            q[3] = a;
        }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(s);
    if (!slot->texture) glGenTextures(1, &slot->texture);
    glBindTexture(GL_TEXTURE_2D, slot->texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, slot->tex_width, slot->tex_height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 rgba.data());
}

}  // namespace

bool maker_text_open()
{
    if (text_state.tried) return text_state.font != nullptr;
    text_state.tried = true;
    const char* chosen = std::getenv("DRENSOLK_MAKER_FONT");
    const char* path = chosen && *chosen ? chosen : kDebianFont;
    if (TTF_Init() != 0) {
        std::fprintf(stderr, "Maker overlay: no text (SDL_ttf: %s)\n", TTF_GetError());
        return false;
    }
    text_state.font = TTF_OpenFont(path, kPointSize);
    if (!text_state.font) {
        std::fprintf(stderr,
                     "Maker overlay: no text, the font %s cannot be opened (install fonts-dejavu-core, or set "
                     "DRENSOLK_MAKER_FONT to a TrueType font)\n",
                     path);
        return false;
    }
    text_state.line_height = TTF_FontLineSkip(text_state.font);
    return true;
}

int maker_text_line_height() { return text_state.font ? text_state.line_height : 0; }

int maker_text_draw(int slot_index, const std::string& text, float x, float y, float r, float g, float b, float a)
{
    if (!text_state.font || slot_index < 0 || slot_index >= kMakerTextSlots) return 0;
    TextSlot* slot = &text_state.slots[slot_index];
    if (slot->text != text || !slot->texture) upload(slot, text);
    if (slot->width == 0) return 0;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, slot->texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(r, g, b, a);
    const float u = float(slot->width) / slot->tex_width, v = float(slot->height) / slot->tex_height;
    const float w = float(slot->width), h = float(slot->height);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex2f(x, y);
    glTexCoord2f(u, 0);
    glVertex2f(x + w, y);
    glTexCoord2f(u, v);
    glVertex2f(x + w, y + h);
    glTexCoord2f(0, v);
    glVertex2f(x, y + h);
    glEnd();
    return slot->width;
}
