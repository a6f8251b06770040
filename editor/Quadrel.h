#pragma once

// The application: creates the document and the main window and runs the window until it
// closes.
class QuadrelApp {
public:
    // Returns false: once the window has closed there is nothing left to run.
    bool initInstance();
};
