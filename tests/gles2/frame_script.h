// One fixed run of drawing, the same in every process that runs it: the
// warm-up, then frames of every order through draw_frame with the music's
// triggers at fixed times, then a hatching probe. Whichever OpenGL the
// drawing code was built for draws it; `keep` gets each frame to compare.
#pragma once
#include <functional>
#include <string>

constexpr int kScriptWidth = 640;
constexpr int kScriptHeight = 480;
constexpr int kLastOrder = 20;
// Frame names: "order00" .. "order20", then "stipple".
void run_frame_script(const std::function<void(const std::string& name)>& keep);
