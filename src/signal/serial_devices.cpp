#include "signal/serial_devices.h"

#include "core/station_config.h"
#include "signal/easydsp_program.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace tellur::signal {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kPrompts = "cmd:^*";
constexpr std::string_view kPtcNoAnswer =
    "PTC does not respond. Check cabling, settings, switch PTC off and on, then wait.";
constexpr std::string_view kPtcTrying = "Trying to initialize PTC...";
// The EasyDSP reset pulses were timed in ticks of the coarse system clock (1/64 s); the box's
// reset circuit is built for pulses of that length.
constexpr double kClockTickMs = 15.625;
constexpr int kPtcBaud = 57600;

std::string portWarning(int port)
{
    std::string s = "Communications port COM" + std::to_string(port) + " not available!";
    s += kCrLf;
    s += "Use the configuration menu to select the";
    s += kCrLf;
    s += "proper port or terminate other applications";
    s += kCrLf;
    s += " which are accessing this port.";
    return s;
}

std::string noDspAnswer(std::string_view position)
{
    return "No response from EasyDSP!\r\nMake sure that EasyDSP is connected, switched on\r\nand that the Mode "
           "switch is in " +
           std::string(position) + " position.";
}

std::string fileWarning(const std::filesystem::path& file)
{
    std::string s = "DSP program file\r\n" + file.string() + " not found.";
    s += kCrLf;
    s += "Make sure this file is in the " + file.parent_path().string() + " directory";
    s += kCrLf;
    s += " and try again!";
    return s;
}

bool readLine(std::istream& in, std::string& line)
{
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

// Clears a flag on every way out of a procedure.
struct FlagGuard {
    std::atomic<bool>& flag;
    explicit FlagGuard(std::atomic<bool>& f) : flag(f) { flag = true; }
    ~FlagGuard() { flag = false; }
};

} // namespace

bool ScriptedSerialDeviceUi::askRetry(std::string_view text)
{
    questions.emplace_back(text);
    if (askRetryHook)
        askRetryHook();
    if (m_answers.empty())
        return false;
    bool retry = m_answers.front();
    m_answers.pop_front();
    return retry;
}

void ScriptedSerialDeviceUi::loadBegin(std::string_view file, std::int64_t total)
{
    loadFile = std::string(file);
    loadTotal = total;
    lastProgress = 0;
}

SerialDeviceSettings serialSettingsFrom(const StationConfig& config)
{
    SerialDeviceSettings s;
    s.interfaceType = static_cast<InterfaceType>(config.interfaceType());
    s.comPort = config.comPort();
    s.baudRate = config.baudRate();
    s.readerPriority = config.serialThreadPriority();
    return s;
}

