#include "text/synop_decoder.h"

#include "core/bounded_read.h"

#include <algorithm>
#include <array>
#include <climits>
#include <fstream>
#include <sstream>

namespace tellur::text {

namespace {

constexpr int kUnset = 255;
constexpr int kNoDirection = INT_MAX;
const std::string kRule(74, '=');

constexpr std::array<const char*, 4> kWindUnit = {"m/s (estimated)", "m/s (measured)", "kts (estimated)",
                                                  "kts (measured)"};
constexpr std::array<const char*, 11> kCloudBase = {"0 to 50 m",      "50 to 100 m",    "100 to 200 m",
                                                    "200 to 300 m",   "300 to 600 m",   "600 to 1000 m",
                                                    "1000 to 1500 m", "1500 to 2000 m", "2000 to 2500 m",
                                                    "above 2500 m",   "unknown"};
constexpr std::array<const char*, 9> kTendency = {
    "increasing, then decreasing", "increasing, then steady",  "increasing steadily",
    "decreasing or steady, then increasing", "steady",          "decreasing, then increasing",
    "decreasing, then steady",     "decreasing steadily",      "increasing or steady, then decreasing"};
constexpr std::array<const char*, 11> kPrecipPeriod = {"?? hours", "6 hours", "12 hours", "18 hours",
                                                       "24 hours", "1 hour",  "2 hour",   "3 hour",
                                                       "9 hour",   "15 hours", "24 hours"};
constexpr std::array<const char*, 10> kPastWeather = {"cloud covering < 4/8",
                                                      "cloud covering > 4/8 at times",
                                                      "cloud covering > 4/8",
                                                      "sand-/duststorm or blowing snow",
                                                      "fog, or thick haze",
                                                      "drizzle",
                                                      "rain",
                                                      "snow or mixed rain and snow",
                                                      "showers",
                                                      "thunderstorms"};
constexpr std::array<const char*, 11> kLowClouds = {
    "no low clouds",
    "cumulus humulis or fractus (no vertical development)",
    "cumulus mediocris or congestus (moderate vertical development)",
    "cumulonimbus calvus (no outlines nor anvil)",
    "stratocumulus cumulogenitus (formed by spreading of cumulus)",
    "stratocumulus",
    "stratus nebulosus (continuous sheet)",
    "stratus or cumulus fractus (bad weather)",
    "cumulus and stratocumulus (multilevel)",
    "cumulonimbus with anvil",
    "low clouds unobserved due to darkness or obscuration"};
constexpr std::array<const char*, 11> kMiddleClouds = {
    "no middle clouds",
    "altostratus translucidous (mostly transparent)",
    "altostratus opacus or nimbostratus",
    "altocumulus translucidous (mostly transparent)",
    "patches of altocumulus (irregular, lenticular)",
    "bands of altocumulus",
    "altocumulus cumulogenitus (formed by spreading of cumulus)",
    "altocumulus (multilayers)",
    "altocumulus castellanus (having cumuliform tufts)",
    "altocumulus of a chaotic sky",
    "middle clouds unobserved due to darkness or obscuration"};
constexpr std::array<const char*, 11> kHighClouds = {
    "no high clouds",
    "cirrus fibratus (wispy)",
    "cirrus spissatus (dense in patches)",
    "cirrus spissatus cumulogenitus (formed out of anvil)",
    "cirrus unicus or fibratus (progressively invading sky)",
    "bands of cirrus or cirrostratus invading sky (< 45\xC2\xB0 above horizon)",
    "bands of cirrus or cirrostratus invading sky (> 45\xC2\xB0 above horizon)",
    "cirrostratus covering whole sky",
    "cirrostratus not covering sky but not invading",
    "cirrocumulus",
    "high clouds unobserved due to darkness or obscuration"};
constexpr std::array<const char*, 11> kGenus = {"cirrus (Ci)",       "cirrocumulus (Cc)", "cirrostratus (Cs)",
                                                "altocumulus (Ac)",  "altostratus (As)",  "nimbostratus (Ns)",
                                                "stratocumulus (Sc)", "stratus (St)",     "cumulus (Cu)",
                                                "cumulonimbus (Cb)", "cloud not visible"};
constexpr std::array<const char*, 10> kGroundSnow = {
    "ground predominantly covered with ice",
    "compact or wet snow on less than 50% of ground",
    "compact or wet snow on more than 50% and less than 100% of ground",
    "even layer of compact or wet snow on entire",
    "uneven layer of compact or wet snow on entire ground",
    "loose dry snow on less than 50% of ground",
    "loose dry snow on more than 50% and less than 100% of ground",
    "even layer of loose dry snow on entire ground",
    "uneven layer of loose dry snow on entire ground",
    "snow covering ground completely with deep drifts"};
constexpr std::array<const char*, 9> kShipDirection = {"NE", "E", "SE", "S", "SW", "W", "NW", "N", "unknown"};
constexpr std::array<const char*, 10> kShipSpeed = {"0 knots",        "1 to 5 knots",   "6 to 10 knots",
                                                    "11 to 15 knots", "16 to 20 knots", "21 to 25 knots",
                                                    "26 to 30 knots", "31 to 35 knots", "36 to 40 knots",
                                                    "over 40 knots"};
constexpr std::array<const char*, 5> kIcingCause = {"icing from ocean spray", "icing from fog",
                                                    "icing from spray and fog", "icing from precipitation",
                                                    "icing from spray and precipitation"};
constexpr std::array<const char*, 5> kIcingRate = {"ice not building up", "ice building up slowly",
                                                   "ice building up rapidly", "ice melting our breaking up slowly",
                                                   "ice melting our breaking up rapidly"};
constexpr std::array<const char*, 8> kWetBulb = {"measured", "measured", "iced bulb measured", "", "",
                                                 "computed", "computed", "iced bulb computed"};
constexpr std::array<const char*, 100> kPresentWeather = {
    "clear skies", "clouds dissolving", "state of sky unchanged", "clouds developing",
    "visibility reduced by smoke", "haze", "widespread dust in suspension not raised by wind",
    "dust or sand raised by wind", "well developed dust or sand whirls",
    "dust or sand storm within sight but not at station", "mist", "patches of shallow fog",
    "continuous shallow fog", "lightning visible, no thunder heard",
    "precipitation within sight but not hitting ground", "distant precipitation but not falling at station",
    "nearby precipitation but not falling at station", "thunderstorm but no precipitation falling at station",
    "squalls within sight but no precipitation falling at station", "funnel clouds within sight", "drizzle",
    "rain", "snow", "rain and snow", "freezing rain", "rain showers", "snow showers", "hail showers", "fog",
    "thunderstorms", "slight to moderate duststorm, decreasing in intensity",
    "slight to moderate duststorm, no change", "slight to moderate duststorm, increasing in intensity",
    "severe duststorm, decreasing in intensity", "severe duststorm, no change",
    "severe duststorm, increasing in intensity", "slight to moderate drifting snow, below eye level",
    "heavy drifting snow, below eye level", "slight to moderate drifting snow, above eye level",
    "heavy drifting snow, above eye level", "Fog at a distance", "patches of fog", "fog, sky visible, thinning",
    "fog, sky not visible, thinning", "fog, sky visible, no change", "fog, sky not visible, no change",
    "fog, sky visible, becoming thicker", "fog, sky not visible, becoming thicker",
    "fog, depositing rime, sky visible", "fog, depositing rime, sky not visible", "intermittent light drizzle",
    "continuous light drizzle", "intermittent moderate drizzle", "continuous moderate drizzle",
    "intermittent heavy drizzle", "continuous heavy drizzle", "light freezing drizzle",
    "moderate to heavy freezing drizzle", "light drizzle and rain", "moderate to heavy drizzle and rain",
    "intermittent light rain", "continuous light rain", "intermittent moderate rain", "continuous moderate rain",
    "intermittent heavy rain", "continuous heavy rain", "light freezing rain", "moderate to heavy freezing rain",
    "light rain and snow", "moderate to heavy rain and snow", "intermittent light snow", "continuous light snow",
    "intermittent moderate snow", "continuous moderate snow", "intermittent heavy snow", "continuous heavy snow",
    "diamond dust", "snow grains", "snow crystals", "ice pellets", "light rain showers",
    "moderate to heavy rain showers", "violent rain showers", "light rain and snow showers",
    "moderate to heavy rain and snow showers", "light snow showers", "moderate to heavy snow showers",
    "light snow/ice pellet showers", "moderate to heavy snow/ice pellet showers", "light hail showers",
    "moderate to heavy hail showers", "thunderstorm in past hour, currently light rain",
    "thunderstorm in past hour, currently moderate to heavy rain",
    "thunderstorm in past hour, currently light snow or rain/snow mix",
    "thunderstorm in past hour, currently moderate to heavy snow or rain/snow mix",
    "light to moderate thunderstorm", "light to moderate thunderstorm with hail", "heavy thunderstorm",
    "heavy thunderstorm with duststorm", "heavy thunderstorm with hail"};

const char* kDegree = "\xC2\xB0";

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isCodeChar(char c) { return c == ' ' || c == '/' || c == '=' || isDigit(c); }
int digit(char c) { return c - '0'; }
bool allDigits(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), isDigit);
}
int number(const std::string& s)
{
    int v = 0;
    for (char c : s)
        v = v * 10 + digit(c);
    return v;
}
std::string noLeadingZeros(const std::string& digits) { return std::to_string(number(digits)); }

