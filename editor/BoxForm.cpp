#include "BoxForm.h"

#include "box.h"

namespace {

constexpr HexFormat four = HexFormat::FourDigits;
constexpr HexFormat eight = HexFormat::EightDigits;

constexpr std::array<FieldPair, fieldPairCount> pairs{{
    {1037, 1023, four, boxslot::plane(0)},   {1038, 1024, four, boxslot::plane(1)},
    {1039, 1026, four, boxslot::plane(2)},   {1040, 1028, eight, boxslot::plane(3)},
    {1045, 1041, four, boxslot::plane(4)},   {1046, 1042, four, boxslot::plane(5)},
    {1047, 1043, four, boxslot::plane(6)},   {1048, 1044, eight, boxslot::plane(7)},
    {1069, 1065, four, boxslot::plane(8)},   {1070, 1066, four, boxslot::plane(9)},
    {1071, 1067, four, boxslot::plane(10)},  {1072, 1068, eight, boxslot::plane(11)},
    {1061, 1057, four, boxslot::plane(12)},  {1062, 1058, four, boxslot::plane(13)},
    {1063, 1059, four, boxslot::plane(14)},  {1064, 1060, eight, boxslot::plane(15)},
    {1077, 1073, four, boxslot::plane(16)},  {1078, 1074, four, boxslot::plane(17)},
    {1079, 1075, four, boxslot::plane(18)},  {1080, 1076, eight, boxslot::plane(19)},
    {1053, 1049, four, boxslot::plane(20)},  {1054, 1050, four, boxslot::plane(21)},
    {1055, 1051, four, boxslot::plane(22)},  {1056, 1052, eight, boxslot::plane(23)},
    {1021, 1018, eight, boxslot::centre(0)}, {1022, 1019, eight, boxslot::centre(1)},
    {1025, 1020, eight, boxslot::centre(2)},
}};

} // namespace

const std::array<FieldPair, fieldPairCount>& fieldPairs() {
    return pairs;
}

BoxText& valueOf(Box& box, const FieldPair& pair) {
    return boxTextAt(box, pair.slot);
}
