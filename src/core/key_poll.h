#pragma once
// Takes every pending SDL event; true when one of them was a key press
// (SDL_KEYDOWN, any key). Every other event, the quit event included, is
// consumed and ignored.
bool poll_key_press();
