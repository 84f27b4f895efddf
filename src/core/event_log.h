// The station's four logs (action, error, satellite, repeater) as one narrow sink, so engine
// objects log without knowing files. Every call is complete in itself and never throws.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace tellur {
class StationConfig;

class EventLog {
public:
    virtual ~EventLog() = default;
    // Takes the log switches of a configuration ("Create event log:" and the like); logs without
    // switches ignore it.
    virtual void applyConfig(const StationConfig&) {}
    virtual void action(std::string_view text) = 0;       // only while "Create event log:" is set
    virtual void forcedAction(std::string_view text) = 0; // always
    virtual void error(std::string_view text) = 0;
    virtual void satellite(std::string_view text) = 0;    // only while "Log geostationary sat headers:" is set
    virtual void repeater(std::string_view text) = 0;
};

class NullEventLog final : public EventLog {
public:
    void action(std::string_view) override {}
    void forcedAction(std::string_view) override {}
    void error(std::string_view) override {}
    void satellite(std::string_view) override {}
    void repeater(std::string_view) override {}
};

// Keeps every entry in memory, tagged by log; for tests and for the CLI's --json echo.
class RecordingEventLog final : public EventLog {
public:
    struct Entry {
        std::string log; // "action", "forced", "error", "sat", "repeater"
        std::string text;
    };
    void action(std::string_view t) override { add("action", t); }
    void forcedAction(std::string_view t) override { add("forced", t); }
    void error(std::string_view t) override { add("error", t); }
    void satellite(std::string_view t) override { add("sat", t); }
    void repeater(std::string_view t) override { add("repeater", t); }

    std::vector<Entry> entries() const
    {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }
    bool contains(std::string_view text) const
    {
        std::lock_guard lock(m_mutex);
        for (const auto& e : m_entries)
            if (e.text == text)
                return true;
        return false;
    }

private:
    void add(const char* log, std::string_view t)
    {
        std::lock_guard lock(m_mutex);
        m_entries.push_back({log, std::string(t)});
    }
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};

} // namespace tellur
