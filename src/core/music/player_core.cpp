#include "core/music/player_core.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "core/music/fmod_api.h"

namespace {

// libopenmpt's note values: 1..120 are notes; key off, cut and fade sit above.
constexpr uint8_t kNoteMax = 120;

const char* cell_text(openmpt_module* mod, int pat, int row, int ch, int what, char* buf, size_t n)
{
    const char* s = openmpt_module_format_pattern_row_channel_command(mod, pat, row, ch, what);
    buf[0] = 0;
    if (s) {
        std::strncpy(buf, s, n - 1);
        buf[n - 1] = 0;
        openmpt_free_string(s);
    }
    return buf;
}

// S3M and IT name their effects A to Z; MOD and XM use digits for the first
// sixteen, so tone portamento is "3"/"5" there and "G"/"L" in the others.
bool uses_mod_letters(openmpt_module* mod)
{
    const char* type = openmpt_module_get_metadata(mod, "type");
    const bool mod_or_xm = type && (std::strcmp(type, "mod") == 0 || std::strcmp(type, "xm") == 0);
    openmpt_free_string(type);
    return mod_or_xm;
}

// Reads the cells once, so the audio thread asks libopenmpt nothing but audio
// and the position.
void build_patterns(PlayerCore* c)
{
    const int num_patterns = openmpt_module_get_num_patterns(c->mod);
    const bool mod_letters = uses_mod_letters(c->mod);
    const char glide_a = mod_letters ? '3' : 'G', glide_b = mod_letters ? '5' : 'L';
    const char extended = mod_letters ? 'E' : 'S';  // EDx/EEx, SDx/SEx
    c->patterns.assign(static_cast<size_t>(std::max(num_patterns, 0)), CorePattern{});
    char effect[8], volume[8];
    for (int p = 0; p < num_patterns; ++p) {
        CorePattern& pat = c->patterns[static_cast<size_t>(p)];
        pat.rows = std::max(openmpt_module_get_pattern_num_rows(c->mod, p), 0);
        pat.cells.assign(static_cast<size_t>(pat.rows * c->channels), CoreCell{});
        pat.row_delay.assign(static_cast<size_t>(pat.rows), 0);
        for (int r = 0; r < pat.rows; ++r) {
            for (int ch = 0; ch < c->channels; ++ch) {
                CoreCell& cell = pat.cells[static_cast<size_t>(r * c->channels + ch)];
                const uint8_t note =
                    openmpt_module_get_pattern_row_channel_command(c->mod, p, r, ch, OPENMPT_MODULE_COMMAND_NOTE);
                cell.note_on = note >= 1 && note <= kNoteMax;
                cell.instrument =
                    openmpt_module_get_pattern_row_channel_command(c->mod, p, r, ch, OPENMPT_MODULE_COMMAND_INSTRUMENT);
                const uint8_t param =
                    openmpt_module_get_pattern_row_channel_command(c->mod, p, r, ch, OPENMPT_MODULE_COMMAND_PARAMETER);
                // The effect's own letter, as the format writes it: libopenmpt's
                // numeric effect codes are internal and not stable.
                const char letter =
                    cell_text(c->mod, p, r, ch, OPENMPT_MODULE_COMMAND_EFFECT, effect, sizeof effect)[0];
                const char vol_letter =
                    cell_text(c->mod, p, r, ch, OPENMPT_MODULE_COMMAND_VOLUMEEFFECT, volume, sizeof volume)[0];
                cell.glide = letter == glide_a || letter == glide_b || vol_letter == 'g';
                if (letter == extended) {
                    if ((param >> 4) == 0xD) cell.delay = param & 0xF;
                    if ((param >> 4) == 0xE) pat.row_delay[static_cast<size_t>(r)] = param & 0xF;
                }
            }
        }
    }
}

const CorePattern* pattern_of(const PlayerCore* c, int order)
{
    if (order < 0 || order >= c->num_orders) return nullptr;
    const int p = c->order_pattern[static_cast<size_t>(order)];
    if (p < 0 || p >= static_cast<int>(c->patterns.size())) return nullptr;
    return &c->patterns[static_cast<size_t>(p)];
}

// After a jump in the order list, the channels' current instruments are the
// last ones named before the target, read straight down the order list.
void rebuild_channel_instruments(PlayerCore* c, int order)
{
    std::memset(c->chan_instrument, 0, sizeof c->chan_instrument);
    for (int o = 0; o < order; ++o) {
        const CorePattern* pat = pattern_of(c, o);
        if (!pat) continue;
        for (int r = 0; r < pat->rows; ++r)
            for (int ch = 0; ch < c->channels; ++ch) {
                const CoreCell& cell = pat->cells[static_cast<size_t>(r * c->channels + ch)];
                if (cell.instrument && !cell.glide) c->chan_instrument[ch] = cell.instrument;
            }
    }
}

void push(MusicEvent* events, int* count, const MusicEvent& ev) { events[(*count)++] = ev; }

// The cells of the current row that sound on tick `tick` of it.
void emit_triggers(PlayerCore* c, int tick, MusicEvent* events, int* count)
{
    const CorePattern* pat = pattern_of(c, c->order);
    if (!pat || c->row < 0 || c->row >= pat->rows) return;
    // A row held by pattern delay plays its ticks again: a delayed note sounds
    // on every pass, an undelayed one on the first tick only; a delay of the
    // speed or more never comes.
    const int pass_tick = tick % std::max(c->speed, 1);
    for (int ch = 0; ch < c->channels; ++ch) {
        const CoreCell& cell = pat->cells[static_cast<size_t>(c->row * c->channels + ch)];
        if (cell.delay == 0 ? tick != 0 : cell.delay != pass_tick) continue;
        // A glide bends the note already playing: its instrument number
        // changes nothing, not even what later notes on the channel play.
        if (cell.glide) continue;
        if (cell.instrument) c->chan_instrument[ch] = cell.instrument;
        if (!cell.note_on) continue;
        const uint8_t ins = c->chan_instrument[ch];
        if (!ins || ins > c->num_instruments) continue;  // nothing yet, or no such instrument: silence
        MusicEvent ev{};
        ev.sample = c->sample;
        ev.kind = MusicEventKind::Trigger;
        ev.instrument = static_cast<uint8_t>(ins - 1);
        ev.channel = static_cast<uint8_t>(ch);
        ev.order = static_cast<int16_t>(c->order);
        ev.row = static_cast<int16_t>(c->row);
        push(events, count, ev);
    }
}

size_t read_audio(PlayerCore* c, int16_t* out, size_t samples)
{
    if (c->ended) {
        std::memset(out, 0, samples * 2 * sizeof(int16_t));
        return samples;
    }
    const size_t n = openmpt_module_read_interleaved_stereo(c->mod, c->rate, samples, out);
    if (n < samples) {
        c->ended = true;
        std::memset(out + 2 * n, 0, (samples - n) * 2 * sizeof(int16_t));
    }
    return samples;
}

void restart_order(PlayerCore* c, int order);

// The first sample of a tick has just been rendered: libopenmpt has processed
// the tick, so its position, speed and tempo are the tick's own. False when a
// held order sent the song back instead: the tick starts again.
bool on_tick_start(PlayerCore* c, MusicEvent* events, int* count)
{
    const int order = openmpt_module_get_current_order(c->mod);
    const int row = openmpt_module_get_current_row(c->mod);
    if (c->loop_order >= 0 && order != c->loop_order) {
        // One sample of the next order has sounded; the held order's row 0
        // follows from the next one, with its Row event and triggers.
        restart_order(c, c->loop_order);
        return false;
    }
    const int tempo = std::max(openmpt_module_get_current_tempo(c->mod), 1);
    c->tick_samples = std::max(tick_samples(c->rate, tempo), 1);

    // A row starts where the position moves, after a set-order, or where the
    // row's ticks run out at an unchanged position (a jump or loop onto itself).
    const bool new_row = c->force_row || order != c->order || row != c->row || c->tick_in_row + 1 >= c->row_ticks;
    if (new_row) {
        c->force_row = false;
        c->order = order;
        c->row = row;
        c->speed = std::max(openmpt_module_get_current_speed(c->mod), 1);
        const CorePattern* pat = pattern_of(c, order);
        const int delay = (pat && row >= 0 && row < pat->rows) ? pat->row_delay[static_cast<size_t>(row)] : 0;
        c->row_ticks = c->speed * (1 + delay);
        c->tick_in_row = 0;
        MusicEvent ev{};
        ev.sample = c->sample;
        ev.kind = MusicEventKind::Row;
        ev.order = static_cast<int16_t>(order);
        ev.row = static_cast<int16_t>(row);
        push(events, count, ev);
    } else {
        ++c->tick_in_row;
    }
    emit_triggers(c, c->tick_in_row, events, count);
    return true;
}

void restart_order(PlayerCore* c, int order)
{
    openmpt_module_set_position_order_row(c->mod, order, 0);
    // libopenmpt plays the new row from the next sample on, cutting the tick short.
    c->tick_left = 0;
    c->force_row = true;
    c->ended = false;
    rebuild_channel_instruments(c, order);
}

}  // namespace

