#include "text/message_filters.h"

#include "core/bounded_read.h"

#include <fstream>
#include <sstream>

namespace tellur::text {

namespace {
const char* const kSubjects[12] = {"Navigational Warnings", "Meteorological Warnings", "Ice Reports",
                                   "SAR Infos",             "Meteorological Forecasts", "Pilot Messages",
                                   "DECCA Messages",        "LORAN-C Messages",         "OMEGA Messages",
                                   "SATNAV Messages",       "Other NAVaid Messages",    "Navigational Warnings 2"};
}

std::string subjectName(char b2)
{
    return b2 >= 'A' && b2 <= 'L' ? kSubjects[b2 - 'A'] : "";
}

const std::vector<std::string>& messageTypeEntries()
{
    static const std::vector<std::string> entries = [] {
        std::vector<std::string> e{"All Messages", "^ - all NAVTEX msgs", "@ - all RTTY msgs"};
        for (char c : std::string("ALBEDJKCFGHI"))
            e.push_back(std::string(1, c) + " - " + subjectName(c));
        return e;
    }();
    return entries;
}

const std::vector<std::string>& navareaEntries()
{
    static const std::vector<std::string> entries = {
        "not known",          "01 - North Sea/Baltic", "02 - North Atlantic", "03 - Mediterranean",
        "04 - USA East Coast", "05 - ",                "06 - South America",  "07 - South Africa",
        "08 - India",         "09 - Red Sea",          "10 - Australia",      "11 - Indonesia/China",
        "12 - USA West Coast", "13 - ",                "14 - ",               "15 - Chile",
        "16 - Peru"};
    return entries;
}

std::string navareaCode(const std::string& entry) { return entry.substr(0, 2); }

std::string buildFilterExpression(const std::string& typeKey, const std::string& stationKey)
{
    std::string f;
    if (typeKey == "^")
        f += " and Type <> '@'";
    else if (!typeKey.empty())
        f += " and Type = '" + typeKey.substr(0, 1) + "'";
    if (!stationKey.empty())
        f += " and Station = '" + stationKey.substr(0, 1) + "'";
    return f.empty() ? f : f.substr(5);
}

void NavtexStationNames::load(const std::filesystem::path& file)
{
    loadFromText(readFileAtMost(file, kMaxTextFileBytes).value_or(std::string()));
}

void NavtexStationNames::loadFromText(const std::string& text)
{
    m_lines.assign(1, "not known");
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        m_lines.push_back(line);
    }
}

std::string NavtexStationNames::name(const std::string& areaCode, char letter) const
{
    if (areaCode == "no")
        return "not known";
    const std::string key = areaCode + " " + letter;
    for (const std::string& l : m_lines)
        if (l.compare(0, 4, key) == 0)
            return l.size() > 5 ? l.substr(5) : "";
    return "";
}

std::vector<std::string> NavtexStationNames::stationEntries(const std::string& areaCode) const
{
    std::vector<std::string> e{"All Stations"};
    for (char c = 'A'; c <= 'Z'; ++c)
        e.push_back(std::string(1, c) + " - " + (areaCode == "no" ? std::string() : name(areaCode, c)));
    return e;
}

} // namespace tellur::text