// Characters pos..pos+len-1 (1-based) of a group; shorter when the group is short.
std::string part(const std::string& g, std::size_t pos, std::size_t len)
{
    return pos - 1 < g.size() ? g.substr(pos - 1, len) : std::string();
}

struct CloudLayer {
    int amount = kUnset;
    int genus = kUnset;
    std::string height;
};

struct Swell {
    std::string direction, period, height;
};

struct Report {
    std::string id, name, indicator, latitude, longitude, day, hour;
    int windUnit = 3;
    std::string visibility, totalCover;
    int windDirection = kNoDirection;
    std::string windSpeed, temperature, dewPoint, stationPressure, seaPressure;
    int tendency = kUnset;
    std::string tendencyAmount, precipitation;
    int ww = kUnset, w1 = kUnset, w2 = kUnset, h = kUnset, nh = kUnset, cl = kUnset, cm = kUnset, ch = kUnset;
    std::string observationTime;
    int cloudLayers = 0;
    std::array<CloudLayer, 4> layers;
    std::string maxTemp, minTemp, snowDepth;
    int groundState = kUnset;
    std::string precip24;
    int ds = kUnset, vs = kUnset;
    std::string seaTemp, wavePeriod, waveHeight;
    std::string insWaveHeight;
    std::string insWavePeriod; // integer text; "0" when set by the 70 group only
    std::array<Swell, 2> swells;
    std::string wetBulb;
    int sw = kUnset;
    int icingCause = kUnset, icingRate = kUnset;
    std::string iceThickness;
    bool section222 = false;
    int iR = kUnset, ix = kUnset;
};

