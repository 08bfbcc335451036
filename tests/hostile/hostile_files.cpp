#include "hostile/hostile_files.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <utility>

#include <unistd.h>

namespace hostile {

void write_file(const fs::path& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::vector<uint8_t> read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path case_folder(const std::string& name)
{
    const fs::path dir = fs::path(DRENSOLK_BINARY_DIR) / "hostile-test" / name;
    if (fs::exists(dir)) {
        // An unreadable file left by an interrupted run must not stop the clean-up.
        for (const auto& e : fs::recursive_directory_iterator(dir))
            fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir);
    }
    return demo_data_copy(dir);
}

std::optional<ProcessResult> run_demo_with_unreadable(const fs::path& dir, const std::string& file,
                                                      std::vector<std::string> args, double limit_seconds,
                                                      std::string* why_not)
{
    const fs::path path = dir / file;
    fs::permissions(path, fs::perms::none);
    std::vector<std::string> prefix;
    if (geteuid() == 0) {
        // Root reads any file through CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH;
        // without them in the bounding set, its exec'd child is held to the mode.
        prefix = {"setpriv", "--bounding-set=-dac_override,-dac_read_search"};
        std::vector<std::string> probe = prefix;
        probe.insert(probe.end(), {"test", "-r", path.string()});
        const ProcessResult p = run_process(probe, dir.string(), {}, 10);
        if (p.status != 1) {
            fs::permissions(path, fs::perms::owner_all);
            *why_not = "running as root, and setpriv could not drop the capabilities that read past file modes: " +
                       describe(p);
            return std::nullopt;
        }
    }
    ProcessResult r = ::run_demo(dir, std::move(args), kHeadless, limit_seconds, prefix);
    fs::permissions(path, fs::perms::owner_all);
    return r;
}

std::string describe(const ProcessResult& r)
{
    std::ostringstream s;
    if (r.timed_out)
        s << "still running at the time limit";
    else if (r.status < 0)
        s << "killed by a signal";
    else
        s << "exit status " << r.status;
    s << "\n--- stdout ---\n" << r.out << "--- stderr ---\n" << r.err;
    return s.str();
}

bool has_crash_report(const ProcessResult& r)
{
    for (const std::string* text : {&r.out, &r.err})
        for (const char* mark : {"Sanitizer", "runtime error:", "Segmentation fault", "Aborted", "terminate called",
                                 "double free", "corrupted"})
            if (text->find(mark) != std::string::npos) return true;
    return false;
}

}  // namespace hostile
