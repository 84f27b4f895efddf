#include "text/message_store.h"

#include "core/bounded_read.h"
#include "core/event_log.h"
#include "core/numeric.h"

#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <fstream>
#include <system_error>

namespace tellur::text {

using storage::FieldDef;
using storage::IndexDef;
using storage::Statement;
using storage::TableDatabase;
using storage::TableError;
using storage::Transaction;

const char* const kStoreCreateError =
    "Error accessing the Borland Database Engine:\r\nThis problem may occure when you run the RTTY/NAVTEX module\r\n"
    "for the first time. Just terminate Tellur32 and restart it.\r\nIf the problem persists, please check if the "
    "BDE is properly\r\ninstalled. The easiest way to achieve a proper BDE installation\r\nis to re-install Tellur32.";
const char* const kStoreRebuildCreateError =
    "Error accessing the Borland Database Engine.\r\nthis problem may occure when you run the RTTY/NAVTEX module\r\n"
    "for the first time. Just terminate Tellur32 and restart it.\r\nIf the problem persists, please check if the "
    "BDE is properly\r\ninstalled. The easiest way to achieve a proper BDE installation\r\nis to re-install Tellur32.";
const char* const kStoreRebuildNotice =
    "Navtex database will be rebuilt due to table structure changes.\r\nThis may take some seconds.";

namespace {

const char* kTable = "NAVTEX";
const char* kOldTable = "Oldnavtextable";
const char* kColumns = "rowid, ID, Type, Station, FIRSTRX, LASTRX, Quality, Received, Replaced, Message, RXORDER, RXLORDER";

const std::vector<FieldDef>& fields()
{
    using K = FieldDef::Kind;
    static const std::vector<FieldDef> f = {
        {"ID", K::Text, 4},          {"Type", K::Text, 1},       {"Station", K::Text, 1},
        {"FIRSTRX", K::DateTime, 0}, {"LASTRX", K::DateTime, 0}, {"Quality", K::Integer, 0},
        {"Received", K::Integer, 0}, {"Replaced", K::Integer, 0}, {"Message", K::Memo, 16384},
        {"RXORDER", K::Float, 0},    {"RXLORDER", K::Float, 0}};
    return f;
}

const std::vector<IndexDef>& indexes()
{
    static const std::vector<IndexDef> i = {
        {"IDIndex", {"ID"}, false}, {"RXIndex", {"RXORDER"}, false}, {"RXLIndex", {"RXLORDER"}, false}};
    return i;
}

std::string cut(const std::string& s, std::size_t width) { return s.substr(0, width); }

StoredMessage readRow(const Statement& s)
{
    StoredMessage m;
    m.rowId = s.integer(0);
    m.id = s.text(1);
    m.type = s.text(2);
    m.station = s.text(3);
    m.firstRx = s.real(4);
    m.lastRx = s.real(5);
    m.quality = static_cast<int>(s.integer(6));
    m.received = static_cast<int>(s.integer(7));
    m.replaced = static_cast<int>(s.integer(8));
    m.message = s.text(9);
    m.rxOrder = s.real(10);
    m.rxlOrder = s.real(11);
    return m;
}

// WHERE clause with one placeholder per condition; field names come from a fixed list.
std::string whereClause(const std::vector<FilterCondition>& filter)
{
    std::string sql;
    for (const FilterCondition& c : filter) {
        const char* field = c.field == "ID" ? "ID" : c.field == "Type" ? "Type" : c.field == "Station" ? "Station" : nullptr;
        if (!field)
            throw TableError("unknown filter field " + c.field, SQLITE_ERROR);
        sql += std::string(sql.empty() ? " WHERE " : " AND ") + field + (c.equal ? " = ?" : " <> ?");
    }
    return sql;
}

void bindFilter(Statement& s, const std::vector<FilterCondition>& filter)
{
    int i = 1;
    for (const FilterCondition& c : filter)
        s.bind(i++, c.value);
}

} // namespace

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i)
            text += "\r\n";
        text += lines[i];
    }
    return text;
}

