#pragma once

#include <sstream>
#include <string>
#include <vector>

// The lines of a text, without their line ends; a last line end starts no line.
inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        lines.push_back(line);
    }
    return lines;
}
