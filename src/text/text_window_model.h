// The RTTY/NAVTEX window's rules that do not need widgets: the text pane model with its line
// and size limits, the capture file, received-text file names, the baud and shift step lists,
// the PTC-II command list of apply mode and the operating mode chosen for a row.
// Owned by the window or the command-line decoder; one thread.
#pragma once

#include "text/message_framing.h"
#include "text/rtty_mode_table.h"

#include <cstdio>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace tellur::text {

// The read-only text pane: at most kMaxChars characters (older lines go), a line breaks at a
// line feed or after 80 characters; characters below 20 are not shown and carriage return is
// ignored. flush() returns what went to the screen in capture-file form (lines end with '\n').
class TextPane {
public:
    static constexpr std::size_t kMaxChars = 60000;
    static constexpr std::size_t kLineLength = 80;

    TextPane() { clear(); }
    void clear();
    std::string flush(const std::string& queue);
    const std::deque<std::string>& lines() const { return m_lines; }
    std::size_t length() const; // characters with a CR LF between lines
    bool trimmed() const { return m_trimmed; }

private:
    std::deque<std::string> m_lines;
    std::size_t m_chars = 0;
    bool m_trimmed = false;
};

// "Capture.txt": appended to; every shown character and line break goes to it at once.
class CaptureFile {
public:
    static constexpr const char* kFileName = "Capture.txt";
    CaptureFile() = default;
    ~CaptureFile();
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;

    bool open(const std::filesystem::path& folder, DayTime now); // file errors leave it closed
    void write(const std::string& text);
    void close(DayTime now);
    bool isOpen() const { return m_file != nullptr; }

private:
    std::FILE* m_file = nullptr;
};

// Station time as "dd-mmm-yyyy hh:nn:ss" (month abbreviated in English).
std::string formatCaptureTime(DayTime t);
DayTime dayTimeFromUnix(double unixSeconds);
double unixFromDayTime(DayTime t);

// Received-text file name (without extension): the template upper-cased and trimmed, "@" the
// given name or the row name with every " / " replaced by "_", YYYY YY MM DD HH NN from time.
std::string textFileName(const std::string& nameTemplate, const std::string& givenName,
                         const std::string& rowName, DayTime reference);

// Baud and shift spin buttons: next (up) or previous entry with wrap-around; a value not in the
// list steps to the nearest listed value in that direction.
int stepBaud(int baud, bool up);
int stepShift(int shiftHz, bool up);

// PTC-II commands of apply mode, "Term 0" first (the rest is sent only when it succeeds).
std::vector<std::string> ptcApplyModeCommands(std::uint8_t type, const std::string& ptcType, int centerHz,
                                              bool reverse, int shiftHz, int baud);
// The PTC-II command of the REV button.
std::string ptcReverseCommand(std::uint8_t type, bool revDown);
// All three low bits of the modem's status byte set: no signal.
inline bool ptcStatusWaiting(std::uint8_t status) { return (status & 0x07) == 0x07; }

// Soundcard operating mode of a row: 10 for FEC, 7/8/9/11 for shifts 85/170/450/850, else
// the current mode stays (returned unchanged).
int operatingModeFor(std::uint8_t type, int shiftHz, int currentMode);

} // namespace tellur::text