// "-" for sign figure 1, tens and units without leading zero, ".", tenths, " °C".
bool temperature(const std::string& g, std::string& out)
{
    if (g.size() < 5 || (g[1] != '0' && g[1] != '1') || !allDigits(g.substr(2, 3)))
        return false;
    out = std::string(g[1] == '1' ? "-" : "") + noLeadingZeros(g.substr(2, 2)) + "." + g[4] + " " + kDegree + "C";
    return true;
}

bool pressure(const std::string& g, std::string& out)
{
    if (g.size() < 5 || !allDigits(g.substr(1, 3)) || !(isDigit(g[4]) || g[4] == '/'))
        return false;
    if (g[4] == '/')
        out = g.substr(1, 4) + " hPa";
    else
        out = std::string(g[1] <= '4' ? "1" : "") + g.substr(1, 3) + "." + g[4] + " hPa";
    return true;
}

bool precipitation(const std::string& g, std::string& out)
{
    if (g.size() < 5 || !allDigits(g.substr(1, 3)) || !(isDigit(g[4]) || g[4] == '/'))
        return false;
    int rrr = number(g.substr(1, 3));
    if (rrr < 989)
        out = std::to_string(rrr) + " mm";
    else if (rrr == 989)
        out = " > 989 mm";
    else if (rrr == 990)
        out = "traces";
    else
        out = std::string("0.") + g[3] + " mm";
    out += std::string(" / ") + kPrecipPeriod[static_cast<std::size_t>(g[4] == '/' ? 10 : digit(g[4]))];
    return true;
}

std::string visibilityText(const std::string& vv)
{
    if (vv == "//")
        return "---";
    int v = number(vv);
    if (v == 0)
        return "< 0.1 km";
    if (v <= 50)
        return std::string(1, vv[0]) + "." + vv[1] + " km";
    if (v <= 55)
        return "";
    if (v <= 80)
        return std::to_string(v - 50) + " km";
    if (v <= 88)
        return std::to_string(30 + 5 * (v - 80)) + " km";
    static constexpr std::array<const char*, 11> kHigh = {"> 70 km", "< 0.05 km", "0.05 km", "0.2 km",
                                                          "0.5 km",  "1 km",      "2 km",    "4 km",
                                                          "10 km",   "20 km",     "> 50 km"};
    return kHigh[static_cast<std::size_t>(v - 89)];
}

