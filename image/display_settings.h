#pragma once
#include <cstdint>

// How one image is shown: kept with the image record, stored in both file
// formats (back and range only) and carried by the apply-settings message.
// zoom is a step 0..4 meaning 1:4, 1:2, 1:1, 2:1, 4:1.
struct DisplaySettings {
    int32_t back = 100;
    int32_t range = 1000;
    int32_t smooth = 0;
    int32_t autoContrast = 0;
    int32_t invert = 0;
    int32_t zoom = 2;

    friend bool operator==(const DisplaySettings&, const DisplaySettings&) = default;
};
