// The message viewer's selection vocabulary: message types, NAVAREAs, the transmitter names of
// "Navtexstations.txt" and the filter expression built from a type and a station key.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tellur::text {

// "All Messages", "^ - all NAVTEX msgs", "@ - all RTTY msgs", then "A - Navigational Warnings" ...
const std::vector<std::string>& messageTypeEntries();
// Subject name for B2 "A".."L", empty for other letters.
std::string subjectName(char b2);
// "not known", "01 - North Sea/Baltic", ... "16 - Peru".
const std::vector<std::string>& navareaEntries();
// First two characters of a NAVAREA entry ("no" for "not known").
std::string navareaCode(const std::string& entry);

// Type key "" (all), "^" (NAVTEX), "@" (RTTY) or a subject letter; station key "" or a letter.
// Returns "Type <> '@' and Station = 'K'" style text, empty for no filter.
std::string buildFilterExpression(const std::string& typeKey, const std::string& stationKey);

// "Navtexstations.txt": lines "AA L" + separator + name (from the sixth character on).
class NavtexStationNames {
public:
    static constexpr const char* kFileName = "Navtexstations.txt";
    void load(const std::filesystem::path& file); // a missing file leaves only "not known"
    void loadFromText(const std::string& text);
    // "not known" for area "no", empty when the area has no such transmitter.
    std::string name(const std::string& areaCode, char letter) const;
    // "All Stations", then "A - name" .. "Z - name" for the area.
    std::vector<std::string> stationEntries(const std::string& areaCode) const;

private:
    std::vector<std::string> m_lines{"not known"};
};

} // namespace tellur::text
