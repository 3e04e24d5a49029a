// Whether an output would land on one of the command's inputs.
#pragma once

#include <initializer_list>
#include <string>

namespace vesko {

// True when `a` and `b` name one file: the same file on the disk when both
// exist (through links too), otherwise the same path once made absolute.
bool namesSameFile(const std::string& a, const std::string& b);

// A file a command reads or writes, and what named it on the command line
// ("--config", "capture").
struct NamedFile {
    const char* option;
    const std::string& path;  // empty: not given
};

// When an output names one of the inputs or an earlier output, says so on
// standard error, naming both ("check: --json a.json is the --config file:
// ..."), and returns true: the command is then refused before any work.
bool outputsOverlap(const char* command, std::initializer_list<NamedFile> outputs,
                    std::initializer_list<NamedFile> inputs);

}  // namespace vesko
