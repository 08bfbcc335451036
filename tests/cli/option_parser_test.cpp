// The parser the capture and the bench share: its forms, its messages and its
// readers. The tools' own tests cover their option tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cli/option_parser.h"

namespace {

struct Values {
    int count = 0;
    std::string name;
    bool flag = false;
    std::vector<std::string> pair;
};

std::vector<CliOption> table(Values* v)
{
    return {
        int_option("count", &v->count, 1, 10),
        text_option("name,old-name", &v->name),
        flag_option("flag", &v->flag, true),
        {"pair", 1, 2,
         [v](const std::vector<std::string>& w) -> std::string {
             if (w[0] == "bad" || (w.size() > 1 && w[1] == "bad")) return "no bad words";
             return v->pair = w, "";
         }},
    };
}

struct Parsed {
    ParseStatus status;
    Values values;
    std::string error;
};

Parsed parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "tool");
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    Parsed p;
    p.status = parse_options(static_cast<int>(args.size()), argv.data(), table(&p.values), &p.error);
    return p;
}

}  // namespace

TEST(OptionParser, TakesBothFormsTheSecondSpellingAndTheLastOfARepeat)
{
    const Parsed p = parse({"--count", "3", "--name=a", "--flag", "--count=7", "--old-name", "b", "--flag"});
    ASSERT_EQ(p.status, ParseStatus::Ok) << p.error;
    EXPECT_EQ(p.values.count, 7);
    EXPECT_EQ(p.values.name, "b");
    EXPECT_TRUE(p.values.flag);
    EXPECT_FALSE(parse({}).values.flag);
}

TEST(OptionParser, AValueIsTheNextWordWhateverItLooksLike)
{
    EXPECT_EQ(parse({"--name", "-y"}).values.name, "-y");
    EXPECT_EQ(parse({"--name", "--flag"}).values.name, "--flag");
    EXPECT_EQ(parse({"--name", ""}).status, ParseStatus::Ok);
}

TEST(OptionParser, ASecondWordIsTakenOnlyWhenItIsNoOption)
{
    const Parsed two = parse({"--pair", "a", "b", "--flag"});
    ASSERT_EQ(two.status, ParseStatus::Ok) << two.error;
    EXPECT_EQ(two.values.pair, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(two.values.flag);
    const Parsed one = parse({"--pair", "a", "--flag"});
    ASSERT_EQ(one.status, ParseStatus::Ok) << one.error;
    EXPECT_EQ(one.values.pair, (std::vector<std::string>{"a"}));
    EXPECT_EQ(parse({"--pair", "a", "b", "c"}).error, "unexpected argument: c");
    EXPECT_EQ(parse({"--pair", "a", "bad"}).error, "--pair a bad: wanted no bad words");
}

TEST(OptionParser, RefusesWithOneLineNamingTheWordAndWhatWasWanted)
{
    EXPECT_EQ(parse({"--count", "0"}).error, "--count 0: wanted a whole number from 1 to 10");
    EXPECT_EQ(parse({"--count=11"}).error, "--count 11: wanted a whole number from 1 to 10");
    EXPECT_EQ(parse({"--bogus"}).error, "unknown option: --bogus");
    EXPECT_EQ(parse({"--bogus=1"}).error, "unknown option: --bogus=1");
    EXPECT_EQ(parse({"-c"}).error, "unknown option: -c");
    EXPECT_EQ(parse({"--flag", "--count"}).error, "option needs a value: --count");
    EXPECT_EQ(parse({"--flag=x"}).error, "--flag=x: takes no value");
    EXPECT_EQ(parse({"--flag=false"}).error, "--flag=false: takes no value");
    EXPECT_EQ(parse({"19"}).error, "unexpected argument: 19");
    EXPECT_EQ(parse({"--flag", "stray", "--count", "2"}).error, "unexpected argument: stray");
    EXPECT_EQ(parse({"--", "--flag"}).status, ParseStatus::Error);
    for (const char* word : {"--count", "--bogus", "19"}) EXPECT_EQ(parse({word}).status, ParseStatus::Error) << word;
}

TEST(OptionParser, TheFirstRefusalOrHelpOnTheLineDecides)
{
    EXPECT_EQ(parse({"--bogus", "--count", "0"}).error, "unknown option: --bogus");
    EXPECT_EQ(parse({"--count", "0", "--bogus"}).error, "--count 0: wanted a whole number from 1 to 10");
    EXPECT_EQ(parse({"--help", "--count", "0"}).status, ParseStatus::Help);
    EXPECT_EQ(parse({"--count", "3", "--help"}).status, ParseStatus::Help);
    const Parsed refused_first = parse({"--count", "0", "--help"});
    EXPECT_EQ(refused_first.status, ParseStatus::Error);
    EXPECT_EQ(parse({"stray", "--help"}).error, "unexpected argument: stray");
}

TEST(OptionParser, WholeNumbersArePlainDecimalInRange)
{
    int64_t v = 0;
    EXPECT_TRUE(read_whole("010", 0, 100, &v));
    EXPECT_EQ(v, 10);
    EXPECT_TRUE(read_whole("-3", INT64_MIN, INT64_MAX, &v));
    EXPECT_EQ(v, -3);
    for (const char* bad : {"", "0x10", "1e3", "20.5", "30fps", "twenty", "101", "-1", "99999999999999999999"}) {
        v = 42;
        EXPECT_FALSE(read_whole(bad, 0, 100, &v)) << bad;
        EXPECT_EQ(v, 42) << bad;  // a refusal leaves the value as it was
    }
    EXPECT_EQ(whole_wanted(0, 51), "a whole number from 0 to 51");
    EXPECT_EQ(whole_wanted(1, INT64_MAX), "a positive whole number");
    EXPECT_EQ(whole_wanted(INT32_MIN, INT32_MAX), "a whole number");
}

TEST(OptionParser, PositiveNumbersAreAboveZeroAndBounded)
{
    double v = 0;
    EXPECT_TRUE(read_positive("2.5", &v));
    EXPECT_EQ(v, 2.5);
    EXPECT_TRUE(read_positive("1e6", &v));
    for (const char* bad : {"0", "-1", "abc", "", "nan", "inf", "1e7", "2s"})
        EXPECT_FALSE(read_positive(bad, &v)) << bad;
}
