// Child processes for the black-box tests on Windows: CreateProcessW with output to temp files.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app_process.h"

namespace vesko::testing {

namespace {

std::wstring widen(const std::string& s) {
    return std::wstring(s.begin(), s.end());  // the tests pass ASCII only
}

// One argument quoted so that the C runtime's parser gives it back unchanged.
std::wstring quoted(const std::wstring& arg) {
    std::wstring q = L"\"";
    std::size_t slashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        q.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
        slashes = 0;
        q.push_back(c);
    }
    q.append(2 * slashes, L'\\');
    return q + L"\"";
}

HANDLE inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, disposition,
                       FILE_ATTRIBUTE_TEMPORARY, nullptr);
}

std::wstring tempFile(const wchar_t* prefix) {
    wchar_t dir[MAX_PATH];
    wchar_t file[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    GetTempFileNameW(dir, prefix, 0, file);
    return file;
}

std::string slurpText(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string s = text.str();
    std::string folded;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) folded.push_back(s[i]);
    }
    return folded;
}

// The read end of a pipe that holds `input` and then ends, for the child.
HANDLE pipeHolding(const std::string& input) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &sa, 0)) return INVALID_HANDLE_VALUE;
    SetHandleInformation(write, HANDLE_FLAG_INHERIT, 0);
    DWORD written = 0;
    WriteFile(write, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(write);
    return read;
}

}  // namespace

Finished runToEnd(const std::string& exe, const std::vector<std::string>& args, const std::string& input) {
    std::wstring commandLine = quoted(widen(hostPath(exe)));
    for (const std::string& a : args) commandLine += L" " + quoted(widen(a));
    const std::wstring outPath = tempFile(L"hvo"), errPath = tempFile(L"hve");
    HANDLE in = input.empty() ? inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING) : pipeHolding(input);
    HANDLE out = inheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = inheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &si, &pi);
    for (HANDLE h : {in, out, err}) CloseHandle(h);
    Finished result;
    if (started) {
        DWORD code = 0;
        if (WaitForSingleObject(pi.hProcess, 60'000) == WAIT_OBJECT_0 &&
            GetExitCodeProcess(pi.hProcess, &code)) {
            result.exitStatus = static_cast<int>(code);
        } else {
            TerminateProcess(pi.hProcess, 1);
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    result.out = slurpText(outPath);
    result.err = slurpText(errPath);
    DeleteFileW(outPath.c_str());
    DeleteFileW(errPath.c_str());
    if (!started) throw std::runtime_error("cannot start " + exe);
    return result;
}

std::string hostPath(const std::string& path) {
    if (path.empty() || path.front() != '/') return path;
    std::string windows = "Z:" + path;
    for (char& c : windows) {
        if (c == '/') c = '\\';
    }
    return windows;
}

}  // namespace vesko::testing
