// Generating the long captures once, running a lab command as a child and reading its peak memory.
#include "lab_command_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <utility>

#include "long_capture.h"

extern char** environ;

namespace vesko::bench {

namespace {

namespace fs = std::filesystem;

// zlib's fastest level: a day compresses in about a minute, and reads as fast
// as the default level's file (measured: within 5 %).
constexpr int kBenchGzipLevel = 1;
constexpr double kKilobytesPerMegabyte = 1024.0;

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// The captures this process wrote, removed with it (gigabytes each).
class GeneratedCaptures {
public:
    ~GeneratedCaptures() {
        std::error_code ec;
        for (const auto& entry : paths_) fs::remove(entry.second, ec);
    }
    const std::string& get(int hours, bool gzip) {
        const auto key = std::make_pair(hours, gzip);
        const auto found = paths_.find(key);
        if (found != paths_.end()) return found->second;
        const std::string name = "headvane-bench-" + std::to_string(hours) + "h-" + std::to_string(::getpid()) +
                                 (gzip ? ".csv.gz" : ".csv");
        const std::string path = (fs::temp_directory_path() / name).string();
        const std::string error = writeLongCapture(path, hours, gzip ? kBenchGzipLevel : 0, true);
        if (!error.empty()) throw std::runtime_error(error);
        return paths_.emplace(key, path).first->second;
    }

private:
    std::map<std::pair<int, bool>, std::string> paths_;
};

}  // namespace

const std::string& longCapture(int hours, bool gzip) {
    static GeneratedCaptures captures;
    return captures.get(hours, gzip);
}

ChildRun runChild(const std::vector<std::string>& argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return {};
    int status = 0;
    struct rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid) return {};
    return {WIFEXITED(status) && WEXITSTATUS(status) == 0, static_cast<double>(usage.ru_maxrss) / kKilobytesPerMegabyte,
            seconds(usage.ru_utime) + seconds(usage.ru_stime)};
}

void registerDayVariants(const std::string& name, CommandBenchmark run) {
    const char* asked = std::getenv("HEADVANE_BENCH_DAY");
    if (asked == nullptr || std::string(asked) != "1") return;
    for (const bool gzip : {false, true}) {
        benchmark::RegisterBenchmark((name + (gzip ? "Gzip" : "")).c_str(),
                                     [run, gzip](benchmark::State& s) { run(s, 24, gzip); })
            ->Unit(benchmark::kSecond)
            ->UseRealTime()
            ->Iterations(1);
    }
}

}  // namespace vesko::bench
