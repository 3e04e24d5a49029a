// CPU share of headvane-lab-sim record at 1000 samples/s, the whole process, from getrusage.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

double seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Runs the recorder for `duration` seconds and returns its user + system CPU seconds.
double recordCpuSeconds(const std::string& out, int duration) {
    const pid_t child = fork();
    if (child == 0) {
        // No keys in, and the progress line would only cost the terminal's time.
        const int quiet = open("/dev/null", O_RDWR);
        for (const int fd : {0, 1, 2}) dup2(quiet, fd);
        const std::string d = std::to_string(duration) + "s";
        execl(HEADVANE_LAB_SIM_EXE, "headvane-lab-sim", "record", "--out", out.c_str(), "--force", "--duration",
              d.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    struct rusage usage{};
    wait4(child, &status, 0, &usage);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds(usage.ru_utime) + seconds(usage.ru_stime) : -1.0;
}

void BM_RecordCpuShare(benchmark::State& bench) {
    const int duration = static_cast<int>(bench.range(0));
    const std::string out = (std::filesystem::temp_directory_path() / "headvane-bench-record.csv").string();
    double cpu = 0.0;
    for (auto _ : bench) {
        cpu = recordCpuSeconds(out, duration);
        if (cpu < 0) bench.SkipWithError("the recorder failed");
    }
    bench.counters["cpu_s"] = cpu;
    bench.counters["percent_of_one_core"] = 100.0 * cpu / duration;
    std::filesystem::remove(out);
}

BENCHMARK(BM_RecordCpuShare)->Arg(5)->Arg(60)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
