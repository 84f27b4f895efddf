// tellur32-cli config dump|get|set: the station configuration field by field.
#include "app/cli/cli.h"
#include "app/cli/cli_station.h"
#include "settings/config_fields.h"
#include "platform/single_instance.h"

#include <QLockFile>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace tellur::cli {
namespace {

const char* kindName(FieldKind k)
{
    switch (k) {
    case FieldKind::Int32: return "int32";
    case FieldKind::Int16: return "int16";
    case FieldKind::UInt16: return "uint16";
    case FieldKind::UInt8: return "byte";
    case FieldKind::Int8: return "int8";
    case FieldKind::Flag: return "flag";
    case FieldKind::Double: return "double";
    case FieldKind::Int64: return "int64";
    case FieldKind::Text: return "text";
    }
    return "?";
}

std::string jsonValue(const StationConfig& c, const ConfigField& f)
{
    std::string v = fieldValueText(c, f);
    if (f.kind == FieldKind::Text)
        return jsonString(v);
    if (f.kind == FieldKind::Double && !std::isfinite(c.f64(f.offset)))
        return jsonString(v); // JSON has no NaN or infinity
    return v;
}

std::string fieldJson(const StationConfig& c, const ConfigField& f)
{
    std::string s = "{\"offset\":" + std::to_string(f.offset) + ",\"name\":" + jsonString(std::string(f.name)) +
                    ",\"kind\":\"" + kindName(f.kind) + "\",\"size\":" + std::to_string(f.size) +
                    ",\"value\":" + jsonValue(c, f) + "}";
    return s;
}

int run(std::vector<std::string>& args, CommonOptions& opts)
{
    if (args.empty()) {
        std::fputs("tellur32-cli config: dump, get NAME or set NAME VALUE\n", stderr);
        return kExitUsage;
    }
    const bool force = takeFlag(args, "--force");
    const std::string sub = args[0];
    if (sub == "dump" && args.size() == 1) {
        CliStation station(opts);
        const auto& fields = configFields();
        std::string out = "[\n";
        for (std::size_t i = 0; i < fields.size(); ++i)
            out += "  " + fieldJson(station.config(), fields[i]) + (i + 1 < fields.size() ? ",\n" : "\n");
        out += "]\n";
        std::fputs(out.c_str(), stdout);
        return kExitOk;
    }
    if ((sub == "get" && args.size() == 2) || (sub == "set" && args.size() == 3)) {
        const ConfigField* f = findConfigField(args[1]);
        if (!f) {
            std::fprintf(stderr, "tellur32-cli config: no field named %s ('config dump' lists them)\n", args[1].c_str());
            return kExitUsage;
        }
        CliStation station(opts);
        // A running station saves its configuration on exit and would undo the change; its lock
        // is held for the save so that none starts meanwhile.
        QLockFile stationLock(QString::fromStdString((station.folder() / platform::kStationLockFile).string()));
        stationLock.setStaleLockTime(0);
        if (sub == "set" && !stationLock.tryLock(0) && !force) {
            std::fprintf(stderr, "tellur32-cli config: a running station holds %s; close it first or give --force\n",
                         (station.folder() / platform::kStationLockFile).c_str());
            return kExitFailed;
        }
        if (sub == "set") {
            // Saving over a file that could not be read would replace it by the defaults.
            if (!station.loaded()) {
                std::error_code ec;
                auto file = station.store().fileFor(opts.configName);
                if (!std::filesystem::exists(file, ec))
                    file = station.store().standardFile();
                std::fprintf(stderr, "tellur32-cli config: %s could not be loaded; it is left as it is\n",
                             file.c_str());
                return kExitFailed;
            }
            auto r = setFieldFromText(station.config(), *f, args[2]);
            if (r != SetFieldResult::Ok) {
                std::fprintf(stderr, "tellur32-cli config: %s: %s\n", args[1].c_str(), describe(r, *f).c_str());
                return kExitUsage;
            }
            if (!station.save()) {
                std::fprintf(stderr, "tellur32-cli config: the configuration could not be saved\n");
                return kExitFailed;
            }
        }
        if (opts.json)
            std::printf("%s\n", fieldJson(station.config(), *f).c_str());
        else if (sub == "get")
            std::printf("%s\n", fieldValueText(station.config(), *f).c_str());
        return kExitOk;
    }
    std::fputs("tellur32-cli config: dump, get NAME or set NAME VALUE\n", stderr);
    return kExitUsage;
}

const CliCommand kConfig("config", "prints or changes fields of a configuration",
                         "Usage: tellur32-cli [--home DIR] [--config NAME] config dump\n"
                         "       tellur32-cli [--home DIR] [--config NAME] [--json] config get NAME\n"
                         "       tellur32-cli [--home DIR] [--config NAME] [--json] config set [--force] NAME VALUE\n\n"
                         "dump prints every field of the configuration record as a JSON array of\n"
                         "{offset, name, kind, size, value}. get prints one value; set checks the value\n"
                         "against the field's kind, width and range and saves the configuration (under\n"
                         "--config NAME, created when new, else the configuration in use).\n"
                         "Names match without regard to case; a dialog caption (\"data rate\") names its field.\n"
                         "set refuses a configuration file that could not be loaded, and the configuration of\n"
                         "a running station (its lock in the station folder) unless --force is given.\n"
                         "Rows are named by index: faxMode.0.lpm, rttyMode.6.shiftHz, externalProgram.2.name,\n"
                         "quickText.0.label, radio.1.baudRate, movieFormat.3.\n",
                         run);

} // namespace
} // namespace tellur::cli
