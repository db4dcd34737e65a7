#include "tests/support/process.h"

#include <windows.h>

namespace fixture {
namespace {

// One argument as the C runtime's parser reads it back: quoted where it is empty or
// holds a blank or a quote, with a quote and the backslashes before it, or before the
// closing quote, escaped.
void appendArgument(std::wstring& line, const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
}

std::wstring wide(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end())).wstring();
}

// A handle the child inherits as its standard input or output.
HANDLE inheritable(const std::filesystem::path& file, bool forWriting) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    const std::wstring name = file.empty() ? L"NUL" : file.wstring();
    return CreateFileW(name.c_str(), forWriting ? GENERIC_WRITE : GENERIC_READ,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       forWriting ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

StartedProgram::StartedProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::filesystem::path& folder,
                               const std::filesystem::path& out, const std::filesystem::path& err) {
    std::wstring line;
    appendArgument(line, wide(program));
    for (const std::string& argument : arguments) {
        line += L' ';
        appendArgument(line, wide(argument));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritable({}, false);
    startup.hStdOutput = inheritable(out, true);
    startup.hStdError = inheritable(err, true);
    PROCESS_INFORMATION process{};
    const std::wstring where = folder.wstring();
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       where.empty() ? nullptr : where.c_str(), &startup, &process)) {
        CloseHandle(process.hThread);
        handle_ = reinterpret_cast<std::intptr_t>(process.hProcess);
    }
    for (const HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
}

StartedProgram::~StartedProgram() {
    wait();
}

int StartedProgram::wait() {
    if (handle_ == kNone)
        return status_;
    const HANDLE process = reinterpret_cast<HANDLE>(handle_);
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    status_ = GetExitCodeProcess(process, &code) ? static_cast<int>(code) : -1;
    CloseHandle(process);
    handle_ = kNone;
    return status_;
}

bool createNew(const std::filesystem::path& file, std::string_view contents) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(handle, contents.data(), static_cast<DWORD>(contents.size()),
                              &written, nullptr) &&
                    written == contents.size();
    CloseHandle(handle);
    return ok;
}

} // namespace fixture