std::string cloudHeightText(int hs)
{
    if (hs == 0)
        return "< 30 m";
    if (hs <= 50)
        return std::to_string(30 * hs) + " m";
    if (hs <= 55)
        return "???? m";
    if (hs <= 80)
        return std::to_string(300 * (hs - 56) + 1800) + " m";
    if (hs <= 88)
        return std::to_string(1500 * (hs - 81) + 10500) + " m";
    static constexpr std::array<const char*, 11> kHigh = {"> 21000 m",    "0..50 m",      "50..100 m",
                                                          "100..200 m",   "200..300 m",   "300..600 m",
                                                          "600..1000 m",  "1000..1500 m", "1500..2000 m",
                                                          "2000..2500 m", "> 2500 m"};
    return kHigh[static_cast<std::size_t>(hs - 89)];
}

// Swell or wave height: value in tenths with a "." before the last figure.
std::string tenthsText(int tenths)
{
    std::string s = std::to_string(tenths);
    return s.substr(0, s.size() - 1) + "." + s.back();
}

class Decoder {
public:
    Decoder(const std::vector<std::string>& in, std::vector<std::string>& out, const SynopStationList& st)
        : m_in(in), m_out(out), m_stations(st)
    {
    }

    bool run();
    void step();

private:
    bool nextWork();
    void endReport();
    void writeReport();
    void groupIdent(const std::string& g);
    void groupWind(const std::string& g);
    void section1(const std::string& g);
    void section2(const std::string& g);
    void section3(const std::string& g);
    void remove(std::size_t n) { m_work.erase(0, std::min(n, m_work.size())); }
    void resetRecord() { m_r = Report{}; }

    const std::vector<std::string>& m_in;
    std::vector<std::string>& m_out;
    const SynopStationList& m_stations;
    std::size_t m_next = 0;
    std::string m_work;
    int m_state = 0;
    bool m_ship = false;
    bool m_completed = false;
    Report m_r;
};

void trimLeft(std::string& s)
{
    std::size_t i = s.find_first_not_of(' ');
    s.erase(0, i == std::string::npos ? s.size() : i);
}

bool startsWith(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }

// "333" and "555" open their section also at the end of a line, where the next group follows
// on the next line.
bool sectionMark(const std::string& s, const char* mark)
{
    return startsWith(s, mark) && (s.size() == 3 || s[3] == ' ');
}

bool Decoder::nextWork()
{
    trimLeft(m_work);
    while (m_work.empty()) {
        if (m_next >= m_in.size())
            return false;
        m_work = m_in[m_next++];
        trimLeft(m_work);
    }
    return true;
}

void Decoder::endReport()
{
    m_state = m_ship ? 2 : 1;
    m_work.clear();
    writeReport();
    resetRecord();
    m_completed = true;
}

bool Decoder::run()
{
    while (nextWork()) {
        step();
    }
    // A report cut off by the end of the message keeps what was read.
    if (m_state >= 3)
        endReport();
    return m_completed;
}

