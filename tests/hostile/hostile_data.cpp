#include "hostile/hostile_data.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "xm/xm_writer.h"

namespace hostile {

namespace {

void append(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void no_flush(png_structp) {}

int channels_of(int color_type)
{
    switch (color_type) {
        case PNG_COLOR_TYPE_GRAY:
            return 1;
        case PNG_COLOR_TYPE_PALETTE:
            return 1;
        case PNG_COLOR_TYPE_GRAY_ALPHA:
            return 2;
        case PNG_COLOR_TYPE_RGB:
            return 3;
        case PNG_COLOR_TYPE_RGB_ALPHA:
            return 4;
    }
    throw std::invalid_argument("make_png: unknown colour type");
}

// Sample c of pixel (x, y), scaled to `max`.
unsigned sample(int x, int y, int c, unsigned max, int w, int h)
{
    const double u = w > 1 ? double(x) / (w - 1) : 0.5, v = h > 1 ? double(y) / (h - 1) : 0.5;
    const double s[4] = {u, v, 0.5 + 0.5 * std::sin(6.0 * (u + v)), 0.25 + 0.75 * u};
    return static_cast<unsigned>(std::lround(s[c % 4] * max));
}

}  // namespace

std::vector<uint8_t> make_png(const PngLayout& l)
{
    const int channels = channels_of(l.color_type);
    const unsigned max = (1u << l.bit_depth) - 1;
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        throw std::runtime_error("make_png: libpng refused the layout");
    }
    png_set_write_fn(png, &out, append, no_flush);
    png_set_IHDR(png, info, l.width, l.height, l.bit_depth, l.color_type, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    if (l.color_type == PNG_COLOR_TYPE_PALETTE) {
        for (unsigned i = 0; i <= max; ++i)
            palette.push_back({static_cast<png_byte>(255 * i / max), static_cast<png_byte>(255 - 255 * i / max),
                               static_cast<png_byte>(i * 37)});
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    png_write_info(png, info);
    const size_t row_bytes = (static_cast<size_t>(l.width) * channels * l.bit_depth + 7) / 8;
    std::vector<uint8_t> row(row_bytes);
    for (int y = 0; y < l.height; ++y) {
        std::fill(row.begin(), row.end(), 0);
        for (int x = 0; x < l.width; ++x)
            for (int c = 0; c < channels; ++c) {
                const unsigned s = sample(x, y, c, max, l.width, l.height);
                const size_t bit = (static_cast<size_t>(x) * channels + c) * l.bit_depth;
                if (l.bit_depth == 16) {
                    row[bit / 8] = static_cast<uint8_t>(s >> 8);
                    row[bit / 8 + 1] = static_cast<uint8_t>(s);
                } else {
                    row[bit / 8] |= static_cast<uint8_t>(s << (8 - l.bit_depth - bit % 8));
                }
            }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<uint8_t> make_bmp(int width, int height)
{
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t pixels = stride * static_cast<uint32_t>(height);
    std::vector<uint8_t> b;
    auto u16 = [&](uint32_t v) {
        b.push_back(v & 0xff);
        b.push_back((v >> 8) & 0xff);
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xffff);
        u16(v >> 16);
    };
    b.push_back('B');
    b.push_back('M');
    u32(54 + pixels);
    u32(0);
    u32(54);  // file header
    u32(40);
    u32(width);
    u32(height);
    u16(1);
    u16(24);
    u32(0);  // BITMAPINFOHEADER, BI_RGB
    u32(pixels);
    u32(2835);
    u32(2835);
    u32(0);
    u32(0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) b.push_back(static_cast<uint8_t>(sample(x, y, c, 255, width, height)));
        b.resize(b.size() + stride - static_cast<uint32_t>(width) * 3, 0);
    }
    return b;
}

namespace {

// Which pattern each order plays: 0 the fast one, 1 the end (order 20),
// 2 the trap that jumps back to order 0.
std::vector<uint8_t> order_list(const QuickSong& song)
{
    std::vector<uint8_t> orders(static_cast<size_t>(song.orders), 0);
    if (song.orders > 20) orders[20] = 1;
    if (song.trap_at_start) orders[0] = 2;
    return orders;
}

}  // namespace

std::vector<uint8_t> quick_xm(const QuickSong& song)
{
    xm::Module m;
    m.name = "hostile quick song";
    m.channels = 2;
    m.speed = 1;  // one tick per row: 20 ms at 125 BPM
    m.bpm = 125;
    const uint8_t ins = song.instruments ? 1 : 0;
    if (song.instruments) {
        xm::Instrument instrument;
        instrument.name = "sine";
        xm::Sample s;
        s.data.resize(64);
        for (int i = 0; i < 64; ++i) s.data[i] = static_cast<int16_t>(8000 * std::sin(i * 0.0982));
        s.loop = xm::LoopType::forward;
        s.loop_length = 64;
        instrument.samples.push_back(s);
        m.instruments.push_back(instrument);
    }
    xm::Pattern fast = xm::make_pattern(4, m.channels);
    for (int r = 0; r < 4; ++r) fast.at(r, 0) = {xm::note(4, r), ins};
    xm::Pattern end = xm::make_pattern(8, m.channels);
    end.at(0, 0) = {xm::note(5, 0), ins};
    end.at(2, 0) = {xm::note(5, 4), ins, 0, xm::fx::set_speed, 0x1F};  // 31 ticks
    end.at(2, 1) = {0, 0, 0, xm::fx::set_speed, 0x20};                 // 32 BPM: 78 ms a tick
    end.at(3, 0) = {0, 0, 0, xm::fx::set_speed, 0x01};
    end.at(3, 1) = {0, 0, 0, xm::fx::set_speed, 0x7D};
    xm::Pattern trap = xm::make_pattern(4, m.channels);
    trap.at(0, 0) = {xm::note(3, 0), ins};
    trap.at(3, 1) = {0, 0, 0, xm::fx::position_jump, 0x00};
    m.patterns = {fast, end, trap};
    m.orders = order_list(song);
    return xm::write_xm(m);
}

std::vector<uint8_t> quick_mod(const QuickSong& song)
{
    std::vector<uint8_t> b(1084, 0);
    const char title[] = "hostile quick song";
    std::copy(title, title + sizeof title - 1, b.begin());
    // Sample 1: 64 bytes (32 words), full volume, looped whole.
    uint8_t* s1 = &b[20];
    s1[22] = 0;
    s1[23] = 32;  // length in words, big-endian
    s1[25] = 64;  // volume
    s1[26] = 0;
    s1[27] = 0;  // loop start
    s1[28] = 0;
    s1[29] = 32;                                           // loop length
    for (int i = 1; i < 31; ++i) b[20 + 30 * i + 29] = 1;  // empty samples: loop length 1 word
    const std::vector<uint8_t> orders = order_list(song);
    b[950] = static_cast<uint8_t>(orders.size());
    b[951] = 127;
    std::copy(orders.begin(), orders.end(), b.begin() + 952);
    b[1080] = 'M';
    b[1081] = '.';
    b[1082] = 'K';
    b[1083] = '.';

    const int sample = song.instruments ? 1 : 0;
    // The loader takes the highest pattern in the order table as the last one
    // stored; anything after it is sample data.
    const int last_pattern = *std::max_element(orders.begin(), orders.end());
    int written = 0;
    auto pattern = [&](auto fill) {
        if (written++ > last_pattern) return;
        std::vector<uint8_t> p(64 * 4 * 4, 0);
        auto cell = [&](int row, int ch, int period, int effect, int param) {
            uint8_t* c = &p[static_cast<size_t>((row * 4 + ch) * 4)];
            const int smp = period ? sample : 0;
            c[0] = static_cast<uint8_t>((smp & 0xF0) | (period >> 8));
            c[1] = static_cast<uint8_t>(period & 0xFF);
            c[2] = static_cast<uint8_t>(((smp & 0x0F) << 4) | effect);
            c[3] = static_cast<uint8_t>(param);
        };
        fill(cell);
        b.insert(b.end(), p.begin(), p.end());
    };
    // ProTracker periods: C-2 428, E-2 339, G-2 285.
    pattern([](auto cell) {  // fast: speed 1, four rows
        cell(0, 0, 428, 0xF, 0x01);
        cell(1, 0, 339, 0, 0);
        cell(2, 0, 285, 0, 0);
        cell(3, 1, 0, 0xD, 0x00);
    });
    pattern([](auto cell) {  // end: row 2 lasts 31 ticks at 32 BPM
        cell(0, 0, 428, 0xF, 0x01);
        cell(2, 0, 339, 0xF, 0x1F);
        cell(2, 1, 0, 0xF, 0x20);
        cell(3, 0, 0, 0xF, 0x01);
        cell(3, 1, 0, 0xF, 0x7D);
        cell(7, 2, 0, 0xD, 0x00);
    });
    pattern([](auto cell) {  // trap: back to order 0
        cell(0, 0, 428, 0xF, 0x01);
        cell(3, 1, 0, 0xB, 0x00);
    });
    for (int i = 0; i < 64; ++i) b.push_back(static_cast<uint8_t>(i < 32 ? 40 : -40));
    return b;
}

}  // namespace hostile
