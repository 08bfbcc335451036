// The real demo binary on hostile data: a working folder per case and a
// headless run with a time limit.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/run_process.h"
#include "core/base/demo_data.h"
#include "hostile/hostile_data.h"

namespace hostile {

namespace fs = std::filesystem;

void write_file(const fs::path& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> read_file(const fs::path& path);

// A fresh working folder under the build tree with the generated pictures and
// module; callers then replace or remove what their case needs.
fs::path case_folder(const std::string& name);

// The demo binary run headless in `dir`.
inline ProcessResult run_demo(const fs::path& dir, std::vector<std::string> args, double limit_seconds)
{
    return ::run_demo(dir, std::move(args), kHeadless, limit_seconds);
}

// Makes `file` unreadable (mode 000) and runs the demo so that the mode
// holds: as root, under setpriv without the two capabilities that let root
// read past file modes. Sets `why_not` and returns nothing when neither works
// here (root without setpriv, or not allowed to drop capabilities). The mode
// is restored afterwards.
std::optional<ProcessResult> run_demo_with_unreadable(const fs::path& dir, const std::string& file,
                                                      std::vector<std::string> args, double limit_seconds,
                                                      std::string* why_not);

// What a run came to, for the failure messages and the case table.
std::string describe(const ProcessResult& r);

// True when the output carries a sanitizer report or a crash message.
bool has_crash_report(const ProcessResult& r);

}  // namespace hostile
