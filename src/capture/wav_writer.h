// A streaming WAV writer: 16-bit stereo PCM, the sizes patched in at close.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct WavWriter {
    std::FILE* file;
    int rate;
    uint64_t samples;  // stereo samples written so far
    bool failed;       // a write went wrong; close reports it
};

// Creates the file and writes a header for `rate` Hz. False (errno set) on failure.
bool wav_open(WavWriter* wav, const std::string& path, int rate);
// Appends `samples` stereo samples (2 * samples interleaved values).
void wav_write(WavWriter* wav, const int16_t* pcm, size_t samples);
void wav_write_silence(WavWriter* wav, size_t samples);
// Fills in the sizes and closes; false when anything failed. Safe on a closed writer.
bool wav_close(WavWriter* wav);
