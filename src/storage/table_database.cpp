#include "storage/table_database.h"

#include <sqlite3.h>

namespace tellur::storage {

namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

std::string declaredType(const FieldDef& f)
{
    switch (f.kind) {
    case FieldDef::Kind::Text:
        return "CHAR(" + std::to_string(f.width) + ")";
    case FieldDef::Kind::DateTime:
        return "DATETIME";
    case FieldDef::Kind::Integer:
        return "INTEGER";
    case FieldDef::Kind::Float:
        return "FLOAT";
    case FieldDef::Kind::Memo:
        return "TEXT(" + std::to_string(f.width) + ")";
    }
    return "TEXT";
}

} // namespace

TableDatabase::TableDatabase(const std::filesystem::path& file, bool create) : m_file(file)
{
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(file.string().c_str(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(rc);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw TableError(file.string() + ": " + msg, rc);
    }
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, 5000);
    try {
        // Reading the schema is where a foreign or damaged file shows itself.
        exec("PRAGMA schema_version");
        Statement mode = prepare("PRAGMA journal_mode=WAL");
        if (!mode.step() || mode.text(0) != "wal")
            throw TableError(file.string() + ": cannot switch to WAL mode", SQLITE_CANTOPEN);
        exec("PRAGMA synchronous=FULL");
    } catch (...) {
        sqlite3_close(m_db);
        m_db = nullptr;
        throw;
    }
}

TableDatabase::~TableDatabase()
{
    if (m_db)
        sqlite3_close_v2(m_db);
}

void TableDatabase::exec(const std::string& sql)
{
    char* err = nullptr;
    int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errstr(rc);
        sqlite3_free(err);
        throw TableError(m_file.string() + ": " + msg, rc);
    }
}

Statement TableDatabase::prepare(const std::string& sql)
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, sql.c_str(), -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        throw TableError(m_file.string() + ": " + sqlite3_errmsg(m_db), rc);
    return Statement(m_db, stmt);
}

bool TableDatabase::hasTable(const std::string& table)
{
    Statement s = prepare("SELECT 1 FROM sqlite_master WHERE type='table' AND name=?");
    s.bind(1, table);
    return s.step();
}

std::vector<std::string> TableDatabase::columns(const std::string& table)
{
    std::vector<std::string> cols;
    Statement s = prepare("SELECT name FROM pragma_table_info(?)");
    s.bind(1, table);
    while (s.step())
        cols.push_back(s.text(0));
    return cols;
}

void TableDatabase::createTable(const std::string& table, const std::vector<FieldDef>& fields,
                                const std::vector<IndexDef>& indexes)
{
    std::string sql = "CREATE TABLE " + quoted(table) + " (";
    for (std::size_t i = 0; i < fields.size(); ++i)
        sql += (i ? ", " : "") + quoted(fields[i].name) + " " + declaredType(fields[i]) + " NOT NULL";
    sql += ")";
    Transaction t(*this);
    exec(sql);
    for (const IndexDef& ix : indexes) {
        std::string cols;
        for (std::size_t i = 0; i < ix.fields.size(); ++i)
            cols += (i ? ", " : "") + quoted(ix.fields[i]) + (ix.caseInsensitive ? " COLLATE NOCASE" : "");
        exec("CREATE INDEX " + quoted(ix.name) + " ON " + quoted(table) + " (" + cols + ")");
    }
    t.commit();
}

std::int64_t TableDatabase::changes() const { return sqlite3_changes(m_db); }

void TableDatabase::setBusyTimeoutMs(int ms) { sqlite3_busy_timeout(m_db, ms); }

Transaction::Transaction(TableDatabase& db, bool immediate) : m_db(db)
{
    m_db.exec(immediate ? "BEGIN IMMEDIATE" : "BEGIN");
}

Transaction::~Transaction()
{
    if (m_open) {
        try {
            m_db.exec("ROLLBACK");
        } catch (...) {
        }
    }
}

