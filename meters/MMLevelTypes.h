#pragma once

#include <cstdint>

enum TMMLevelKind : std::uint8_t { lkHorizontal = 0, lkVertical = 1 };
enum TMMLevelDirection : std::uint8_t { dirNormal = 0, dirReversed = 1, dirSymetric = 2 };
enum TMMScalePos : std::uint8_t { spAboveOrLeft = 0, spBelowOrRight = 1, spBoth = 2 };
