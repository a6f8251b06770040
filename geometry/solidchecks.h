#pragma once

#include <string_view>

struct BoxValues;
struct Solid;
class ProblemReporter;

// The checks of the solid a box's numbers make: unit normals, a closed solid, opposite planes
// facing each other, the centre inside and the radius reaching every corner. Reported on the
// box the reporter is on.
void checkSolidOfBox(std::string_view radiusText, const BoxValues& values, const Solid& solid,
                     ProblemReporter& reporter);
