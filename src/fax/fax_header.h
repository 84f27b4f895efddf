// Picture identification of geostationary transmissions: the digital header in the two lines
// after phasing, the schedule identification by time of day, splitting a header into its fields,
// and the clock value a schedule implies. Runs on the receiver's thread.
#pragma once

#include "core/event_log.h"
#include "core/sample_ring.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tellur::fax {

struct HeaderFields {
    std::string name, formatCode, paletteCode, date, time, rest;
};

// Searches offsets -b .. 2b (b = Round(samplesPerPixel)) for 50 valid characters; returns them
// followed by " (offset)", or an empty text. The characters of the last assembled try go to the
// satellite log.
std::string readDigitalHeader(const SampleRing& ring, const std::uint8_t* quantised, double lineStart,
                              double samplesPerLine, double samplesPerPixel, EventLog& log);
HeaderFields splitDigitalHeader(std::string_view header);

// Looks up the transmission at this time (within a minute) in the schedule file named by the
// palette name in the masks and palettes folder.
std::string readScheduleIdentification(const std::filesystem::path& masksFolder, std::string_view paletteName,
                                       double stationTime);
HeaderFields splitScheduleIdentification(std::string_view header);

// Header text as the status line shows it.
std::string headerDisplayText(const HeaderFields& f, bool digital);

// Station time (days) the clock is set to: offset + 120 × Round((t - offset) / 120) seconds.
double synchronisedClock(double stationTime, std::int32_t offsetSeconds);

// Day-count formatting for names and stamps: "yyyy", "yy", "mm", "dd", "hh", "nn", "ss";
// other characters are copied. Day 0 is 30 December 1899.
std::string formatStationTime(double stationTime, std::string_view pattern);
// Station time of a calendar date and time.
double stationTimeOf(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

std::string trimmed(std::string_view s);

} // namespace tellur::fax
