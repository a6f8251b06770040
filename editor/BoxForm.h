#pragma once

#include "orlclass.h"

#include <array>
#include <cstddef>
#include <string>

class Box;

// One numeric value of a box as the form shows it: a decimal field beside a hexadecimal field
// that holds the stored text, converted in the value's format.
struct FieldPair {
    int decimalId;
    int hexId;
    HexFormat format;
    // Which text of a box the pair stands for, as a slot of boxTextAt.
    std::size_t slot;
};

inline constexpr std::size_t fieldPairCount = 27;

// The 27 pairs: plane 0 a to plane 5 d, then the centre X, Y and Z.
const std::array<FieldPair, fieldPairCount>& fieldPairs();

// The box's text that the pair stands for.
BoxText& valueOf(Box& box, const FieldPair& pair);

// The fields and labels of the form that stand alone: the ID, the maximum radius, the number of
// boxes, the path of the current file and the rank of the box last shown.
inline constexpr int idFieldId = 1013;
inline constexpr int radiusFieldId = 1015;
inline constexpr int countLabelId = 1004;
inline constexpr int pathLabelId = 1006;
inline constexpr int rankLabelId = 1086;
