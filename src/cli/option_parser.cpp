#include "cli/option_parser.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

// Thrown from an option's callback to stop at the first refusal, as a
// hand-written loop would; CLI11 lets exceptions of other types pass.
struct Refused {
    std::string message;
};

// "data,data-dir" -> "--data,--data-dir"
std::string cli_names(const std::string& names)
{
    std::string out = "--";
    for (char c : names) out += c == ',' ? std::string(",--") : std::string(1, c);
    return out;
}

std::string first_name(const std::string& names) { return "--" + names.substr(0, names.find(',')); }

std::string joined(const std::vector<std::string>& words)
{
    std::string out;
    for (const std::string& w : words) out += " " + w;
    return out;
}

// A flag: CLI11 hands it "true" when given bare, else the text after '='.
void add_flag(CLI::App* app, const std::string& names, std::function<void()> given)
{
    const std::string name = first_name(names);
    app->add_option(cli_names(names),
                    [name, given](const CLI::results_t& words) {
                        if (words.size() != 1 || words[0] != "true")
                            throw Refused{name + "=" + (words.empty() ? "" : words[0]) + ": takes no value"};
                        return given(), true;
                    })
        ->expected(0)
        ->trigger_on_parse();
}

// A word CLI11 left over: a dash in front makes it an option we do not know.
std::string leftover(const std::string& word)
{
    const bool option = word.size() > 1 && word[0] == '-';
    return (option ? "unknown option: " : "unexpected argument: ") + word;
}

}  // namespace

ParseStatus parse_options(int argc, char** argv, const std::vector<CliOption>& options, std::string* error)
{
    CLI::App app;
    app.set_help_flag();  // --help prints the tool's own usage text
    app.allow_extras();   // left-over words get this parser's messages, below
    bool help = false;
    add_flag(&app, "help", [&] {
        help = true;
        throw Refused{};
    });
    for (const CliOption& o : options) {
        const std::string name = first_name(o.names);
        auto take = [&o, name](const std::vector<std::string>& words) {
            const std::string wanted = o.take(words);
            if (!wanted.empty()) throw Refused{name + joined(words) + ": wanted " + wanted};
        };
        if (o.max_words == 0) {
            add_flag(&app, o.names, [take] { take({}); });
            continue;
        }
        app.add_option(cli_names(o.names), [take](const CLI::results_t& words) { return take(words), true; })
            ->expected(o.min_words, o.max_words)
            ->trigger_on_parse();  // each time the option appears, in command-line order: the last one wins
    }

    try {
        app.parse(argc, argv);
    } catch (const Refused& r) {
        // A word that came before the refused option was refused first.
        if (!app.remaining().empty()) return *error = leftover(app.remaining().front()), ParseStatus::Error;
        if (help) return ParseStatus::Help;
        return *error = r.message, ParseStatus::Error;
    } catch (const CLI::ArgumentMismatch&) {
        if (!app.remaining().empty()) return *error = leftover(app.remaining().front()), ParseStatus::Error;
        // Every value is taken whatever it looks like, so a value can only be
        // missing at the end of the line. ("--fps=" with nothing after the
        // '=' takes the next word, unlike getopt.)
        return *error = std::string("option needs a value: ") + argv[argc - 1], ParseStatus::Error;
    } catch (const CLI::ParseError& e) {
        // None known to reach here (the callbacks refuse with Refused); CLI11's own line.
        return *error = e.what(), ParseStatus::Error;
    }
    if (!app.remaining().empty()) return *error = leftover(app.remaining().front()), ParseStatus::Error;
    return ParseStatus::Ok;
}

int answer_parse(ParseStatus status, const char* program, const std::string& error, const char* usage)
{
    switch (status) {
        case ParseStatus::Help:
            std::fputs(usage, stdout);
            return 0;
        case ParseStatus::Error:
            std::fprintf(stderr, "%s: %s\n\n%s", program, error.c_str(), usage);
            return 2;
        case ParseStatus::Ok:
            break;
    }
    return -1;
}

bool read_whole(const std::string& text, int64_t lo, int64_t hi, int64_t* value)
{
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno || end == text.c_str() || *end || v < lo || v > hi) return false;
    *value = v;
    return true;
}

bool read_positive(const std::string& text, double* value)
{
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end == text.c_str() || *end || !(v > 0) || v > 1e6) return false;
    *value = v;
    return true;
}

std::string whole_wanted(int64_t lo, int64_t hi)
{
    if (hi == std::numeric_limits<int64_t>::max() || hi == std::numeric_limits<int>::max())
        return lo == 1 ? "a positive whole number" : lo == 0 ? "a whole number from 0" : "a whole number";
    return "a whole number from " + std::to_string(lo) + " to " + std::to_string(hi);
}

CliOption flag_option(const std::string& names, bool* target, bool value_when_given)
{
    return {names, 0, 0, [=](const std::vector<std::string>&) { return *target = value_when_given, std::string(); }};
}

CliOption text_option(const std::string& names, std::string* target)
{
    return {names, 1, 1, [=](const std::vector<std::string>& w) { return *target = w[0], std::string(); }};
}

CliOption int_option(const std::string& names, int64_t* target, int64_t lo, int64_t hi)
{
    return {names, 1, 1, [=](const std::vector<std::string>& w) {
                return read_whole(w[0], lo, hi, target) ? std::string() : whole_wanted(lo, hi);
            }};
}

CliOption int_option(const std::string& names, int* target, int lo, int hi)
{
    return {names, 1, 1, [=](const std::vector<std::string>& w) {
                int64_t v = 0;
                if (!read_whole(w[0], lo, hi, &v)) return whole_wanted(lo, hi);
                *target = static_cast<int>(v);
                return std::string();
            }};
}

CliOption positive_option(const std::string& names, double* target, const std::string& wanted)
{
    return {names, 1, 1,
            [=](const std::vector<std::string>& w) { return read_positive(w[0], target) ? std::string() : wanted; }};
}

CliOption noting_given(CliOption option, bool* given)
{
    OptionTake take = std::move(option.take);
    option.take = [take, given](const std::vector<std::string>& w) {
        std::string wanted = take(w);
        if (wanted.empty()) *given = true;
        return wanted;
    };
    return option;
}
