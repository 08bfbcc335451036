// The one percentile every printed figure uses: nearest rank.
#include <gtest/gtest.h>

#include "core/music/percentile.h"

TEST(Percentile, NearestRankPicksOneOfTheValuesWhateverTheInputOrder)
{
    const std::vector<double> v = {9, 1, 8, 2, 7, 3, 6, 4, 5, 10};  // 1..10 shuffled
    EXPECT_EQ(percentile(v, 50), 5);                                // rank 5 of 10: the lower middle value, not 5.5
    EXPECT_EQ(percentile(v, 90), 9);                                // rank 9
    EXPECT_EQ(percentile(v, 91), 10);                               // rank ceil(9.1) = 10
    EXPECT_EQ(percentile(v, 0), 1);
    EXPECT_EQ(percentile(v, 100), 10);
    EXPECT_EQ(percentile(v, 250), 10);  // clamped
    EXPECT_EQ(percentile(v, -5), 1);
}

TEST(Percentile, P99OfSixtyIsTheSlowestButOfAHundredIsNot)
{
    std::vector<double> sixty, hundred;
    for (int i = 1; i <= 60; ++i) sixty.push_back(i);
    for (int i = 1; i <= 100; ++i) hundred.push_back(i);
    EXPECT_EQ(percentile(sixty, 99), 60);
    // 0.99 * 100 is a hair above 99 in binary: still rank 99.
    EXPECT_EQ(percentile(hundred, 99), 99);
    EXPECT_EQ(percentile(hundred, 50), 50);
}

TEST(Percentile, EmptyGivesZeroAndOneValueGivesItself)
{
    EXPECT_EQ(percentile({}, 50), 0);
    EXPECT_EQ(percentile({4.5}, 1), 4.5);
    EXPECT_EQ(percentile({4.5}, 99), 4.5);
}