int player_core_open(PlayerCore* c, const void* data, size_t size, int rate)
{
    *c = PlayerCore{};
    if (rate < 8000 || rate > 192000) return FMOD_ERR_INVALID_PARAM;
    if (size == 0) return FMOD_ERR_FILE_FORMAT;
    if (!data) return FMOD_ERR_INVALID_PARAM;
    if (size > kMaxModuleBytes) return FMOD_ERR_MEMORY;
    int error = OPENMPT_ERROR_OK;
    openmpt_module* mod = openmpt_module_create_from_memory2(
        data, size, openmpt_log_func_silent, nullptr, openmpt_error_func_store, nullptr, &error, nullptr, nullptr);
    if (!mod) return error == OPENMPT_ERROR_OUT_OF_MEMORY ? FMOD_ERR_MEMORY : FMOD_ERR_FILE_FORMAT;
    const int channels = openmpt_module_get_num_channels(mod);
    const int orders = openmpt_module_get_num_orders(mod);
    if (channels < 1 || channels > kMaxChannels || orders < 1) {
        openmpt_module_destroy(mod);
        return FMOD_ERR_FILE_FORMAT;
    }
    // -1: loop for ever, back to the restart position at the end.
    openmpt_module_set_repeat_count(mod, -1);
    // No dither: the same song renders the same samples on every run and in
    // any block size, which the capture driver and the tests rely on.
    openmpt_module_ctl_set_integer(mod, "dither", 0);
    c->mod = mod;
    c->rate = rate;
    c->channels = channels;
    c->num_orders = orders;
    // Cells of a module without instruments (MOD, S3M) name samples.
    c->num_instruments = openmpt_module_get_num_instruments(mod);
    if (c->num_instruments <= 0) c->num_instruments = openmpt_module_get_num_samples(mod);
    try {
        c->order_pattern.resize(static_cast<size_t>(orders));
        for (int o = 0; o < orders; ++o)
            c->order_pattern[static_cast<size_t>(o)] = openmpt_module_get_order_pattern(mod, o);
        build_patterns(c);
    } catch (const std::bad_alloc&) {
        player_core_close(c);
        return FMOD_ERR_MEMORY;
    }
    c->order = -1;
    c->row = -1;
    c->force_row = true;
    return FMOD_ERR_NONE;
}

