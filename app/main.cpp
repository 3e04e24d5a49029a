// Entry point of headvane and headvane-sim (the two differ only in their device backend).
#include <string>
#include <vector>

#include "console_output.h"
#include "run_loop.h"

int main(int argc, char** argv) {
    const vesko::Utf8ConsoleOutput utf8Console;
    return vesko::runHeadvane(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
