// The byte table: when it fills, where reads start, and the wrap at its end.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "core/base/demo_data.h"
#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "effects/choice_table.h"
#include "effects/quad_subdivision.h"
#include "effects/triangle_subdivision.h"
#include "support/fresh_demo.h"
#include "support/gl_recorder.h"

namespace {

class ChoiceTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        glrec::reset();
        fresh_demo();
    }
    // A table of exactly these bytes, with both layers' fills already done.
    static void use_bytes(std::vector<uint8_t> bytes)
    {
        ChoiceTable = std::move(bytes);
        triangle_needs_fill = false;
        quad_needs_fill = false;
    }
    static bool has_fill_starting_at(Vec2 p, size_t from)
    {
        const auto fills = glrec::batches_of(GL_TRIANGLES);
        for (size_t i = from; i < fills.size(); ++i)
            if (fills[i].vertices[0].x == p.x && fills[i].vertices[0].y == p.y) return true;
        return false;
    }
};

TEST_F(ChoiceTableTest, EmptyUntilTheFirstLayerFrameWhichFillsBeforeItReads)
{
    EXPECT_TRUE(ChoiceTable.empty());
    EXPECT_EQ(choice_cursor, 0);
    EXPECT_TRUE(triangle_needs_fill);
    EXPECT_TRUE(quad_needs_fill);

    // The first three draws of the fill; only their low 8 bits are kept.
    demo_rand_queue_for_test({0x7f07, 0x12ff, 0x0100});
    triangle_layer(0.0);

    ASSERT_EQ(ChoiceTable.size(), 100000u);
    EXPECT_EQ(demo_rand_count(), 100000u);
    EXPECT_EQ(ChoiceTable[0], 0x07);
    EXPECT_EQ(ChoiceTable[1], 0xff);
    EXPECT_EQ(ChoiceTable[2], 0x00);
    EXPECT_FALSE(triangle_needs_fill);
    EXPECT_TRUE(quad_needs_fill);
    // The root read byte 7 in the same frame: all three corner children exist.
    EXPECT_TRUE(has_fill_starting_at(Vec2(0.5f, 0.2f), 1));
    EXPECT_TRUE(has_fill_starting_at(Vec2(1.0f, 0.8f), 1));
    EXPECT_TRUE(has_fill_starting_at(Vec2(0.0f, 0.8f), 1));
}

TEST_F(ChoiceTableTest, EachLayersFirstFrameAppendsItsShareOnce)
{
    st(sync_state.jump_count, 40);
    triangle_layer(0.0);
    ASSERT_EQ(ChoiceTable.size(), 100000u);
    const std::vector<uint8_t> first = ChoiceTable;

    quad_layer(0.0);
    ASSERT_EQ(ChoiceTable.size(), 200000u);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), ChoiceTable.begin()));
    EXPECT_EQ(demo_rand_count(), 200000u);
    // Reads still start at jump_count, inside the first share.
    EXPECT_GT(choice_cursor, 40);
    EXPECT_LE(choice_cursor, 40 + 5460);

    triangle_layer(0.1);
    quad_layer(0.1);
    EXPECT_EQ(ChoiceTable.size(), 200000u);
    EXPECT_EQ(demo_rand_count(), 200000u);

    // The other way round (the demo started at order 16): the quads fill first.
    choice_table_reset_for_test();
    quad_layer(0.2);
    EXPECT_EQ(ChoiceTable.size(), 100000u);
    EXPECT_TRUE(triangle_needs_fill);
    triangle_layer(0.2);
    EXPECT_EQ(ChoiceTable.size(), 200000u);
}

TEST_F(ChoiceTableTest, SameJumpCountTakesTheSameBytesEveryFrame)
{
    st(sync_state.jump_count, 7);
    auto frame = [] {
        glrec::reset();
        quad_layer(1.25);
        std::vector<float> xy;
        for (const auto& v : glrec::vertices_of(GL_QUADS)) xy.insert(xy.end(), {v.x, v.y});
        return xy;
    };
    const std::vector<float> first = frame();
    const int32_t end_first = choice_cursor;
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(frame(), first);
    EXPECT_EQ(choice_cursor, end_first);
}

TEST_F(ChoiceTableTest, OneMoreTriggerStartsOneByteLater)
{
    std::vector<uint8_t> bytes(1000, 0);
    bytes[1] = 7;  // only the second byte lets the triangle root split
    use_bytes(bytes);

    triangle_layer(0.0);
    EXPECT_EQ(glrec::batches_of(GL_TRIANGLES).size(), 1u);
    EXPECT_EQ(choice_cursor, 1);

    sync_apply_instrument(role::crash, 0);
    glrec::reset();
    triangle_layer(0.1);
    EXPECT_EQ(glrec::batches_of(GL_TRIANGLES).size(), 4u);
    EXPECT_EQ(choice_cursor, 5);  // root and three childless children from index 1
}

TEST_F(ChoiceTableTest, ReadsWrapToTheStartOfTheTable)
{
    EXPECT_EQ(take_choice(), 0);  // empty table: no read at all

    use_bytes({10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
    choice_cursor = 8;
    EXPECT_EQ(take_choice(), 18);
    EXPECT_EQ(take_choice(), 19);
    EXPECT_EQ(take_choice(), 10);
    EXPECT_EQ(take_choice(), 11);
    EXPECT_EQ(choice_cursor, 12);

    // Even a cursor that runs over the 32-bit range stays inside the table.
    choice_cursor = INT_MAX;
    EXPECT_EQ(take_choice(), 10 + INT_MAX % 10);
    EXPECT_EQ(take_choice(), 10 + ((INT_MIN % 10) + 10) % 10);
}

TEST_F(ChoiceTableTest, QuadFrameNearTheEndReadsOnFromTheStart)
{
    // Only the last byte and the first 5459 split; everything else is 0.
    std::vector<uint8_t> bytes(100000, 0);
    for (int i = 0; i < 5459; ++i) bytes[i] = 1;
    bytes[99999] = 1;
    use_bytes(bytes);
    st(sync_state.jump_count, 99999);

    quad_layer(0.5);
    size_t quads = 0;
    for (const PaintedPrim& p : quad_painter.prims) quads += !p.lines;
    EXPECT_EQ(quads, 5440u);
    EXPECT_EQ(glrec::vertex_count(), 4 * quad_painter.prims.size());
    EXPECT_EQ(choice_cursor, 99999 + 5460);
}

}  // namespace
