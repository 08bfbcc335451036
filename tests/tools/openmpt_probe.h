// Loads module bytes into libopenmpt, keeping its error message, and renders
// them, so tests see a module the way the demo's player will.
#pragma once

#include <libopenmpt/libopenmpt.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace probe {

struct Loaded {
    std::unique_ptr<openmpt_module, decltype(&openmpt_module_destroy)> module{nullptr, openmpt_module_destroy};
    std::string error;
    openmpt_module* get() const { return module.get(); }
};

inline std::unique_ptr<Loaded> load(const std::vector<uint8_t>& bytes)
{
    auto loaded = std::make_unique<Loaded>();
    int error = 0;
    const char* message = nullptr;
    openmpt_module* m =
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                           openmpt_error_func_store, nullptr, &error, &message, nullptr);
    if (message) {
        loaded->error = message;
        openmpt_free_string(message);
    }
    loaded->module.reset(m);
    return loaded;
}

struct Render {
    std::vector<float> left, right;
};

// Renders up to `seconds` of the song (less if it ends first).
inline Render render(openmpt_module* m, int rate, double seconds)
{
    Render r;
    const size_t total = static_cast<size_t>(seconds * rate);
    r.left.resize(total);
    r.right.resize(total);
    size_t done = 0;
    while (done < total) {
        const size_t want = total - done < 4096 ? total - done : 4096;
        const size_t got = openmpt_module_read_float_stereo(m, rate, want, r.left.data() + done, r.right.data() + done);
        if (got == 0) break;
        done += got;
    }
    r.left.resize(done);
    r.right.resize(done);
    return r;
}

}  // namespace probe