void player_core_close(PlayerCore* c)
{
    if (c->mod) openmpt_module_destroy(c->mod);
    *c = PlayerCore{};
}

size_t player_core_render(PlayerCore* c, int16_t* out, size_t samples, MusicEvent* events, int capacity, int* count)
{
    *count = 0;
    size_t done = 0;
    if (!c->mod) return 0;
    while (done < samples) {
        if (c->tick_left == 0) {
            if (capacity - *count < kMaxEventsPerTick) break;
            read_audio(c, out + 2 * done, 1);
            const bool started = c->ended || on_tick_start(c, events, count);
            c->tick_left = started ? c->tick_samples - 1 : 0;
            c->sample += 1;
            done += 1;
            continue;
        }
        const size_t n = std::min(static_cast<size_t>(c->tick_left), samples - done);
        read_audio(c, out + 2 * done, n);
        if (!c->ended && (openmpt_module_get_current_row(c->mod) != c->row ||
                          openmpt_module_get_current_order(c->mod) != c->order)) {
            // The row changed inside what should be one tick: start over at
            // the next sample instead of missing the row.
            ++c->resyncs;
            c->force_row = true;
            c->tick_left = 0;
        } else {
            c->tick_left -= static_cast<int>(n);
        }
        c->sample += n;
        done += n;
    }
    return done;
}

int player_core_set_order(PlayerCore* c, int order)
{
    if (!c->mod || order < 0 || order >= c->num_orders) return FMOD_ERR_INVALID_PARAM;
    restart_order(c, order);
    return FMOD_ERR_NONE;
}

int player_core_loop_order(PlayerCore* c, int order)
{
    if (order < -1 || order >= c->num_orders) return FMOD_ERR_INVALID_PARAM;
    c->loop_order = order;
    return FMOD_ERR_NONE;
}

double player_core_position_seconds(const PlayerCore* c)
{
    return c->mod ? openmpt_module_get_position_seconds(c->mod) : 0.0;
}

void player_core_restart(PlayerCore* c)
{
    if (!c->mod) return;
    player_core_set_order(c, 0);
    std::memset(c->chan_instrument, 0, sizeof c->chan_instrument);
}
