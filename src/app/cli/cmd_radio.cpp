// tellur32-cli radio set|list|add: tunes a transceiver through its radio port entry and reads
// and extends the frequency table.
#include "app/cli/cli.h"
#include "app/cli/cli_station.h"

#include "core/mode_switch.h"
#include "platform/process_runner.h"
#include "platform/qt_serial_port.h"
#include "signal/serial_mode_devices.h"
#include "signal/serial_port_map.h"
#include "station/frequency_control.h"
#include "storage/table_database.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <memory>
#include <string>

namespace tellur::cli {
namespace {

constexpr const char* kUsage = "tellur32-cli radio: set KHZ [--radio N], list [--order ORDER] or add KHZ RADIO TEXT\n";

// The devices the GUI's station would use, from the station folder's port map; nothing runs
// on them until a tuning needs them.
struct CliRadio {
    explicit CliRadio(CliStation& s)
        : station(s)
        , port(signal::loadPortMap(s.folder()))
        , pulse(signal::loadPortMap(s.folder()))
    {
    }

    CliStation& station;
    RunFlags flags;
    std::unique_ptr<SampleRing> ring = std::make_unique<SampleRing>();
    platform::QtSerialPort port;
    platform::QtSerialPort pulse;
    signal::SteadySerialClock clock;
    signal::SerialWaiter waiter{clock};
    signal::ScriptedSerialDeviceUi ui; // nobody answers Abort/Retry: abort
    platform::QtProcessRunner processes;
    signal::SerialModeDevices serial{station.config(), flags, *ring, port, pulse, waiter, station.log(), ui, &processes};
    ModeSwitch modeSwitch{station.config(), flags, serial, processes, station.log(), station.folder()};
    station::SwitchedRadioStation radio{station.config(), modeSwitch, serial, processes};
    station::FrequencyControl control{station.config(), flags, radio, station.log(), station.folder()};
};

int radioNumber(const std::string& text)
{
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '4')
        return text[0] - '0';
    std::fprintf(stderr, "tellur32-cli radio: the radio is 1, 2, 3 or 4, not '%s'\n", text.c_str());
    return 0;
}

int set(std::vector<std::string>& args, CommonOptions& opts)
{
    std::string radioText = "1";
    takeOption(args, "--radio", radioText);
    if (args.size() != 2) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    const int n = radioNumber(radioText);
    if (n == 0)
        return kExitUsage;
    if (!station::parseFrequency(args[1])) {
        std::fprintf(stderr, "tellur32-cli radio: '%s' is not a frequency in kHz\n", args[1].c_str());
        return kExitUsage;
    }
    ensureQtApplication();
    CliStation station(opts);
    CliRadio radio(station);
    const station::TuneResult r = radio.control.setFrequency(n, args[1]);
    if (!r.ok()) {
        std::fprintf(stderr, "tellur32-cli radio: %s\n", r.reason.c_str());
        return kExitFailed;
    }
    if (opts.json)
        emitJson("tuned", {{"radio", std::to_string(n)}, {"khz", jsonString(args[1])}});
    else if (!opts.quiet)
        std::fprintf(stderr, "radio %d tuned to %s kHz\n", n, args[1].c_str());
    return kExitOk;
}

int list(std::vector<std::string>& args, CommonOptions& opts)
{
    using Order = storage::FrequencyList::Order;
    std::string orderText = "frequency";
    takeOption(args, "--order", orderText);
    const std::pair<const char*, Order> orders[] = {
        {"frequency", Order::Findex}, {"radio", Order::Rindex}, {"description", Order::Dindex}, {"natural", Order::Natural}};
    const auto* order = std::find_if(std::begin(orders), std::end(orders), [&](auto& o) { return orderText == o.first; });
    if (args.size() != 1 || order == std::end(orders)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    CliStation station(opts);
    storage::FrequencyList table(station.folder());
    for (const auto& e : table.entries(order->second)) {
        if (opts.json)
            std::printf("{\"freq\":%s,\"radio\":%s,\"description\":%s}\n", jsonString(e.freq).c_str(),
                        jsonString(e.radio).c_str(), jsonString(e.descript).c_str());
        else
            std::printf("%-15s %-1s %s\n", e.freq.c_str(), e.radio.c_str(), e.descript.c_str());
    }
    return kExitOk;
}

int add(std::vector<std::string>& args, CommonOptions& opts)
{
    if (args.size() < 4) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (!station::parseFrequency(args[1])) {
        std::fprintf(stderr, "tellur32-cli radio: '%s' is not a frequency in kHz\n", args[1].c_str());
        return kExitUsage;
    }
    if (radioNumber(args[2]) == 0)
        return kExitUsage;
    std::string text = args[3];
    for (std::size_t i = 4; i < args.size(); ++i)
        text += " " + args[i];
    CliStation station(opts);
    storage::FrequencyList table(station.folder());
    table.append({0, args[1], args[2], text});
    return kExitOk;
}

int run(std::vector<std::string>& args, CommonOptions& opts)
{
    const std::string sub = args.empty() ? std::string{} : args[0];
    if (sub == "set")
        return set(args, opts);
    if (sub == "list")
        return list(args, opts);
    if (sub == "add")
        return add(args, opts);
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

const CliCommand kRadio(
    "radio", "tunes a transceiver; lists and adds rows of the frequency table",
    "Usage: tellur32-cli [--home DIR] [--config NAME] [--json] radio set KHZ [--radio N]\n"
    "       tellur32-cli [--home DIR] [--json] radio list [--order frequency|radio|description|natural]\n"
    "       tellur32-cli [--home DIR] radio add KHZ RADIO DESCRIPTION...\n\n"
    "set tunes transceiver N (1..4, default 1) to KHZ (\".\" or \",\" as decimal mark) through its\n"
    "radio port entry (\"Frequency control\" page): its serial port and command format, rigctld\n"
    "at the host:port of its \"Command:\" text, the PTC-II, or its external command with each \"@\"\n"
    "replaced by the frequency. Exit status 1 with a one-line reason when the rig cannot be reached.\n"
    "list prints the frequency table (\"Freqlist.dbf\" in the station folder): frequency, radio and\n"
    "description per line, in frequency order unless --order says otherwise.\n"
    "add appends a row; the words after RADIO form the description.\n",
    run);

} // namespace
} // namespace tellur::cli
