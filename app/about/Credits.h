// The credits text: each component's name, a line of 80 hyphens and its licence as the
// component publishes it, collected from the packages' own files when the IDE is built.
// UTF-8 with CR LF line ends.
#pragma once

#include <cstddef>

extern const unsigned char kCreditsText[];
extern const std::size_t kCreditsTextSize;
