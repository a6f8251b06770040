#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// The exit statuses of quadrel-check.
enum CheckStatus {
    CHECK_CLEAN = 0,      // no file has an error; warnings are allowed
    CHECK_ERRORS = 1,     // some file has an error
    CHECK_UNREADABLE = 2, // a file could not be read, or the arguments are wrong
};

// quadrel-check [OPTION]... FILE...: checks each file, writes its report to out
// and what went wrong with the command itself to err, and returns the exit status.
int runCheckCommand(const std::vector<std::string>& arguments, std::ostream& out,
                    std::ostream& err);
