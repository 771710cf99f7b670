#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>
#include <vector>

namespace pq::cli {

// Each command registers its subcommand on the app and returns the action that runs it; the
// action returns the process exit status (0 success, 1 failure).
using Action = std::function<int()>;
using CommandFactory = std::function<Action(CLI::App&)>;

struct CommandRegistration {
    int order; // position in the help listing
    CommandFactory factory;
};

std::vector<CommandRegistration>& commandRegistry();

// Define one in each *_command.cpp:  static const CommandRegistrar registrar{10, &addInfoCommand};
struct CommandRegistrar {
    CommandRegistrar(int order, CommandFactory factory) { commandRegistry().push_back({order, std::move(factory)}); }
};

} // namespace pq::cli
