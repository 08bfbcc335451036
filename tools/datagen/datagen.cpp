#include "datagen/datagen.h"

#include <cstdio>
#include <fstream>

#include "core/base/demo_data.h"
#include "datagen/cow.h"
#include "datagen/paint.h"
#include "datagen/png_out.h"
#include "datagen/song.h"

namespace datagen {

std::vector<std::string> data_file_names()
{
    return std::vector<std::string>(std::begin(kDataFiles), std::end(kDataFiles));
}

std::vector<DataFile> generate_all()
{
    const auto names = data_file_names();
    std::vector<DataFile> files;
    files.push_back({names[0], xm::write_xm(make_song())});
    for (int i = 0; i < kPaintingCount; ++i) files.push_back({names[1 + i], encode_png(make_painting(i))});
    files.push_back({names[7], encode_png(make_cow())});
    return files;
}

bool write_all(const std::string& folder)
{
    for (const DataFile& f : generate_all()) {
        const std::string path = folder + "/" + f.name;
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(f.bytes.data()), static_cast<std::streamsize>(f.bytes.size()));
        if (!out) {
            std::fprintf(stderr, "drensolk-datagen: cannot write %s\n", path.c_str());
            return false;
        }
    }
    return true;
}

}  // namespace datagen
