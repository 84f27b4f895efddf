// Plain-language text for SYNOP (land, "AAXX") and SHIP ("BBXX") reports in a stored message.
// Pure functions of the input lines and the station list; any thread.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tellur::text {

struct SynopStation {
    std::string number; // block + station number, 5 characters
    std::string name;   // composed: place, (indicator), state, country; at most 128 characters
    std::string indicator;
    std::string latitude;
    std::string longitude;
};

// "Synopstations.txt": sorted by station number once loaded; a missing file gives an empty list.
class SynopStationList {
public:
    static constexpr const char* kFileName = "Synopstations.txt";

    void load(const std::filesystem::path& file); // does nothing once loaded
    void loadFromText(const std::string& text);
    bool loaded() const { return m_loaded; }
    const SynopStation* find(const std::string& number) const;
    std::size_t size() const { return m_stations.size(); }

private:
    bool m_loaded = false;
    std::vector<SynopStation> m_stations;
};

// Clears output, writes one block per completed report; true when at least one was completed.
bool decodeSynop(const std::vector<std::string>& input, std::vector<std::string>& output,
                 const SynopStationList& stations);

} // namespace tellur::text
