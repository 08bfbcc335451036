// What every driver does before its first music frame, after the intro.
#pragma once

// Uploads the seven pictures (core/base/textures.h), then warms the driver up
// with every state combination the layers draw with (effects/warm_up.h): the
// back buffer is cleared afterwards and no state changes. Exits with status 1
// on a picture that cannot be loaded, as upload_png_texture does.
void load_pictures(const char* folder = nullptr);
