#include "capture/event_map.h"

bool event_map_open(EventMap* map, const std::string& path, int rate)
{
    map->file = std::fopen(path.c_str(), "w");
    map->rate = rate;
    if (!map->file) return false;
    std::fputs("sample\tseconds\torder\trow\tkind\tinstrument\tchannel\n", map->file);
    return true;
}

std::string event_map_line(const MusicEvent& e, int rate)
{
    char line[128];
    const double seconds = static_cast<double>(e.sample) / rate;
    const unsigned long long sample = e.sample;
    if (e.kind == MusicEventKind::Row)
        std::snprintf(line, sizeof line, "%llu\t%.6f\t%d\t%d\trow\t\t", sample, seconds, e.order, e.row);
    else
        std::snprintf(line, sizeof line, "%llu\t%.6f\t%d\t%d\ttrigger\t%d\t%d", sample, seconds, e.order, e.row,
                      e.instrument, e.channel);
    return line;
}

void event_map_add(EventMap* map, const MusicEvent& e)
{
    if (!map->file) return;
    std::fputs(event_map_line(e, map->rate).c_str(), map->file);
    std::fputc('\n', map->file);
}

bool event_map_close(EventMap* map)
{
    if (!map->file) return true;
    const bool ok = !std::ferror(map->file);
    const bool closed = std::fclose(map->file) == 0;
    map->file = nullptr;
    return ok && closed;
}
