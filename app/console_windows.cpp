#include "app/console.h"
#include "platform/system/windows_text.h"

#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#include <windows.h>

namespace app {
namespace {

bool isConsole(DWORD standardHandle) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(standardHandle), &mode);
}

} // namespace

Console::Console(int argc, char** argv) {
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            arguments_.push_back(platform::utf8(wide[i]));
        LocalFree(wide);
    } else {
        arguments_.assign(argv, argv + argc);
    }
    for (std::string& argument : arguments_)
        pointers_.push_back(argument.data());
    pointers_.push_back(nullptr);

    // The bytes go out as written, lines ending in "\n" as on every other system: in text
    // mode the C library would add "\r" to each, and to a console it would pass the text
    // through the C locale, which takes each byte of UTF-8 for a character of its own.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // A console shows those bytes in its output code page, which is not UTF-8 unless set
    // so; a file or a pipe takes them unchanged. The console is shared with the shell that
    // started the program, so its code page is put back at the end.
    if (isConsole(STD_OUTPUT_HANDLE) || isConsole(STD_ERROR_HANDLE)) {
        const UINT previous = GetConsoleOutputCP();
        if (previous != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
            restoreCodePage_ = previous;
    }
    // Unbuffered, the C library writes a message byte by byte, and a console that gets a
    // character's bytes in separate writes may show it as replacement characters.
    if (isConsole(STD_ERROR_HANDLE))
        std::setvbuf(stderr, nullptr, _IOFBF, 4096);
}

Console::~Console() {
    std::fflush(stdout);
    std::fflush(stderr);
    if (restoreCodePage_ != 0)
        SetConsoleOutputCP(restoreCodePage_);
}

bool Console::errorIsTerminal() const {
    return isConsole(STD_ERROR_HANDLE);
}

} // namespace app
