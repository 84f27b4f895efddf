// The command-line tool's subcommand registry and common options. Each subcommand lives in its
// own file in this folder and registers itself with a static CliCommand object.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace tellur::cli {

// Exit codes of the command-line contract.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // input could not be read or decoded
inline constexpr int kExitUsage = 2;

struct CommonOptions {
    std::string home;        // --home DIR
    std::string configName;  // --config NAME
    bool json = false;       // --json
    bool quiet = false;      // -q
    std::filesystem::path stationFolder; // resolved from home
};

// Removes the common options from args (wherever they stand) into opts. Returns false and
// prints a reason on a malformed option.
bool takeCommonOptions(std::vector<std::string>& args, CommonOptions& opts);

// Takes "--name value" or "--name=value" out of args; returns true when present.
bool takeOption(std::vector<std::string>& args, const std::string& name, std::string& value);
// Takes a flag "--name" out of args; returns true when present.
bool takeFlag(std::vector<std::string>& args, const std::string& name);

// Writes one JSON event line on standard output: {"event":..., "time":..., fields...}.
// fields are pre-encoded "key":value pairs.
void emitJson(const std::string& event, const std::vector<std::pair<std::string, std::string>>& fields);
std::string jsonString(const std::string& s);

// Audio devices and serial ports need a Qt application object; created on first use.
void ensureQtApplication();

using CommandFn = std::function<int(std::vector<std::string>& args, CommonOptions& opts)>;

struct CliCommand {
    CliCommand(std::string name, std::string summary, std::string help, CommandFn fn);
};

struct CommandEntry {
    std::string name;
    std::string summary;
    std::string help;
    CommandFn fn;
};

std::vector<CommandEntry>& commandRegistry();

} // namespace tellur::cli
