#include "core/transmission_type.h"

#include "core/config_file.h"
#include "core/station_config.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tellur {

std::vector<TransmissionTypeEntry> buildTransmissionTypeList(const StationConfig& config)
{
    std::vector<TransmissionTypeEntry> out;
    for (auto name : kFixedTransmissionTypeNames)
        out.push_back({std::string(name), -1});
    for (int r = 0; r < cfg::kExternalProgramRows; ++r) {
        auto e = config.externalProgram(r);
        if (!e.name.empty())
            out.push_back({e.name, r});
    }
    return out;
}

std::string modeMenuCaption(int index, std::string_view text)
{
    char digit[8];
    std::snprintf(digit, sizeof digit, "%X", static_cast<unsigned>(index));
    return "&" + std::string(digit) + " " + std::string(text);
}

std::optional<int> indexFromMenuCaption(std::string_view caption)
{
    auto amp = caption.find('&');
    if (amp == std::string_view::npos || amp + 1 >= caption.size())
        return std::nullopt;
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(caption[amp + 1])));
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return std::nullopt;
}

std::string runningCaption(std::string_view name)
{
    std::string s = "Running " + std::string(name);
    if (s.size() > 28)
        s.resize(28);
    return s + "...";
}

std::string externalProgramNotFoundText(std::string_view name)
{
    return "External program " + std::string(name) +
           " not found.\n\rCheck program name and file path in then Tellur32 configuration window!";
}

TransmissionTypeController::TransmissionTypeController(StationConfig& config, ModeSwitchDevices& devices,
                                                       ProcessRunner& runner, TransmissionTypeHost& host,
                                                       std::filesystem::path stationFolder)
    : m_config(config), m_devices(devices), m_runner(runner), m_host(host), m_station(std::move(stationFolder))
{
    rebuild();
}

void TransmissionTypeController::rebuild()
{
    m_entries = buildTransmissionTypeList(m_config);
}

void TransmissionTypeController::stopExternalProgram()
{
    if (!m_externalRunning)
        return;
    m_runner.terminate();
    m_externalRunning = false;
    m_host.setChildPanelCaption({});
}

void TransmissionTypeController::change(int selected)
{
    if (selected == m_inForce)
        return;
    if (selected < 0)
        selected = 0;
    if (selected == m_inForce) // -1 after "none" is the same entry
        return;
    m_host.setModeControlsEnabled(false);
    m_inForce = selected;
    m_requested = selected;
    stopExternalProgram();
    m_request = true;
    m_host.waitUntil([this] { return !m_request; });
    if (m_externalRunning)
        startExternalProgram();
    m_config.setLastTransmissionType(m_inForce);
    m_host.setModeControlsEnabled(true);
    m_host.checkModeMenuItem(m_inForce);
}

void TransmissionTypeController::carryOutRequest()
{
    if (!m_request)
        return;
    if (m_windowOpen) {
        m_host.closeReceiveWindow();
        m_windowOpen = false;
    }
    if (m_requested > 0 && m_requested < kFixedTransmissionTypes) {
        m_host.openReceiveWindow(static_cast<ReceiveWindowKind>(m_requested));
        m_windowOpen = true;
    } else if (m_requested >= kFixedTransmissionTypes) {
        m_externalRunning = true;
    }
    m_request = false;
}

void TransmissionTypeController::switchAndStart(int selected)
{
    if (selected < 0)
        selected = 0;
    stopExternalProgram();
    m_inForce = selected;
    m_requested = selected;
    m_request = true;
    carryOutRequest();
    if (m_externalRunning)
        startExternalProgram();
    m_config.setLastTransmissionType(m_inForce);
    m_host.checkModeMenuItem(m_inForce);
}

void TransmissionTypeController::startExternalProgram()
{
    const std::size_t index = static_cast<std::size_t>(m_requested);
    if (index >= m_entries.size() || m_entries[index].programRow < 0) {
        m_externalRunning = false; // a list index beyond the entries names no program
        return;
    }
    const ExternalProgramEntry e = m_config.externalProgram(m_entries[index].programRow);
    m_host.setChildPanelCaption(runningCaption(e.name));
    m_programName = e.name;
    SplitCommand split = splitCommandLine(e.commandLine);
    if (split.folder.empty())
        split.folder = folderPath(m_config, StationFolder::ExternalPrograms, m_station);
    if (m_config.interfaceType() != InterfaceEasyDsp) {
        m_runner.run(split.file, split.folder, true);
        return;
    }
    std::string dsp = e.dspProgram;
    dsp.erase(0, dsp.find_first_not_of(' '));
    dsp.erase(dsp.find_last_not_of(' ') + 1);
    if (!dsp.empty()) {
        const auto file = folderPath(m_config, StationFolder::Demodulators, m_station) / (dsp + ".LOD");
        if (!m_devices.easyDspDownload(file, e.switchPosition == "V"))
            return;
    }
    if (!m_runner.run(split.file, split.folder, true))
        m_host.showMessage(externalProgramNotFoundText(e.name));
}

} // namespace tellur
