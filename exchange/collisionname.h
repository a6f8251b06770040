#pragma once

#include <string_view>

// Whether a mesh's name marks it as a collision shape in the usual conventions of game pipelines:
// a "UBX_" or "UCX_" prefix, or a "-col", "-colonly" or "-convcolonly" suffix, in any case.
bool isCollisionName(std::string_view name);
