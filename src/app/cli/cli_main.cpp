// tellur32-cli: the station's engine without a display.
#include "app/cli/cli.h"

#include "core/station_paths.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <iostream>

namespace tellur::cli {

std::vector<CommandEntry>& commandRegistry()
{
    static std::vector<CommandEntry> registry;
    return registry;
}

CliCommand::CliCommand(std::string name, std::string summary, std::string help, CommandFn fn)
{
    commandRegistry().push_back({std::move(name), std::move(summary), std::move(help), std::move(fn)});
}

bool takeOption(std::vector<std::string>& args, const std::string& name, std::string& value)
{
    for (auto it = args.begin(); it != args.end(); ++it) {
        if (*it == name) {
            if (it + 1 == args.end()) {
                std::fprintf(stderr, "tellur32-cli: option %s needs a value\n", name.c_str());
                throw std::invalid_argument(name);
            }
            value = *(it + 1);
            args.erase(it, it + 2);
            return true;
        }
        if (it->rfind(name + "=", 0) == 0) {
            value = it->substr(name.size() + 1);
            args.erase(it);
            return true;
        }
    }
    return false;
}

bool takeFlag(std::vector<std::string>& args, const std::string& name)
{
    auto it = std::find(args.begin(), args.end(), name);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

bool takeCommonOptions(std::vector<std::string>& args, CommonOptions& opts)
{
    try {
        takeOption(args, "--home", opts.home);
        takeOption(args, "--config", opts.configName);
    } catch (const std::invalid_argument&) {
        return false;
    }
    opts.json = takeFlag(args, "--json") || opts.json;
    opts.quiet = takeFlag(args, "-q") || opts.quiet;
    opts.stationFolder = resolveStationFolder(opts.home);
    return true;
}

std::string jsonString(const std::string& s)
{
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

void emitJson(const std::string& event, const std::vector<std::pair<std::string, std::string>>& fields)
{
    std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
    std::string line = "{\"event\":" + jsonString(event) + ",\"time\":" + jsonString(stamp);
    for (const auto& [k, v] : fields)
        line += "," + jsonString(k) + ":" + v;
    line += "}\n";
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

static void printUsage(std::FILE* out)
{
    std::fprintf(out,
                 "Usage: tellur32-cli [--home DIR] [--config NAME] [--json] [-q] <command> [args]\n\n"
                 "Decodes recordings and live audio, encodes pictures into audio, and reads and edits\n"
                 "the station's files without a display.\n\nCommands:\n");
    auto cmds = commandRegistry();
    std::sort(cmds.begin(), cmds.end(), [](auto& a, auto& b) { return a.name < b.name; });
    for (const auto& c : cmds)
        std::fprintf(out, "  %-18s %s\n", c.name.c_str(), c.summary.c_str());
    std::fprintf(out, "\n'tellur32-cli <command> --help' describes a command's options.\n"
                      "Exit status: 0 success, 1 input could not be read or decoded, 2 usage error.\n");
}

} // namespace tellur::cli

int main(int argc, char** argv)
{
    using namespace tellur::cli;
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        printUsage(stderr);
        return kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        printUsage(stdout);
        return kExitOk;
    }
    CommonOptions opts;
    // Common options may stand before the command name.
    std::vector<std::string> lead;
    while (!args.empty() && args[0].rfind("-", 0) == 0) {
        lead.push_back(args[0]);
        args.erase(args.begin());
        if ((lead.back() == "--home" || lead.back() == "--config") && !args.empty()) {
            lead.push_back(args[0]);
            args.erase(args.begin());
        }
    }
    if (args.empty()) {
        printUsage(stderr);
        return kExitUsage;
    }
    std::string name = args[0];
    args.erase(args.begin());
    // Two-word commands ("decode rtty") are registered under both words.
    if (!args.empty()) {
        for (const auto& c : commandRegistry()) {
            if (c.name == name + " " + args[0]) {
                name = c.name;
                args.erase(args.begin());
                break;
            }
        }
    }
    args.insert(args.begin(), lead.begin(), lead.end());
    for (const auto& c : commandRegistry()) {
        if (c.name != name)
            continue;
        if (std::find(args.begin(), args.end(), "--help") != args.end()) {
            std::fputs(c.help.c_str(), stdout);
            return kExitOk;
        }
        if (!takeCommonOptions(args, opts))
            return kExitUsage;
        try {
            return c.fn(args, opts);
        } catch (const std::invalid_argument&) {
            return kExitUsage;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tellur32-cli %s: %s\n", name.c_str(), e.what());
            return kExitFailed;
        }
    }
    std::fprintf(stderr, "tellur32-cli: unknown command '%s'\n", name.c_str());
    printUsage(stderr);
    return kExitUsage;
}