int messageQuality(std::string_view text)
{
    if (text.empty())
        return 0;
    std::size_t marks = 0;
    for (char c : text)
        marks += c == '_';
    return 1000 - static_cast<int>(roundHalfEven(1000.0 * static_cast<double>(marks) / static_cast<double>(text.size())));
}

int messageSimilarity(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    if (n == 0)
        return a.size() == b.size() ? 1000 : 0;
    std::size_t diff = 0;
    for (std::size_t i = 0; i < n; ++i)
        diff += a[i] != b[i];
    return 1000 - static_cast<int>(roundHalfEven(1000.0 * static_cast<double>(diff) / static_cast<double>(n)));
}

std::optional<std::vector<FilterCondition>> parseFilterExpression(std::string_view text)
{
    std::vector<FilterCondition> out;
    std::size_t i = 0;
    auto skip = [&] {
        while (i < text.size() && text[i] == ' ')
            ++i;
    };
    auto word = [&] {
        std::size_t start = i;
        while (i < text.size() && std::isalpha(static_cast<unsigned char>(text[i])))
            ++i;
        return std::string(text.substr(start, i - start));
    };
    skip();
    if (i == text.size())
        return out;
    for (;;) {
        skip();
        FilterCondition c;
        c.field = word();
        if (c.field != "ID" && c.field != "Type" && c.field != "Station")
            return std::nullopt;
        skip();
        if (text.substr(i, 2) == "<>") {
            c.equal = false;
            i += 2;
        } else if (text.substr(i, 1) == "=") {
            i += 1;
        } else {
            return std::nullopt;
        }
        skip();
        if (i >= text.size() || text[i] != '\'')
            return std::nullopt;
        std::size_t close = text.find('\'', i + 1);
        if (close == std::string_view::npos)
            return std::nullopt;
        c.value = std::string(text.substr(i + 1, close - i - 1));
        i = close + 1;
        out.push_back(std::move(c));
        skip();
        if (i == text.size())
            return out;
        std::string conj = word();
        if (conj != "and" && conj != "AND")
            return std::nullopt;
    }
}

MessageStore::MessageStore(const std::filesystem::path& folder) : m_file(folder / kMessageStoreFile)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    try {
        m_db = std::make_unique<TableDatabase>(m_file, true);
        if (!m_db->hasTable(kTable)) {
            m_db->createTable(kTable, fields(), indexes());
            m_opened = Opened::Created;
        }
    } catch (const TableError& e) {
        throw TableError(std::string(kStoreCreateError) + "\r\n(" + e.what() + ")", e.code());
    }
    std::vector<std::string> cols = m_db->columns(kTable);
    if (cols.size() <= 10) {
        // An older table without RXLORDER: rebuilt in one transaction, so a crash leaves either
        // the old table or the complete new one.
        try {
            Transaction t(*m_db);
            m_db->exec("DROP TABLE IF EXISTS \"" + std::string(kOldTable) + "\"");
            m_db->exec("ALTER TABLE \"" + std::string(kTable) + "\" RENAME TO \"" + kOldTable + "\"");
            for (const IndexDef& ix : indexes())
                m_db->exec("DROP INDEX IF EXISTS \"" + ix.name + "\"");
            std::string sql = "CREATE TABLE \"" + std::string(kTable) + "\" (";
            for (std::size_t i = 0; i < fields().size(); ++i) {
                const FieldDef& f = fields()[i];
                static const char* kTypes[] = {"CHAR", "DATETIME", "INTEGER", "FLOAT", "TEXT"};
                std::string type = kTypes[static_cast<int>(f.kind)];
                if (f.kind == FieldDef::Kind::Text || f.kind == FieldDef::Kind::Memo)
                    type += "(" + std::to_string(f.width) + ")";
                sql += (i ? ", \"" : "\"") + f.name + "\" " + type + " NOT NULL";
            }
            m_db->exec(sql + ")");
            for (const IndexDef& ix : indexes())
                m_db->exec("CREATE INDEX \"" + ix.name + "\" ON \"" + kTable + "\" (\"" + ix.fields[0] + "\")");
            // Copy field by field in field order; missing old fields get empty values.
            std::string select;
            for (std::size_t i = 0; i < 10; ++i) {
                const FieldDef& f = fields()[i];
                bool present = i < cols.size();
                std::string fallback = f.kind == FieldDef::Kind::Text || f.kind == FieldDef::Kind::Memo ? "''" : "0";
                select += (i ? ", " : "") + (present ? "COALESCE(\"" + cols[i] + "\", " + fallback + ")" : fallback);
            }
            std::string lastRx = cols.size() > 4 ? "COALESCE(\"" + cols[4] + "\", 0)" : "0";
            m_db->exec("INSERT INTO \"" + std::string(kTable) + "\" SELECT " + select + ", 3000000.0 - " + lastRx +
                       " FROM \"" + kOldTable + "\" ORDER BY rowid");
            m_db->exec("DROP TABLE \"" + std::string(kOldTable) + "\"");
            t.commit();
            m_opened = Opened::Rebuilt;
        } catch (const TableError& e) {
            throw TableError(std::string(kStoreRebuildCreateError) + "\r\n(" + e.what() + ")", e.code());
        }
    }
}

