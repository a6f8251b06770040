#include "checkcommand.h"

#include <iostream>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// The program works in UTF-8, as the document's file access expects its paths.
std::string utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return std::string();
    }
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    result.pop_back();
    return result;
}

// The reports are UTF-8, like the file names they quote: the console shows them as such while
// the checker runs, and gets its own code page back afterwards.
class Utf8Console {
public:
    Utf8Console() : previous_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    ~Utf8Console() {
        if (previous_ != 0) {
            SetConsoleOutputCP(previous_);
        }
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    UINT previous_;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(utf8(argv[i]));
    }
    const Utf8Console console;
    return runCheckCommand(arguments, std::cout, std::cerr);
}
