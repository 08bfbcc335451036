// Runs a program to its end with a time limit, capturing both output streams.
#pragma once
#include <string>
#include <vector>

struct ProcessResult {
    int status = -1;         // exit status, or -1 when killed or not started
    bool timed_out = false;  // killed after the limit
    std::string out, err;
};

// argv[0] is the program: a path, or a name looked up in PATH; env entries
// are "NAME=value" added to ours.
ProcessResult run_process(const std::vector<std::string>& argv, const std::string& workdir,
                          const std::vector<std::string>& env, double limit_seconds);
