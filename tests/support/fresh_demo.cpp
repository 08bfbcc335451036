#include "support/fresh_demo.h"

#include "core/base/random.h"
#include "core/base/sync_state.h"
#include "core/panel_scenes.h"
#include "effects/arc_rings.h"
#include "effects/branch_walkers.h"
#include "effects/choice_table.h"
#include "effects/flicker_lines.h"
#include "effects/petal_rings.h"
#include "effects/pulsing_squares.h"
#include "effects/quad_subdivision.h"
#include "effects/triangle_subdivision.h"

void fresh_demo()
{
    sync_reset_for_test();
    demo_rand_reset_for_test();
    choice_table_reset_for_test();
    triangle_reset_for_test();
    quad_reset_for_test();
    arc_rings_reset_for_test();
    branch_walkers_reset_for_test();
    flicker_lines_reset_for_test();
    petal_rings_reset_for_test();
    pulsing_squares_reset_for_test();
    panel_scenes_reset_for_test();
}
