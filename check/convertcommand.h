#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// The exit statuses of quadrel-convert, as quadrel-check's.
enum ConvertStatus {
    CONVERT_DONE = 0,       // converted, with nothing to report
    CONVERT_ERRORS = 1,     // the input has errors: reported, and written only where it says so
    CONVERT_UNREADABLE = 2, // the input could not be read or the output written, or wrong arguments
};

// quadrel-convert [--json] INPUT -o OUTPUT: converts between the formats its extensions name,
// writes what it reports to out and what went wrong with the command itself to err, and returns
// the exit status.
int runConvertCommand(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err);