MessageStore::~MessageStore() = default;

void MessageStore::writeRecord(const StoredMessage& m, bool update)
{
    Statement s = m_db->prepare(
        update ? "UPDATE NAVTEX SET ID=?, Type=?, Station=?, FIRSTRX=?, LASTRX=?, Quality=?, Received=?, Replaced=?, "
                 "Message=?, RXORDER=?, RXLORDER=? WHERE rowid=?"
               : "INSERT INTO NAVTEX (ID, Type, Station, FIRSTRX, LASTRX, Quality, Received, Replaced, Message, "
                 "RXORDER, RXLORDER) VALUES (?,?,?,?,?,?,?,?,?,?,?)");
    s.bind(1, cut(m.id, 4)).bind(2, cut(m.type, 1)).bind(3, cut(m.station, 1));
    s.bind(4, m.firstRx).bind(5, m.lastRx);
    s.bind(6, std::int64_t{m.quality}).bind(7, std::int64_t{m.received}).bind(8, std::int64_t{m.replaced});
    s.bind(9, m.message).bind(10, m.rxOrder).bind(11, m.rxlOrder);
    if (update)
        s.bind(12, m.rowId);
    s.run();
}

bool MessageStore::storeNavtex(const std::string& id, DayTime start, const std::vector<std::string>& lines)
{
    const std::string text = joinLines(lines);
    const int q = messageQuality(text);
    if (q <= 799)
        return false;
    try {
        Transaction t(*m_db);
        std::optional<StoredMessage> found = find(id);
        if (!found) {
            StoredMessage m;
            m.id = id;
            m.type = id.size() > 1 ? id.substr(1, 1) : "";
            m.station = id.substr(0, 1);
            m.firstRx = m.lastRx = start;
            m.rxOrder = m.rxlOrder = kOrderBase - start;
            m.quality = q;
            m.received = 1;
            m.replaced = 0;
            m.message = text;
            writeRecord(m, false);
        } else {
            StoredMessage& m = *found;
            const int s = messageSimilarity(text, m.message);
            if (q >= m.quality) {
                m.quality = q;
                m.replaced += 1;
                m.message = text;
            }
            m.received += 1;
            m.lastRx = start;
            m.rxlOrder = kOrderBase - start;
            if (s < 700) {
                // A different message under a re-used identifier: it starts a new history and
                // its own text is kept even when the old one had fewer error marks.
                m.quality = q;
                m.message = text;
                m.firstRx = start;
                m.rxOrder = m.rxlOrder = kOrderBase - start;
                m.received = 1;
                m.replaced = 0;
            }
            writeRecord(m, true);
        }
        t.commit();
        return true;
    } catch (const TableError&) {
        ++m_storeErrors;
        return false;
    }
}

bool MessageStore::storeBulletin(const std::string& id, DayTime start, const std::vector<std::string>& lines)
{
    try {
        Transaction t(*m_db);
        std::optional<StoredMessage> found = find(id);
        StoredMessage m;
        if (found)
            m.rowId = found->rowId;
        m.id = id;
        m.type = "@";
        m.station = "@";
        m.firstRx = m.lastRx = start;
        m.rxOrder = m.rxlOrder = kOrderBase - start;
        m.quality = 1000;
        m.received = 1;
        m.replaced = 0;
        m.message = joinLines(lines);
        writeRecord(m, found.has_value());
        t.commit();
        return true;
    } catch (const TableError&) {
        ++m_storeErrors;
        return false;
    }
}

