#pragma once

#include <CLI/CLI.hpp>

#include <functional>

namespace pq::cli {

// What a parsed subcommand does; returns the process exit status (0 success, 1 failure).
using Action = std::function<int()>;

// Each adds its subcommand to the app and returns the action that runs it; `main` lists them
// in the order of the help listing.
Action addInfoCommand(CLI::App& app);
Action addRenderCommand(CLI::App& app);
Action addExportCommand(CLI::App& app);
Action addScanCommand(CLI::App& app);
Action addBookmarksCommand(CLI::App& app);
Action addPartsCommand(CLI::App& app);
Action addFilesCommand(CLI::App& app);
Action addCatalogCommand(CLI::App& app);

} // namespace pq::cli