void Decoder::step()
{
    {
        switch (m_state) {
        case 0:
            if (startsWith(m_work, "AAXX") || startsWith(m_work, "BBXX")) {
                m_ship = startsWith(m_work, "BBXX");
                m_out.push_back((m_ship ? "SHIP messages " : "SYNOP messages ") + m_work);
                m_out.emplace_back();
                m_out.push_back(kRule);
                m_state = m_ship ? 2 : 1;
            }
            m_work.clear();
            return;
        case 1: {
            bool ok = m_work.size() > 22 && m_work.find(' ') == 5 &&
                      std::all_of(m_work.begin(), m_work.end(), isCodeChar);
            if (!ok) {
                m_work.clear();
                return;
            }
            resetRecord();
            m_r.id = m_work.substr(0, 5);
            if (const SynopStation* s = m_stations.find(m_r.id)) {
                m_r.name = s->name;
                m_r.indicator = s->indicator;
                m_r.latitude = s->latitude;
                m_r.longitude = s->longitude;
            }
            remove(5);
            m_state = 3;
            return;
        }
        case 2: {
            const std::string& w = m_work;
            std::size_t call = 0;
            if (w.size() > 23 && w[5] == ' ' && w[11] == ' ' && w[17] == ' ' && w[12] == '9' && w[13] == '9')
                call = 5;
            else if (w.size() > 22 && w[4] == ' ' && w[10] == ' ' && w[16] == ' ' && w[11] == '9' && w[12] == '9')
                call = 4;
            const char qc = call ? w[call + 13] : '\0';
            const char lo = call ? w[call + 14] : '\0';
            if (!call || !(qc == '1' || qc == '3' || qc == '5' || qc == '7') || !(lo == '0' || lo == '1')) {
                m_work.clear();
                return;
            }
            resetRecord();
            const std::string la = w.substr(call + 9, 3);
            const std::string lon = w.substr(call + 14, 4);
            m_r.id = w.substr(0, call);
            m_r.latitude = la.substr(0, 2) + "." + la[2] + kDegree + " " + (qc == '3' || qc == '5' ? "S" : "N");
            m_r.longitude = lon.substr(0, 3) + "." + lon[3] + kDegree + " " + (qc == '1' || qc == '3' ? "E" : "W");
            m_r.day = w.substr(call + 1, 2);
            m_r.hour = w.substr(call + 3, 2);
            const char iw = w[call + 5];
            if (iw >= '0' && iw <= '3')
                m_r.windUnit = digit(iw);
            remove(call + 18);
            if (!m_work.empty() && !isCodeChar(m_work[0])) {
                m_work.clear();
                resetRecord();
            } else if (m_work.size() > 10) {
                m_state = 3;
            } else {
                m_work.clear();
                resetRecord();
            }
            return;
        }
        case 3:
            groupIdent(part(m_work, 1, 5));
            groupWind(part(m_work, 7, 5));
            remove(12);
            m_r.cloudLayers = 0;
            m_state = 5;
            return;
        case 5:
            if (startsWith(m_work, "222")) {
                m_state = 6;
            } else if (sectionMark(m_work, "333")) {
                remove(3);
                m_state = 7;
            } else if (sectionMark(m_work, "555")) {
                remove(3);
                m_state = 8;
            } else if (m_work[0] == '=') {
                endReport();
                return;
            } else if (m_work.size() >= 5) {
                section1(m_work.substr(0, 5));
                remove(5);
            } else {
                remove(1);
            }
            break;
        case 6:
            if (sectionMark(m_work, "333")) {
                remove(3);
                m_state = 7;
            } else if (sectionMark(m_work, "555")) {
                remove(3);
                m_state = 8;
            } else if (m_work[0] == '=') {
                endReport();
                return;
            } else {
                section2(m_work.substr(0, 5));
                remove(5);
            }
            break;
        case 7:
            if (startsWith(m_work, "555")) {
                m_state = 8;
            } else if (m_work[0] == '=') {
                endReport();
                return;
            } else if (m_work[0] == '5') {
                remove(m_work.size() > 10 ? 11 : 5);
            } else {
                section3(m_work.substr(0, 5));
                remove(5);
            }
            break;
        case 8:
            if (m_work[0] == '=') {
                endReport();
                return;
            }
            remove(1);
            break;
        default:
            return;
        }
        if (!m_work.empty() && !isCodeChar(m_work[0]))
            endReport();
    }
}

void Decoder::groupIdent(const std::string& g)
{
    if (g.size() < 5)
        return;
    const bool ok = g[0] >= '0' && g[0] <= '4' && g[1] >= '1' && g[1] <= '7' && (isDigit(g[2]) || g[2] == '/') &&
                    ((isDigit(g[3]) && isDigit(g[4])) || (g[3] == '/' && g[4] == '/'));
    if (!ok)
        return;
    m_r.iR = digit(g[0]);
    m_r.ix = digit(g[1]);
    m_r.h = g[2] == '/' ? 10 : digit(g[2]);
    m_r.visibility = visibilityText(g.substr(3, 2));
}

void Decoder::groupWind(const std::string& g)
{
    if (g.size() < 5 || !(isDigit(g[0]) || g[0] == '/') || !allDigits(g.substr(1, 4)))
        return;
    m_r.totalCover = g[0] == '/' ? "---" : g[0] == '9' ? "???" : std::string(1, g[0]) + "/8";
    m_r.windDirection = number(g.substr(1, 2)) * 10;
    m_r.windSpeed = noLeadingZeros(g.substr(3, 2)) + " " + kWindUnit[static_cast<std::size_t>(m_r.windUnit)];
}

