#include "text/text_window_model.h"

#include "core/numeric.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <ctime>

namespace tellur::text {

void TextPane::clear()
{
    m_lines.assign(1, std::string());
    m_chars = 0;
    m_trimmed = false;
}

std::size_t TextPane::length() const { return m_chars + 2 * (m_lines.size() - 1); }

std::string TextPane::flush(const std::string& queue)
{
    std::string shown;
    for (char c : queue) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 20) {
            m_lines.back().push_back(c);
            ++m_chars;
            shown.push_back(c);
        }
        if (c == '\n' || m_lines.back().size() >= kLineLength) {
            m_lines.emplace_back();
            shown.push_back('\n');
        }
    }
    m_trimmed = false;
    while (length() > kMaxChars && m_lines.size() > 1) {
        m_chars -= m_lines.front().size();
        m_lines.pop_front();
        m_trimmed = true;
    }
    return shown;
}

CaptureFile::~CaptureFile()
{
    if (m_file)
        std::fclose(m_file);
}

bool CaptureFile::open(const std::filesystem::path& folder, DayTime now)
{
    if (m_file)
        return true;
    m_file = std::fopen((folder / kFileName).string().c_str(), "ab");
    if (!m_file)
        return false;
    write("--- Start capture: " + formatCaptureTime(now) + " UTC ---\n\n");
    return true;
}

void CaptureFile::write(const std::string& text)
{
    if (!m_file || text.empty())
        return;
    std::fwrite(text.data(), 1, text.size(), m_file);
    std::fflush(m_file);
}

void CaptureFile::close(DayTime now)
{
    if (!m_file)
        return;
    write("\n\n--- End capture: " + formatCaptureTime(now) + " UTC ---\n");
    std::fclose(m_file);
    m_file = nullptr;
}

DayTime dayTimeFromUnix(double unixSeconds) { return unixSeconds / 86400.0 + 25569.0; }
double unixFromDayTime(DayTime t) { return (t - 25569.0) * 86400.0; }

namespace {

std::tm splitTime(DayTime t)
{
    const auto secs = static_cast<std::time_t>(roundHalfEven(unixFromDayTime(t)));
    std::tm tm{};
    gmtime_r(&secs, &tm);
    return tm;
}

} // namespace

