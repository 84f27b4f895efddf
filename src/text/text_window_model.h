// The RTTY/NAVTEX window's rules that do not need widgets: the text pane model with its line
// and size limits, the capture file, received-text file names, the baud and shift step lists,
// the PTC-II command list of apply mode and the operating mode chosen for a row.
// Owned by the window or the command-line decoder; one thread.
#pragma once

#include "text/message_framing.h"
#include "settings/rtty_mode_table.h"

#include <cstdio>
#include <deque>
#include <filesystem>
#include <span>
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

// Characters from the PTC-II through the ring: 0x1E announces that the next byte is the modem's
// status byte, which yields no character. Returns the characters of the items.
class PtcCharacterReader {
public:
    std::string read(std::span<const std::uint16_t> items);
    bool statusSeen() const { return m_statusSeen; } // since the last takeStatusSeen()
    bool takeStatusSeen()
    {
        bool s = m_statusSeen;
        m_statusSeen = false;
        return s;
    }
    std::uint8_t status() const { return m_status; }
    void clearStatus() { m_status = 0; }

private:
    bool m_statusNext = false;
    bool m_statusSeen = false;
    std::uint8_t m_status = 0;
};

// Scroll-back countdown (Timer2, 100 ms): 400 ticks after leaving the bottom or the last scroll.
class ScrollBack {
public:
    static constexpr int kTicks = 400;
    void leaveBottom() { m_active = true, m_countdown = kTicks; }
    void scrolled()
    {
        if (m_active)
            m_countdown = kTicks;
    }
    void end() { m_active = false, m_countdown = 0; }
    // One Timer2 tick; true when scroll-back ended by itself on this tick.
    bool tick()
    {
        if (!m_active)
            return false;
        if (--m_countdown <= 0) {
            end();
            return true;
        }
        return false;
    }
    bool active() const { return m_active; }
    // "SCROLL BACK (40 sec. ) Click here to terminate.", refreshed every 10 ticks.
    std::string panelText() const;

private:
    bool m_active = false;
    int m_countdown = 0;
};

// Automatic save at the end of a scheduled event: deletes the oldest files of the folder while
// it holds at least maxFiles, then writes the lines. False when the file cannot be written.
bool saveTextPruned(const std::filesystem::path& folder, const std::string& fileName,
                    const std::vector<std::string>& lines, int maxFiles);

// Soundcard operating mode of a row: 10 for FEC, 7/8/9/11 for shifts 85/170/450/850, else
// the current mode stays (returned unchanged).
int operatingModeFor(std::uint8_t type, int shiftHz, int currentMode);

} // namespace tellur::text
