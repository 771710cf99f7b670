#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pq {

// What a watcher of a running program says each time it is asked.
enum class ToolPoll { Idle, Progressed, Stop };

// One run of a program: its path and arguments as a vector (no shell sees them), its output
// captured, stopped when it stays silent too long, makes too much output or its watcher says so.
struct ToolRun {
    std::string program; // a path, as findProgram gives it
    std::vector<std::string> arguments; // after the program's name
    int passedDescriptor = -1; // given to the program as its descriptor 3 when not -1
    std::chrono::milliseconds idleTimeout{60000};
    std::int64_t mostOutput = std::int64_t{64} << 20;
    std::function<ToolPoll()> watch; // asked every few milliseconds while the program runs
};

struct ToolResult {
    enum class End { Exited, Signalled, TimedOut, Stopped, TooMuchOutput, NotStarted };
    End end = End::NotStarted;
    int status = 0; // the exit status, or the signal's number
    std::string out; // all of the standard output (up to mostOutput)
    std::string err; // the last few KiB of the error output
};

// The path of the executable `name` in `folder`, or when `folder` is empty in a folder of the
// PATH; empty when there is none.
std::string findProgram(std::string_view name, const std::string& folder);

// Runs the program to its end (or until stopped, when it is killed) and collects what it said.
ToolResult runTool(const ToolRun& run);

// The first line of a program's output that is not blank, cut to about 200 characters.
std::string firstLine(const std::string& text);

} // namespace pq