void Decoder::section1(const std::string& g)
{
    std::string text;
    switch (g[0]) {
    case '0':
        if (g[1] == '0' && allDigits(g.substr(2, 3)))
            m_r.windSpeed = noLeadingZeros(g.substr(2, 3)) + " " + kWindUnit[static_cast<std::size_t>(m_r.windUnit)];
        break;
    case '1':
        if (temperature(g, text))
            m_r.temperature = text;
        break;
    case '2':
        if (g[1] == '9') {
            if (allDigits(g.substr(2, 3)))
                m_r.dewPoint = noLeadingZeros(g.substr(2, 3)) + "% RH";
        } else if ((g[1] == '0' || g[1] == '1') && allDigits(g.substr(2, 2)) && (isDigit(g[4]) || g[4] == '/')) {
            if (g[4] == '/')
                m_r.dewPoint = std::string(g[1] == '1' ? "-" : "") + noLeadingZeros(g.substr(2, 2)) + ".0";
            else
                temperature(g, m_r.dewPoint);
        }
        break;
    case '3':
        if (pressure(g, text))
            m_r.stationPressure = text;
        break;
    case '4':
        if (pressure(g, text))
            m_r.seaPressure = text;
        break;
    case '5':
        if (g[1] >= '0' && g[1] <= '8' && allDigits(g.substr(2, 3))) {
            m_r.tendency = digit(g[1]);
            m_r.tendencyAmount = noLeadingZeros(g.substr(2, 2)) + "." + g[4];
        }
        break;
    case '6':
        if (precipitation(g, text))
            m_r.precipitation = text;
        break;
    case '7':
        if (allDigits(g.substr(1, 4))) {
            m_r.ww = number(g.substr(1, 2));
            m_r.w1 = digit(g[3]);
            m_r.w2 = digit(g[4]);
        }
        break;
    case '8':
        if (allDigits(g.substr(1, 4))) {
            m_r.nh = digit(g[1]);
            m_r.cl = digit(g[2]);
            m_r.cm = digit(g[3]);
            m_r.ch = digit(g[4]);
        }
        break;
    case '9':
        if (g[1] >= '0' && g[1] <= '2' && isDigit(g[2]) && g[3] >= '0' && g[3] <= '5' && isDigit(g[4]))
            m_r.observationTime = g.substr(1, 4);
        break;
    default:
        break;
    }
}

void Decoder::section2(const std::string& g)
{
    std::string text;
    if (startsWith(g, "222")) {
        if (g.size() == 5 && isDigit(g[3]) && isDigit(g[4])) {
            m_r.ds = digit(g[3]);
            m_r.vs = digit(g[4]);
            m_r.section222 = true;
        }
        return;
    }
    if (g.size() < 5)
        return;
    auto swell = [&](Swell& s) {
        if (isDigit(g[1]) && isDigit(g[2]))
            s.period = noLeadingZeros(g.substr(1, 2)) + " s";
        if (isDigit(g[3]) && isDigit(g[4]))
            s.height = tenthsText(number(g.substr(3, 2)) * 5) + " m";
    };
    auto wave = [&](std::string& period, std::string& height) {
        if (!allDigits(g.substr(1, 4)))
            return;
        period = noLeadingZeros(g.substr(1, 2));
        const int hh = number(g.substr(3, 2));
        height = hh == 0 ? "0" : tenthsText(hh * 5);
    };
    switch (g[0]) {
    case '0':
        if (temperature(g, text))
            m_r.seaTemp = text;
        break;
    case '1':
        wave(m_r.wavePeriod, m_r.waveHeight);
        break;
    case '2':
        wave(m_r.insWavePeriod, m_r.insWaveHeight);
        break;
    case '3':
        if (isDigit(g[1]) && isDigit(g[2]))
            m_r.swells[0].direction = g.substr(1, 2) + "0" + kDegree;
        if (isDigit(g[3]) && isDigit(g[4]))
            m_r.swells[1].direction = g.substr(3, 2) + "0" + kDegree;
        break;
    case '4':
        swell(m_r.swells[0]);
        break;
    case '5':
        swell(m_r.swells[1]);
        break;
    case '6':
        if (g[1] >= '1' && g[1] <= '5' && isDigit(g[2]) && isDigit(g[3]) && g[4] >= '0' && g[4] <= '4') {
            m_r.icingCause = digit(g[1]);
            m_r.iceThickness = noLeadingZeros(g.substr(2, 2));
            m_r.icingRate = digit(g[4]);
        }
        break;
    case '7':
        if (g[1] == '0' && allDigits(g.substr(2, 3))) {
            m_r.insWaveHeight = noLeadingZeros(g.substr(2, 2)) + "." + g[4];
            if (m_r.insWavePeriod.empty())
                m_r.insWavePeriod = "0";
        }
        break;
    case '8': {
        const char sw = g[1];
        if (((sw >= '0' && sw <= '2') || (sw >= '5' && sw <= '7')) && allDigits(g.substr(2, 3))) {
            m_r.sw = digit(sw);
            m_r.wetBulb = std::string(sw != '0' && sw != '5' ? "-" : "") + noLeadingZeros(g.substr(2, 2)) + "." +
                          g[4] + " " + kDegree + "C";
        }
        break;
    }
    default:
        break;
    }
}

