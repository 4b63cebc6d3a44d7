#include "decon/run_selection.h"

#include <algorithm>

DeconRect RunSelection(const DeconRect* selection, int32_t width, int32_t height) {
    const DeconRect whole{kRunEdgeMargin, kRunEdgeMargin, height - kRunEdgeMargin,
                          width - kRunEdgeMargin};
    if (selection == nullptr) return whole;
    return {std::max(selection->top, whole.top), std::max(selection->left, whole.left),
            std::min(selection->bottom, whole.bottom), std::min(selection->right, whole.right)};
}