void Transaction::commit()
{
    m_db.exec("COMMIT");
    m_open = false;
}

Statement::~Statement()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

void Statement::check(int rc, const char* what) const
{
    if (rc != SQLITE_OK)
        throw TableError(std::string(what) + ": " + sqlite3_errmsg(m_db), rc);
}

Statement& Statement::bind(int index, const std::string& value)
{
    check(sqlite3_bind_text(m_stmt, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT), "bind");
    return *this;
}

Statement& Statement::bind(int index, std::int64_t value)
{
    check(sqlite3_bind_int64(m_stmt, index, value), "bind");
    return *this;
}

Statement& Statement::bind(int index, double value)
{
    check(sqlite3_bind_double(m_stmt, index, value), "bind");
    return *this;
}

bool Statement::step()
{
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    throw TableError(std::string("step: ") + sqlite3_errmsg(m_db), rc);
}

void Statement::run()
{
    while (step()) {
    }
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

std::string Statement::text(int column) const
{
    const unsigned char* t = sqlite3_column_text(m_stmt, column);
    return t ? std::string(reinterpret_cast<const char*>(t), static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)))
             : std::string();
}

std::int64_t Statement::integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

double Statement::real(int column) const { return sqlite3_column_double(m_stmt, column); }

// ---------------------------------------------------------------------------------------------

namespace {

const char* kFreqTable = "Freqlist";

std::string cut(const std::string& s, std::size_t width) { return s.substr(0, width); }

} // namespace

FrequencyList::FrequencyList(const std::filesystem::path& stationFolder)
    : m_db(stationFolder / kFileName, true)
{
    if (!m_db.hasTable(kFreqTable)) {
        using K = FieldDef::Kind;
        m_db.createTable(kFreqTable, {{"Freq", K::Text, 15}, {"Radio", K::Text, 1}, {"Descript", K::Text, 64}},
                         {{"Findex", {"Freq"}, false},
                          {"Rindex", {"Radio", "Freq"}, true},
                          {"Dindex", {"Descript", "Freq"}, true}});
    }
}

std::vector<FrequencyEntry> FrequencyList::entries(Order order)
{
    static const char* kOrderBy[] = {" ORDER BY rowid", " ORDER BY Freq, rowid",
                                     " ORDER BY Radio COLLATE NOCASE, Freq COLLATE NOCASE, rowid",
                                     " ORDER BY Descript COLLATE NOCASE, Freq COLLATE NOCASE, rowid"};
    Statement s = m_db.prepare(std::string("SELECT rowid, Freq, Radio, Descript FROM Freqlist") +
                               kOrderBy[static_cast<int>(order)]);
    std::vector<FrequencyEntry> out;
    while (s.step())
        out.push_back({s.integer(0), s.text(1), s.text(2), s.text(3)});
    return out;
}

std::int64_t FrequencyList::append(const FrequencyEntry& e)
{
    Statement s = m_db.prepare("INSERT INTO Freqlist (Freq, Radio, Descript) VALUES (?, ?, ?)");
    s.bind(1, cut(e.freq, 15)).bind(2, cut(e.radio, 1)).bind(3, cut(e.descript, 64)).run();
    return sqlite3_last_insert_rowid(m_db.handle());
}

void FrequencyList::update(const FrequencyEntry& e)
{
    Statement s = m_db.prepare("UPDATE Freqlist SET Freq = ?, Radio = ?, Descript = ? WHERE rowid = ?");
    s.bind(1, cut(e.freq, 15)).bind(2, cut(e.radio, 1)).bind(3, cut(e.descript, 64)).bind(4, e.rowId).run();
}

void FrequencyList::remove(std::int64_t rowId)
{
    m_db.prepare("DELETE FROM Freqlist WHERE rowid = ?").bind(1, rowId).run();
}

} // namespace tellur::storage
