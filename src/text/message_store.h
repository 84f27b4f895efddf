// The message store "NAVTEX.dbf": NAVTEX messages and RTTY bulletins with duplicate handling
// and a quality measure. One object is one handle; several handles (receive window, viewer,
// import) may be open at once and see each other's commits, because every store is committed
// at once. A handle belongs to one thread.
#pragma once

#include "storage/table_database.h"
#include "text/message_framing.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tellur {
class EventLog;
}

namespace tellur::text {

inline constexpr const char* kMessageStoreFile = "NAVTEX.dbf";
inline constexpr double kOrderBase = 3000000.0; // RXORDER = 3000000 - FIRSTRX, newest first

// The shown texts when the table cannot be opened or created.
extern const char* const kStoreCreateError;
extern const char* const kStoreRebuildCreateError;
extern const char* const kStoreRebuildNotice;

struct StoredMessage {
    std::int64_t rowId = 0;
    std::string id, type, station;
    DayTime firstRx = 0, lastRx = 0;
    int quality = 0, received = 0, replaced = 0;
    std::string message;
    double rxOrder = 0, rxlOrder = 0;
};

// One "=" or "<>" comparison on a one-character field ("ID", "Type" or "Station").
struct FilterCondition {
    std::string field;
    bool equal = true;
    std::string value;
    friend bool operator==(const FilterCondition&, const FilterCondition&) = default;
};

// Parses "Type <> '@' and Station = 'K'"; nullopt on anything else (unknown field, operator,
// quoting). An empty text is an empty condition list.
std::optional<std::vector<FilterCondition>> parseFilterExpression(std::string_view text);

// 1000 - round(1000 * error marks / length).
int messageQuality(std::string_view text);
// 1000 - round(1000 * differing positions / shorter length).
int messageSimilarity(std::string_view a, std::string_view b);
std::string joinLines(const std::vector<std::string>& lines);

class MessageStore final : public MessageSink {
public:
    enum class Opened { Existing, Created, Rebuilt };
    enum class Order { IdIndex, RxIndex, RxlIndex };

    // Makes sure the folder exists, opens "NAVTEX.dbf", creating it or rebuilding an older
    // 10-field table. Throws storage::TableError with a text for the user when that fails.
    explicit MessageStore(const std::filesystem::path& folder);
    ~MessageStore() override;

    Opened opened() const { return m_opened; }
    const std::filesystem::path& file() const { return m_file; }

    // Both swallow database errors (counted in storeErrors()); true when a record was written.
    bool storeNavtex(const std::string& id, DayTime start, const std::vector<std::string>& lines);
    bool storeBulletin(const std::string& id, DayTime start, const std::vector<std::string>& lines);
    void storeMessage(const FramedMessage& m) override;
    int storeErrors() const { return m_storeErrors; }

    std::optional<StoredMessage> find(const std::string& id);
    std::vector<StoredMessage> list(const std::vector<FilterCondition>& filter = {}, Order order = Order::RxlIndex);
    bool remove(std::int64_t rowId);
    // Deletes the records of the filter whose whole days since LASTRX exceed days (all of them
    // for 0 days); returns how many went. Stops at the first error.
    int deleteGroup(const std::vector<FilterCondition>& filter, int days, DayTime now);

    // Physically compacts the table; result 0 or one of the engine's codes below.
    int pack();
    static std::string packResultText(int result);
    // Packs and writes "Navtex.dbf pack & Close result: ..." to the action log.
    void packAndLog(EventLog& log);

    // Imports every message of a text file through the import framing; returns how many were
    // framed, or -1 when the file cannot be read or is larger than kMaxTextFileBytes.
    int importTextFile(const std::filesystem::path& file, DayTime now);

private:
    void writeRecord(const StoredMessage& m, bool update);
    std::unique_ptr<storage::TableDatabase> m_db;
    std::filesystem::path m_file;
    Opened m_opened = Opened::Existing;
    int m_storeErrors = 0;
};

} // namespace tellur::text
