// Median-cut colour quantisation: a colour table fitted to a picture.
#pragma once

#include <windows.h>

#include <vector>

class PPixo;

namespace kromo {

// At most `colours` entries: the picture's own colours, most frequent first,
// when there are no more of them; otherwise the means of median-cut boxes of
// a 5-5-5 histogram.
std::vector<RGBQUAD> FitPalette(const PPixo& image, int colours);

}  // namespace kromo
