// The command line of drensolk-capture and drensolk-bench: one parser (CLI11
// underneath), one set of value readers and one form for every message, so the
// same option reads and refuses the same way in both tools. Each tool declares
// its options as a list of CliOption and keeps its own usage text.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class ParseStatus { Ok, Help, Error };

// Takes the words given to one option; returns "" when they are taken, else
// what the option wants ("a whole number from 1 to 240"), which the parser
// turns into "--NAME WORDS: wanted ...".
using OptionTake = std::function<std::string(const std::vector<std::string>& words)>;

struct CliOption {
    std::string names;  // "fps", or "data,data-dir" for a second spelling; no dashes
    int min_words = 1;  // 0 and 0: a flag
    int max_words = 1;  // more than min_words: the extra words are taken while they do not start with '-'
    OptionTake take;
};

// Reads argv[1..argc-1] against `options` plus --help, in command-line order;
// an option given twice is taken twice (the last one wins). Long options only,
// "--name value" or "--name=value". Returns Help at --help, Error with one line
// in `error` at the first refusal:
//   "unknown option: --bogus", "option needs a value: --fps",
//   "unexpected argument: 19", or "--fps 0: wanted a whole number from 1 to 240".
// Neither prints nor exits; safe to call again (tests).
ParseStatus parse_options(int argc, char** argv, const std::vector<CliOption>& options, std::string* error);

// What a tool's main does with the outcome: on Help prints `usage` to stdout
// and returns 0; on Error prints "program: error", a blank line and `usage`
// to stderr and returns 2; on Ok prints nothing and returns -1 (go on).
int answer_parse(ParseStatus status, const char* program, const std::string& error, const char* usage);

// Ready-made options. Whole numbers are plain decimal ("010" is ten, "0x10"
// and "1e3" are refused) within [lo, hi].
CliOption flag_option(const std::string& names, bool* target, bool value_when_given);
CliOption text_option(const std::string& names, std::string* target);
CliOption int_option(const std::string& names, int* target, int lo, int hi);
CliOption int_option(const std::string& names, int64_t* target, int64_t lo, int64_t hi);
// A number above 0 and at most 1e6, such as seconds: "2.5".
CliOption positive_option(const std::string& names, double* target, const std::string& wanted);
// `option` that also sets *given when its words are taken.
CliOption noting_given(CliOption option, bool* given);

// The readers under those options, for options with a form of their own.
bool read_whole(const std::string& text, int64_t lo, int64_t hi, int64_t* value);
bool read_positive(const std::string& text, double* value);
// "a whole number from 1 to 240"; with no useful bound, "a whole number" or
// "a positive whole number".
std::string whole_wanted(int64_t lo, int64_t hi);