std::string downloaderCommandLine(std::string_view pattern, int port, const std::filesystem::path& file)
{
    std::string f = file.string();
    if (f.find(' ') != std::string::npos)
        f = "\"" + f + "\"";
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 'p' || pattern[i + 1] == 'f')) {
            out += pattern[i + 1] == 'p' ? std::to_string(port) : f;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

SerialDevices::SerialDevices(SerialPort& mainPort, SerialPort& pulsePort, SerialWaiter& waiter, EventLog& log,
                             SerialDeviceUi& ui, CommandRunner* runner)
    : m_main(mainPort)
    , m_pulse(pulsePort)
    , m_waiter(waiter)
    , m_log(log)
    , m_ui(ui)
    , m_runner(runner)
{
}

void SerialDevices::setStatusMessage(std::string_view message)
{
    m_status = std::string(message);
    m_ui.statusChanged(m_status);
}

bool SerialDevices::send(std::string_view bytes) { return m_main.write(bytes); }

int SerialDevices::waitPrompt(int timeoutTicks) { return m_waiter.responseWait(m_main, kPrompts, timeoutTicks); }

void SerialDevices::clockTicks(int n) { m_waiter.clock().sleepMs(n * kClockTickMs); }

bool SerialDevices::portTest(int number)
{
    m_main.setNumber(number);
    bool ok = m_main.open();
    ok = ok && m_main.isOpen();
    m_main.close();
    if (!ok) {
        m_log.action("+++port alert (COM" + std::to_string(number) + ")");
        setStatusMessage("Communication port Com" + std::to_string(number) +
                         " not available! Please check configuration settings.");
    } else {
        setStatusMessage("");
    }
    return ok;
}

bool SerialDevices::portTestLoop()
{
    while (!portTest(m_settings.comPort))
        if (!m_ui.askRetry(portWarning(m_settings.comPort)))
            return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// EasyDSP

bool SerialDevices::easyDspProbeVireo()
{
    m_pulse.setNumber(m_settings.comPort);
    m_pulse.setRts(true);
    m_pulse.setDtr(true);
    if (m_pulse.open()) {
        m_pulse.setBreak(true);
        clockTicks(1);
        for (int i = 0; i < 8; ++i) {
            m_pulse.setDtr(true);
            clockTicks(2);
            m_pulse.setDtr(false);
            clockTicks(2);
        }
        // A break left on would garble the main port's first bytes on the same line.
        m_pulse.setBreak(false);
    }
    m_pulse.close();

    m_main.setNumber(m_settings.comPort);
    m_main.setBaudRate(115200);
    m_waiter.interfaceWait(5);
    m_main.open();
    m_waiter.interfaceWait(5);
    m_main.clearInput();
    send("_END 7F80");
    int answer = m_waiter.responseWait(m_main, "_END 7F80>^XYZZY", 15);
    m_main.clearInput();
    m_main.clearOutput();
    m_main.close();
    if (answer == 0)
        m_log.action("+++DSP not connected alert (VIREO mode)");
    return answer != 0;
}

bool SerialDevices::sendDspFile(const std::filesystem::path& file, bool& fileProblem)
{
    fileProblem = false;
    std::ifstream in(file, std::ios::binary);
    std::error_code ec;
    auto size = std::filesystem::file_size(file, ec);
    if (!in || ec) {
        fileProblem = true;
        return false;
    }
    m_waiter.interfaceWait(0.5);
    m_ui.loadBegin(file.string(), static_cast<std::int64_t>(size));
    EasyDspProgramReader program(in);
    bool sentAll = true;
    std::string line;
    while (program.next(line)) {
        m_ui.loadProgress(program.consumed());
        m_waiter.interfaceWait(0.1);
        sentAll = send(line) && sentAll;
    }
    m_ui.loadProgress(program.consumed());
    if (program.failed()) {
        m_ui.loadEnd();
        fileProblem = true;
        return false;
    }
    m_waiter.interfaceWait(1);
    m_ui.loadEnd();
    return sentAll;
}

bool SerialDevices::easyDspDownloadVireo(const std::filesystem::path& file)
{
    const std::string name = file.string();
    m_log.action("begin download (VIREO) of " + name);
    if (!portTestLoop()) {
        m_log.action("end download (VIREO) of " + name + " with failure (no COM port)");
        return false;
    }
    while (!easyDspProbeVireo()) {
        if (!m_ui.askRetry(noDspAnswer("VIREO"))) {
            m_log.action("end download (VIREO) of " + name + " with failure (no VIREO mode)");
            return false;
        }
    }
    m_main.open();
    m_waiter.interfaceWait(0.5);
    bool ok = false;
    for (;;) {
        bool fileProblem = false;
        ok = sendDspFile(file, fileProblem);
        if (!fileProblem || !m_ui.askRetry(fileWarning(file)))
            break;
    }
    m_main.clearInput();
    m_main.clearOutput();
    m_main.close();
    m_waiter.interfaceWait(0.5);
    m_log.action("end download (VIREO) of " + name + (ok ? " with success" : " with failure"));
    return ok;
}

bool SerialDevices::easyDspProbeAleph()
{
    m_main.setNumber(m_settings.comPort);
    m_main.setBaudRate(19200);
    m_main.open();
    m_main.clearInput();
    m_main.clearOutput();
    m_main.setRts(true);
    m_main.setDtr(true);
    m_waiter.interfaceWait(0.5);
    send(std::string_view("\x12\xB9\xB0\xA1", 4));
    int answer = m_waiter.responseWait(m_main, "\x04^XYZZY", 60);
    m_main.clearInput();
    m_main.clearOutput();
    m_main.close();
    if (answer == 0)
        m_log.action("+++DSP not connected alert (ALEPH mode)");
    return answer != 0;
}

bool SerialDevices::easyDspDownloadAleph(const std::filesystem::path& file)
{
    const std::string name = file.string();
    m_log.action("begin download (ALEPH) of " + name);
    if (!portTestLoop()) {
        m_log.action("end download (Aleph) of " + name + " with failure (no COM port)");
        return false;
    }
    while (!easyDspProbeAleph()) {
        if (!m_ui.askRetry(noDspAnswer("ALEPH"))) {
            m_log.action("end download (ALEPH) of " + name + " with failure (no ALEPH mode)");
            return false;
        }
    }
    if (m_runner)
        m_runner->runAndWait(
            downloaderCommandLine(m_settings.downloaderCommand, m_settings.comPort, file), m_settings.programFolder);
    m_log.action("end download (ALEPH) of " + name + " with success");
    return true;
}

// ---------------------------------------------------------------------------------------------
// PTC-II

bool SerialDevices::ptc2Release()
{
    if (m_main.isOpen()) {
        m_main.clearOutput();
        m_main.close();
    }
    m_waiter.interfaceWait(5);
    m_main.setNumber(m_settings.comPort);
    m_main.setRts(true);
    m_main.setDtr(true);
    m_main.setBaudRate(kPtcBaud);
    m_main.open();
    m_main.writeByte(0xFF);
    m_main.close();
    m_waiter.interfaceWait(5);

    m_main.setBaudRate(m_settings.baudRate);
    m_main.open();
    m_waiter.interfaceWait(5);
    m_main.clearInput();
    send("\r");
    send("\x1bPT");
    send("\r");
    send("\r");
    int prompt = waitPrompt(5);
    if (prompt == 0) {
        send("\r");
        prompt = waitPrompt(5);
    }
    m_main.clearInput();
    m_main.clearOutput();
    m_main.close();
    return prompt != 0;
}

bool SerialDevices::ptc2Connect()
{
    setStatusMessage("");
    if (ptc2Release())
        return true;
    m_log.action("+++PTC-II not connected alert");
    setStatusMessage(kPtcNoAnswer);
    return false;
}

bool SerialDevices::ptc2Initialise(std::string_view name)
{
    FlagGuard busy(m_ptcBusy);
    const std::string mode(name);
    m_log.action("begin PTC-II initialization new firmware (" + mode + ")");
    setStatusMessage(kPtcTrying);
    if (!portTest(m_settings.comPort)) {
        m_log.action("end download (PTC-II) with failure (no COM port)");
        return false;
    }
    if (!ptc2Connect()) {
        m_log.action("end PTC-II initialization (" + mode + ") with failure");
        return false;
    }
    setStatusMessage(kPtcTrying);
    m_main.open();
    m_waiter.interfaceWait(0.5);

    bool ok = false;
    const bool fax = mode == "FM" || mode == "AM";
    try {
        m_main.clearInput();
        send("\r");
        send("TERM 0\r");
        bool prompt = waitPrompt(18) != 0;
        if (fax) {
            if (prompt) {
                m_main.clearInput();
                send("FAX MBAUD 57600\r");
                prompt = waitPrompt(18) != 0;
            }
            if (prompt) {
                m_main.clearInput();
                send("FAX D 800\r");
                prompt = waitPrompt(18) != 0;
            }
            if (prompt) {
                m_main.clearInput();
                send(mode == "FM" ? std::string("FAX Tellur\r") : "FAX " + mode + "FAX\r");
                m_waiter.interfaceWait(3);
            }
        } else if (prompt) {
            m_main.clearInput();
            m_waiter.interfaceWait(3);
        }
        ok = prompt;
    } catch (...) {
        ok = false;
    }

    m_main.clearInput();
    m_main.clearOutput();
    if (fax) {
        m_main.close();
        m_main.setBaudRate(kPtcBaud);
    }
    m_waiter.interfaceWait(0.5);

    if (ok) {
        m_log.action("end PTC-II initialization new firmware with success");
        setStatusMessage("");
    } else {
        m_log.action("end PTC-II initialization new firmware with failure");
        setStatusMessage("PTC could not be set to " + mode + " mode. Please wait, will retry...");
    }
    return ok;
}

bool SerialDevices::ptc2Command(std::string_view text)
{
    send("\x1b" + std::string(text) + "\r");
    return waitPrompt(5) != 0;
}

bool SerialDevices::ptc2SingleCommand(std::string_view text)
{
    if (m_settings.interfaceType != InterfaceType::Ptc2)
        return false;
    if (!portTest(m_settings.comPort) || !ptc2Connect())
        return false;
    m_main.open();
    m_waiter.interfaceWait(1);
    send(std::string(text) + "\r");
    bool prompt = waitPrompt(18) != 0;
    m_main.close();
    m_waiter.interfaceWait(0.5);
    return prompt;
}

bool SerialDevices::ptc2CommandFile(const std::filesystem::path& path)
{
    if (m_settings.interfaceType != InterfaceType::Ptc2)
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in || !portTest(m_settings.comPort) || !ptc2Connect())
        return false;
    if (!m_main.isOpen())
        m_main.open();
    m_waiter.interfaceWait(1);
    std::string line;
    while (readLine(in, line)) {
        send(line + "\r");
        waitPrompt(18);
    }
    m_main.close();
    m_waiter.interfaceWait(0.5);
    return true;
}

// ---------------------------------------------------------------------------------------------
// HariFax

bool SerialDevices::hariFaxInitialise(std::string_view name)
{
    m_log.action("begin HariFax initialization(" + std::string(name) + ")");
    if (!portTestLoop()) {
        m_log.action("end HariFAX initialization with failure");
        return false;
    }
    m_main.setNumber(m_settings.comPort);
    m_main.setBaudRate(115200);
    m_main.open();
    m_waiter.interfaceWait(0.5);
    m_main.writeByte(0xFF);
    m_waiter.interfaceWait(10);
    m_main.writeByte(name == "FM" ? 'B' : name == "AM" ? 'A' : 0x40);
    m_waiter.interfaceWait(18);
    m_main.clearInput();
    m_main.clearOutput();
    m_main.close();
    m_waiter.interfaceWait(0.5);
    m_log.action("end HariFAX initialization with success");
    return true;
}

} // namespace tellur::signal
