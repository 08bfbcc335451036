#include "core/start_up.h"

#include "core/base/textures.h"
#include "effects/warm_up.h"

void load_pictures(const char* folder)
{
    upload_pictures(folder);
    warm_up_drawing();
}
