// Runs a built executable as a user would, with its output captured, for black-box tests.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace vesko::testing {

struct Finished {
    int exitStatus = -1;  // -1: did not exit by itself in time
    std::string out;      // standard output, "\r\n" folded to "\n" on Windows
    std::string err;      // standard error, likewise
};

// Runs `exe` with `args`, `input` as its whole standard input (a pipe that
// then ends; none at all when empty), and waits for it to end.
Finished runToEnd(const std::string& exe, const std::vector<std::string>& args,
                  const std::string& input = "");

// A running child with standard input from a pipe, or from a pseudo-terminal
// as a user's console would be (POSIX builds only).
class Child {
public:
    enum class Input { pipe, terminal };
    Child(const std::string& exe, const std::vector<std::string>& args, Input input = Input::pipe);
    ~Child();  // kills the child if it still runs
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Collects output until standard output holds `count` copies of `text`,
    // or `timeout` passes; true when it does.
    bool waitForOutput(const std::string& text, std::size_t count, std::chrono::milliseconds timeout);
    // Writes `keys` to the child's standard input.
    void send(const std::string& keys);
    // Ends the child's standard input.
    void closeInput();
    // Stops reading the child's standard output, as a reader that exits
    // early does: its next write there fails (POSIX builds only).
    void closeOutput();
    // With a terminal as input: whether it is in canonical mode with echo, as a shell leaves it.
    bool terminalIsCooked() const;
    // Sends `sig` to the child.
    void signal(int sig);
    // Collects output until the child exits or `timeout` passes; its status, or -1.
    int waitForExit(std::chrono::milliseconds timeout);

    const std::string& out() const;
    const std::string& err() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// How many times `text` (not empty) occurs in `haystack`, not overlapping.
inline std::size_t countOf(const std::string& haystack, const std::string& text) {
    if (text.empty()) return 0;
    std::size_t n = 0;
    for (auto at = haystack.find(text); at != std::string::npos; at = haystack.find(text, at + text.size())) {
        ++n;
    }
    return n;
}

// A path from the build system as the child process can open it: under Wine
// a POSIX path becomes one on Wine's Z: drive; elsewhere it is unchanged.
std::string hostPath(const std::string& path);

}  // namespace vesko::testing
