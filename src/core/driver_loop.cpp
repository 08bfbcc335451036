#include "core/driver_loop.h"

#include "core/schedule.h"

bool driver_frame(DriverState* state, const FrameDriver& driver)
{
    FrameInputs in;
    const MusicPosition at = driver.music();
    in.order = at.order;
    in.row = at.row;
    in.t = driver.clock();
    in.layer_mask = state->layer_mask;
    if (driver.draw)
        driver.draw(in);
    else
        draw_frame(in.order, in.t, in.layer_mask);
    step_layer_mask(state->layer_mask);
    driver.present(in);
    return !(driver.stop && driver.stop(in));
}

void run_driver_loop(const FrameDriver& driver)
{
    DriverState state{};
    while (driver_frame(&state, driver)) {}
}
