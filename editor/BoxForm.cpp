#include "BoxForm.h"

#include "box.h"

namespace {

constexpr HexFormat four = HexFormat::FourDigits;
constexpr HexFormat eight = HexFormat::EightDigits;
constexpr std::size_t centerValue = Box::planeTextCount;

constexpr std::array<FieldPair, fieldPairCount> pairs{{
    {1037, 1023, four, 0},
    {1038, 1024, four, 1},
    {1039, 1026, four, 2},
    {1040, 1028, eight, 3},
    {1045, 1041, four, 4},
    {1046, 1042, four, 5},
    {1047, 1043, four, 6},
    {1048, 1044, eight, 7},
    {1069, 1065, four, 8},
    {1070, 1066, four, 9},
    {1071, 1067, four, 10},
    {1072, 1068, eight, 11},
    {1061, 1057, four, 12},
    {1062, 1058, four, 13},
    {1063, 1059, four, 14},
    {1064, 1060, eight, 15},
    {1077, 1073, four, 16},
    {1078, 1074, four, 17},
    {1079, 1075, four, 18},
    {1080, 1076, eight, 19},
    {1053, 1049, four, 20},
    {1054, 1050, four, 21},
    {1055, 1051, four, 22},
    {1056, 1052, eight, 23},
    {1021, 1018, eight, centerValue},
    {1022, 1019, eight, centerValue + 1},
    {1025, 1020, eight, centerValue + 2},
}};

} // namespace

const std::array<FieldPair, fieldPairCount>& fieldPairs() {
    return pairs;
}

BoxText& valueOf(Box& box, const FieldPair& pair) {
    if (pair.boxValue < centerValue) {
        return box.planeText(pair.boxValue);
    }
    return box.centerText(pair.boxValue - centerValue);
}
