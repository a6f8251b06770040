#pragma once

#include "safefile.h"

#include <iosfwd>
#include <string>

// Before a file is opened: puts back the old content that a save cut short left in a complete
// copy beside it, and says on errors what happened. A file whose copy could not be put back is
// not to be opened: it may hold only a part of the content that save wrote.
SaveRecovery recoverBeforeOpening(const std::string& path, std::ostream& errors);