void MessageStore::storeMessage(const FramedMessage& m)
{
    if (m.kind == FramedMessage::Kind::Navtex)
        storeNavtex(m.id, m.start, m.lines);
    else
        storeBulletin(m.id, m.start, m.lines);
}

std::optional<StoredMessage> MessageStore::find(const std::string& id)
{
    Statement s = m_db->prepare(std::string("SELECT ") + kColumns + " FROM NAVTEX WHERE ID = ? ORDER BY rowid LIMIT 1");
    s.bind(1, cut(id, 4));
    if (!s.step())
        return std::nullopt;
    return readRow(s);
}

std::vector<StoredMessage> MessageStore::list(const std::vector<FilterCondition>& filter, Order order)
{
    static const char* kOrder[] = {" ORDER BY ID, rowid", " ORDER BY RXORDER, rowid", " ORDER BY RXLORDER, rowid"};
    Statement s = m_db->prepare(std::string("SELECT ") + kColumns + " FROM NAVTEX" + whereClause(filter) +
                                kOrder[static_cast<int>(order)]);
    bindFilter(s, filter);
    std::vector<StoredMessage> out;
    while (s.step())
        out.push_back(readRow(s));
    return out;
}

bool MessageStore::remove(std::int64_t rowId)
{
    Statement s = m_db->prepare("DELETE FROM NAVTEX WHERE rowid = ?");
    s.bind(1, rowId).run();
    return m_db->changes() > 0;
}

int MessageStore::deleteGroup(const std::vector<FilterCondition>& filter, int days, DayTime now)
{
    int deleted = 0;
    try {
        for (const StoredMessage& m : list(filter, Order::RxlIndex)) {
            const auto age = static_cast<std::int64_t>(std::trunc(now - m.lastRx));
            if (days == 0 || age > days)
                deleted += remove(m.rowId) ? 1 : 0;
        }
    } catch (const TableError&) {
    }
    return deleted;
}

int MessageStore::pack()
{
    if (!m_db)
        return 9990;
    try {
        if (!m_db->hasTable(kTable))
            return 10024;
        m_db->setBusyTimeoutMs(200);
        m_db->exec("VACUUM");
        m_db->exec("PRAGMA wal_checkpoint(TRUNCATE)");
        m_db->setBusyTimeoutMs(5000);
        return 0;
    } catch (const TableError& e) {
        m_db->setBusyTimeoutMs(5000);
        if ((e.code() & 0xFF) == SQLITE_BUSY || (e.code() & 0xFF) == SQLITE_LOCKED)
            return 10253;
        return e.code() + 20000;
    }
}

std::string MessageStore::packResultText(int result)
{
    switch (result) {
    case 0:
        return "The table was successfully rebuilt.";
    case 9986:
        return "The specified table name or the pointer to the table name is NULL.";
    case 9990:
        return "The specified database handle or cursor handle is invalid or NULL.";
    case 9991:
        return "Table type is unknown.";
    case 10024:
        return "Table name does not exist.";
    case 10253:
        return "Table is not exclusively opened.";
    default:
        return "";
    }
}

void MessageStore::packAndLog(EventLog& log)
{
    log.action("Navtex.dbf pack & Close result: " + packResultText(pack()));
}

namespace {
struct CountingSink : MessageSink {
    MessageStore& store;
    int count = 0;
    explicit CountingSink(MessageStore& s) : store(s) {}
    void storeMessage(const FramedMessage& m) override
    {
        ++count;
        store.storeMessage(m);
    }
};
} // namespace

int MessageStore::importTextFile(const std::filesystem::path& file, DayTime now)
{
    const auto text = readFileAtMost(file, kMaxTextFileBytes);
    if (!text)
        return -1;
    MessageStore second(m_file.parent_path());
    CountingSink sink(second);
    MessageFraming framing(MessageFraming::Variant::Import, sink);
    for (char c : *text)
        framing.frame(c, now);
    return sink.count;
}

} // namespace tellur::text