void Decoder::section3(const std::string& g)
{
    if (g.size() < 5)
        return;
    std::string text;
    switch (g[0]) {
    case '1':
        if (temperature(g, text))
            m_r.maxTemp = text;
        break;
    case '2':
        if (temperature(g, text))
            m_r.minTemp = text;
        break;
    case '4':
        if (allDigits(g.substr(1, 4))) {
            m_r.groundState = digit(g[1]);
            m_r.snowDepth = g.substr(2, 3);
        }
        break;
    case '6':
        if (precipitation(g, text))
            m_r.precipitation = text;
        break;
    case '7':
        if (allDigits(g.substr(1, 4)))
            m_r.precip24 = g.substr(1, 4) + " mm";
        break;
    case '8':
        if (g[1] >= '0' && g[1] <= '8' && (isDigit(g[2]) || g[2] == '/') && allDigits(g.substr(3, 2)) &&
            m_r.cloudLayers < 4) {
            CloudLayer& l = m_r.layers[static_cast<std::size_t>(m_r.cloudLayers++)];
            l.amount = digit(g[1]);
            l.genus = g[2] == '/' ? 10 : digit(g[2]);
            l.height = cloudHeightText(number(g.substr(3, 2)));
        }
        break;
    default:
        break;
    }
}

std::string label(const char* text)
{
    std::string s(text);
    s.resize(18, ' ');
    return s;
}

void Decoder::writeReport()
{
    const Report& r = m_r;
    auto& o = m_out;
    auto idx = [](int v) { return static_cast<std::size_t>(v); };
    o.push_back(label("Station:") + r.id + " " + r.name);
    if (!r.latitude.empty())
        o.push_back(label("Position:") + r.latitude + ", " + r.longitude);
    if (!r.day.empty())
        o.push_back(label("Time of observ:") + r.day + (r.observationTime.empty() ? r.hour + "00" : r.observationTime) +
                    " UTC");
    o.emplace_back();
    o.emplace_back("General");
    o.emplace_back("-------");
    if (!r.visibility.empty())
        o.push_back(label("Visibility:") + r.visibility);
    if (r.windDirection != kNoDirection)
        o.push_back(label("Wind:") + std::to_string(r.windDirection) + kDegree +
                    (r.windSpeed.empty() ? "" : ", " + r.windSpeed));
    if (!r.temperature.empty())
        o.push_back(label("Temperature:") + r.temperature + (r.dewPoint.empty() ? "" : ", dew point: " + r.dewPoint));
    else if (!r.dewPoint.empty())
        o.push_back(label("Dew point:") + r.dewPoint);
    if (!r.maxTemp.empty())
        o.push_back(label("Max. temp.(24h):") + r.maxTemp +
                    (r.minTemp.empty() ? "" : ", Min. temp.(24h):  " + r.minTemp));
    else if (!r.minTemp.empty())
        o.push_back(label("Min. temp.(24h):") + r.minTemp);
    if (!r.stationPressure.empty())
        o.push_back(label("Pressure:") + r.stationPressure + " (station)" +
                    (r.seaPressure.empty() ? "" : ", " + r.seaPressure + " (MSL)"));
    else if (!r.seaPressure.empty())
        o.push_back(label("Pressure:") + r.seaPressure + " (MSL)");
    if (r.tendency != kUnset)
        o.push_back(label("Press. tendency:") + (r.tendency <= 3 ? "+" : r.tendency == 4 ? "+/-" : "-") +
                    r.tendencyAmount + " hPa, " + kTendency[idx(r.tendency)]);
    if (!r.precipitation.empty())
        o.push_back(label("Precipitation:") + r.precipitation +
                    (r.precip24.empty() ? "" : ", in last 24 hours: " + r.precip24));
    else if (!r.precip24.empty())
        o.push_back(label("Precipitation:") + r.precip24 + " in last 24 hours");
    if (!r.snowDepth.empty())
        o.push_back(label("Snow depth:") + r.snowDepth + " cm, " + kGroundSnow[idx(r.groundState)]);
    if (r.ww != kUnset) {
        o.emplace_back();
        o.emplace_back("Weather");
        o.emplace_back("-------");
        o.push_back(label("Present:") + kPresentWeather[idx(r.ww)]);
    }
    if (r.w1 != kUnset)
        o.push_back(label("Past:") + kPastWeather[idx(r.w1)] + (r.w2 != r.w1 ? std::string(", ") + kPastWeather[idx(r.w2)] : ""));
    if (r.h != kUnset) {
        o.emplace_back();
        o.emplace_back("Clouds");
        o.emplace_back("------");
        o.push_back(label("Total coverage:") + r.totalCover + ", base of lowest: " + kCloudBase[idx(r.h)]);
    }
    if (r.nh != kUnset) {
        o.push_back(label("Low/middle layer:") + std::to_string(r.nh) + "/8");
        o.push_back(label("Low clouds:") + kLowClouds[idx(r.cl)]);
        o.push_back(label("Middle clouds:") + kMiddleClouds[idx(r.cm)]);
        o.push_back(label("High clouds:") + kHighClouds[idx(r.ch)]);
    }
    for (int i = 0; i < r.cloudLayers; ++i) {
        const CloudLayer& l = r.layers[idx(i)];
        o.push_back(label(("Cloud layer " + std::to_string(i + 1) + ":").c_str()) + std::to_string(l.amount) + "/8, " +
                    kGenus[idx(l.genus)] + ", " + l.height);
    }
    if (r.section222) {
        o.emplace_back();
        o.emplace_back("Sea surface observations");
        o.emplace_back("------------------------");
    }
    if (r.ds != kUnset) {
        if (r.ds == 0)
            o.push_back(label("Ship speed:") + "not moving");
        else
            o.push_back(label("Ship speed:") + kShipSpeed[idx(r.vs)] + ", moving " + kShipDirection[idx(r.ds - 1)]);
    }
    if (!r.seaTemp.empty())
        o.push_back(label("Sea surf. temp.:") + r.seaTemp);
    if (!r.wetBulb.empty() || r.sw != kUnset)
        o.push_back(label("Wet bulb. temp.:") + r.wetBulb + ", " + kWetBulb[idx(r.sw)]);
    if (r.icingCause != kUnset)
        o.push_back(label("Ice accreation:") + r.iceThickness + " cm, " + kIcingCause[idx(r.icingCause - 1)] + ", " +
                    kIcingRate[idx(r.icingRate)]);
    if (!r.waveHeight.empty())
        o.push_back(label("Wave height:") + r.waveHeight + " m, period: " + r.wavePeriod + " sec.");
    if (!r.insWaveHeight.empty())
        o.push_back(label("Wave height ins.:") + r.insWaveHeight + " m" +
                    (r.insWavePeriod.empty() || r.insWavePeriod == "0" ? "" : ", period: " + r.insWavePeriod + " sec."));
    const char* swellLabels[2] = {"Primary swell:", "Secondary swell:"};
    for (std::size_t i = 0; i < 2; ++i) {
        const Swell& s = r.swells[i];
        if (s.direction.empty() && s.period.empty() && s.height.empty())
            continue;
        o.push_back(label(swellLabels[i]) + s.direction + (s.period.empty() ? "" : ", period: " + s.period) +
                    (s.height.empty() ? "" : ", height: " + s.height));
    }
    o.emplace_back();
    o.push_back(kRule);
}

} // namespace

