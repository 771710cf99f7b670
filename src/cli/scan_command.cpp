#include "classification/icon_scanner.h"
#include "cli/cli_support.h"
#include "cli/commands.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>

namespace pq::cli {

namespace {

struct ScanOptions {
    std::string path;
    double minScore = 0.5;
    std::int64_t limit = 0; // 0: every candidate
    bool json = false;
};

// Scores are listed to three decimals; more would promise a precision they do not have.
double rounded(double score)
{
    return std::round(score * 1000.0) / 1000.0;
}

void printCandidate(const IconCandidate& candidate, bool json)
{
    if (json) {
        nlohmann::ordered_json line;
        line["offset"] = candidate.offset;
        line["depth"] = candidate.bitDepth();
        line["size"] = candidate.side;
        line["mask"] = candidate.hasMask();
        line["score"] = rounded(candidate.score);
        std::cout << line.dump() << '\n';
        return;
    }
    char text[160];
    std::snprintf(text, sizeof text, "offset %lld (0x%llx)  %d-bit %dx%d with mask  score %.3f",
                  static_cast<long long>(candidate.offset), static_cast<unsigned long long>(candidate.offset),
                  candidate.bitDepth(), candidate.side, candidate.side, candidate.score);
    std::cout << text << '\n';
}

Action addScanCommand(CLI::App& app)
{
    auto* cmd = app.add_subcommand(
        "scan", "Find likely 1-bit icons with masks (32x32 and 16x16) at every offset, best first");
    auto o = std::make_shared<ScanOptions>();
    cmd->add_option("FILE", o->path, "The file to search")->required();
    cmd->add_option("--min-score", o->minScore, "Leave out candidates scoring less (0 to 1; default 0.5)")
        ->check(CLI::Range(0.0, 1.0));
    cmd->add_option("--limit", o->limit, "List at most N candidates")->check(CLI::PositiveNumber);
    cmd->add_flag("--json", o->json, "One JSON object per line");
    return [o]() {
        auto data = readFileOrReport(o->path);
        if (!data)
            return 1;
        IconScanOptions options;
        options.minScore = o->minScore;
        if (o->limit > 0)
            options.maxCandidates = o->limit;
        const auto candidates = IconScanner(options).scan(data->bytes());
        if (!candidates) { // nothing here cancels a scan
            printError("The scan of \"" + o->path + "\" was cancelled.");
            return 1;
        }
        for (const IconCandidate& candidate : *candidates)
            printCandidate(candidate, o->json);
        std::cout.flush();
        return std::cout ? 0 : 1;
    };
}

const CommandRegistrar registrar{30, &addScanCommand};

} // namespace
} // namespace pq::cli
