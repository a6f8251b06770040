#pragma once

#include <QStringList>
#include <iosfwd>
#include <string_view>

class QuadrelDlg;

// The application: creates the document and the main window and runs the window until it
// closes.
class QuadrelApp {
public:
    // Returns false: once the window has closed there is nothing left to run.
    bool initInstance();
};

// `quadrel FILE`, as a file manager starts the program: opens FILE in the window as "Choisir..."
// would. A file that cannot be read leaves the window as it is and one line on errors says why.
// With no argument nothing happens; arguments after the first are ignored.
void openFileOfCommandLine(QuadrelDlg& window, const QStringList& arguments, std::ostream& errors);

// What `quadrel --help` prints, in French; the manual page is made from it too.
std::string_view commandLineHelp();
