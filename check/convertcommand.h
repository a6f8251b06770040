#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// The exit statuses of quadrel-convert.
enum ConvertStatus {
    CONVERT_DONE = 0,    // the output is written; warnings are allowed
    // the output is written, but some box or mesh had to be left out; or a CSV of shapes has
    // errors, and nothing is written
    CONVERT_PARTLY = 1,
    CONVERT_NOTHING = 2, // nothing is written: unreadable input, wrong arguments, failed save
};

// quadrel-convert INPUT -o OUTPUT [options]: converts between BOX files and models, writes its
// report to out and what went wrong with the command itself to err, and returns the exit status.
int runConvertCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err);