void SynopStationList::load(const std::filesystem::path& file)
{
    if (m_loaded)
        return;
    loadFromText(readFileAtMost(file, kMaxTextFileBytes).value_or(std::string()));
}

void SynopStationList::loadFromText(const std::string& text)
{
    m_loaded = true;
    m_stations.clear();
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() < 7)
            continue;
        std::array<std::string, 6> f;
        std::size_t pos = 6;
        for (std::size_t i = 0; i < f.size() && pos <= line.size(); ++i) {
            std::size_t tab = line.find('\t', pos);
            f[i] = line.substr(pos, tab == std::string::npos ? std::string::npos : tab - pos);
            if (tab == std::string::npos)
                break;
            pos = tab + 1;
        }
        static constexpr std::array<std::size_t, 6> kWidth = {4, 50, 2, 50, 12, 12};
        for (std::size_t i = 0; i < f.size(); ++i)
            f[i].resize(std::min(f[i].size(), kWidth[i]));
        SynopStation s;
        s.number = line.substr(0, 5);
        s.indicator = f[0];
        s.name = f[1];
        if (!f[0].empty() && f[0] != "----")
            s.name += " (" + f[0] + ")";
        if (!f[2].empty())
            s.name += ", " + f[2];
        if (!f[3].empty())
            s.name += ", " + f[3];
        s.name.resize(std::min<std::size_t>(s.name.size(), 128));
        s.latitude = f[4];
        s.longitude = f[5];
        m_stations.push_back(std::move(s));
    }
    std::stable_sort(m_stations.begin(), m_stations.end(),
                     [](const SynopStation& a, const SynopStation& b) { return a.number < b.number; });
}

const SynopStation* SynopStationList::find(const std::string& number) const
{
    auto it = std::lower_bound(m_stations.begin(), m_stations.end(), number,
                               [](const SynopStation& s, const std::string& n) { return s.number < n; });
    return it != m_stations.end() && it->number == number ? &*it : nullptr;
}

bool decodeSynop(const std::vector<std::string>& input, std::vector<std::string>& output,
                 const SynopStationList& stations)
{
    output.clear();
    Decoder d(input, output, stations);
    return d.run();
}

} // namespace tellur::text