std::string formatCaptureTime(DayTime t)
{
    static constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm tm = splitTime(t);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%02d-%s-%04d %02d:%02d:%02d", tm.tm_mday, kMonths[static_cast<std::size_t>(tm.tm_mon)],
                  tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

std::string textFileName(const std::string& nameTemplate, const std::string& givenName, const std::string& rowName,
                         DayTime reference)
{
    std::string name = givenName;
    if (name.empty()) {
        name = rowName;
        for (std::size_t p; (p = name.find(" / ")) != std::string::npos;)
            name.replace(p, 3, "_");
    }
    std::tm tm = splitTime(reference);
    char d[48], t[32];
    std::snprintf(d, sizeof d, "%04d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    std::snprintf(t, sizeof t, "%02d%02d", tm.tm_hour, tm.tm_min);
    std::string tpl;
    for (char c : nameTemplate)
        tpl.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    const auto first = tpl.find_first_not_of(' ');
    tpl = first == std::string::npos ? "" : tpl.substr(first, tpl.find_last_not_of(' ') - first + 1);
    std::string out;
    const std::string D(d), T(t);
    for (std::size_t i = 0; i < tpl.size();) {
        auto at = [&](const char* tok) { return tpl.compare(i, std::char_traits<char>::length(tok), tok) == 0; };
        if (tpl[i] == '@') {
            out += name;
            i += 1;
        } else if (at("YYYY")) {
            out += D.substr(0, 4);
            i += 4;
        } else if (at("YY")) {
            out += D.substr(2, 2);
            i += 2;
        } else if (at("MM")) {
            out += D.substr(4, 2);
            i += 2;
        } else if (at("DD")) {
            out += D.substr(6, 2);
            i += 2;
        } else if (at("HH")) {
            out += T.substr(0, 2);
            i += 2;
        } else if (at("NN")) {
            out += T.substr(2, 2);
            i += 2;
        } else {
            out += tpl[i++];
        }
    }
    return out;
}

namespace {

int step(const std::vector<int>& list, int value, bool up)
{
    const int n = static_cast<int>(list.size());
    auto it = std::find(list.begin(), list.end(), value);
    if (it != list.end()) {
        const int i = static_cast<int>(it - list.begin());
        return list[static_cast<std::size_t>((i + (up ? 1 : n - 1)) % n)];
    }
    if (up) {
        for (int v : list)
            if (v > value)
                return v;
        return list.front();
    }
    for (auto r = list.rbegin(); r != list.rend(); ++r)
        if (*r < value)
            return *r;
    return list.back();
}

} // namespace

int stepBaud(int baud, bool up) { return step({45, 50, 75, 100, 110}, baud, up); }
int stepShift(int shiftHz, bool up) { return step({85, 170, 450, 850}, shiftHz, up); }

std::vector<std::string> ptcApplyModeCommands(std::uint8_t type, const std::string& ptcType, int centerHz,
                                              bool reverse, int shiftHz, int baud)
{
    const int half = shiftHz / 2;
    std::vector<std::string> c{"Term 0", "Status 2"};
    if (type == RttyFec) {
        c.insert(c.end(), {"AMTOR", "ARX 1", "BC 1", "TO 2", reverse ? "TR 0" : "TR 3"});
    } else {
        c.insert(c.end(), {ptcType + " " + std::to_string(baud), "TO 2", reverse ? "TR 3" : "TR 0"});
    }
    c.push_back("Mark " + std::to_string(centerHz - half));
    c.push_back("Space " + std::to_string(centerHz + half));
    c.push_back("LFIgnore 0");
    return c;
}

std::string ptcReverseCommand(std::uint8_t type, bool revDown)
{
    return (type == RttyFec && revDown) || (type != RttyFec && !revDown) ? "TR 0" : "TR 3";
}

std::string PtcCharacterReader::read(std::span<const std::uint16_t> items)
{
    std::string out;
    for (std::uint16_t item : items) {
        const auto byte = static_cast<std::uint8_t>(item & 0xFF);
        if (m_statusNext) {
            m_status = byte;
            m_statusSeen = true;
            m_statusNext = false;
        } else if (byte == 0x1E) {
            m_statusNext = true;
        } else {
            out.push_back(static_cast<char>(byte));
        }
    }
    return out;
}

std::string ScrollBack::panelText() const
{
    return "SCROLL BACK (" + std::to_string((m_countdown + 9) / 10) + " sec. ) Click here to terminate.";
}

bool saveTextPruned(const std::filesystem::path& folder, const std::string& fileName,
                    const std::vector<std::string>& lines, int maxFiles)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder, ec);
    maxFiles = std::clamp(maxFiles, 1, 200);
    for (;;) {
        std::vector<fs::directory_entry> files;
        for (const auto& e : fs::directory_iterator(folder, ec))
            if (e.is_regular_file(ec))
                files.push_back(e);
        if (static_cast<int>(files.size()) < maxFiles)
            break;
        auto oldest = std::min_element(files.begin(), files.end(), [&](const auto& a, const auto& b) {
            return a.last_write_time(ec) < b.last_write_time(ec);
        });
        if (!fs::remove(oldest->path(), ec))
            break;
    }
    std::FILE* f = std::fopen((folder / fileName).string().c_str(), "wb");
    if (!f)
        return false;
    bool ok = true;
    for (const std::string& l : lines)
        ok = std::fprintf(f, "%s\n", l.c_str()) >= 0 && ok;
    return std::fclose(f) == 0 && ok;
}

int operatingModeFor(std::uint8_t type, int shiftHz, int currentMode)
{
    if (type == RttyFec)
        return 10;
    switch (shiftHz) {
    case 85:
        return 7;
    case 170:
        return 8;
    case 450:
        return 9;
    case 850:
        return 11;
    default:
        return currentMode;
    }
}

} // namespace tellur::text
