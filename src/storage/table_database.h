// Table storage: each table of the station is one SQLite database under the table's file name
// ("NAVTEX.dbf", "Freqlist.dbf"), in WAL mode so several handles of one table (receive window,
// viewer, import) see each other's commits. Each handle belongs to one thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace tellur::storage {

// A database error: the table could not be opened, created or used. code is SQLite's.
class TableError : public std::runtime_error {
public:
    TableError(const std::string& what, int code) : std::runtime_error(what), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

class Statement;

struct FieldDef {
    enum class Kind { Text, DateTime, Integer, Float, Memo };
    std::string name;
    Kind kind;
    int width = 0; // characters of a text field, declared size of a memo
};

struct IndexDef {
    std::string name;
    std::vector<std::string> fields;
    bool caseInsensitive = false;
};

class TableDatabase {
public:
    // Opens (creating the file when create is set) with WAL and a busy timeout.
    // Throws TableError when the file cannot be opened or is not a database.
    TableDatabase(const std::filesystem::path& file, bool create);
    ~TableDatabase();
    TableDatabase(const TableDatabase&) = delete;
    TableDatabase& operator=(const TableDatabase&) = delete;

    void exec(const std::string& sql);
    Statement prepare(const std::string& sql);
    bool hasTable(const std::string& table);
    std::vector<std::string> columns(const std::string& table);
    void createTable(const std::string& table, const std::vector<FieldDef>& fields,
                     const std::vector<IndexDef>& indexes);
    std::int64_t changes() const;
    void setBusyTimeoutMs(int ms);
    const std::filesystem::path& file() const { return m_file; }
    sqlite3* handle() { return m_db; }

private:
    sqlite3* m_db = nullptr;
    std::filesystem::path m_file;
};

// RAII transaction: rolls back unless committed.
class Transaction {
public:
    explicit Transaction(TableDatabase& db, bool immediate = true);
    ~Transaction();
    void commit();

private:
    TableDatabase& m_db;
    bool m_open = true;
};

// A prepared statement with bound parameters; values are never pasted into SQL text.
class Statement {
public:
    Statement(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    Statement(Statement&& o) noexcept : m_db(o.m_db), m_stmt(o.m_stmt) { o.m_stmt = nullptr; }
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement& operator=(Statement&&) = delete;

    Statement& bind(int index, const std::string& value);
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, double value);
    bool step(); // true while a row is available
    void run();  // steps to completion
    void reset();

    std::string text(int column) const;
    std::int64_t integer(int column) const;
    double real(int column) const;

private:
    void check(int rc, const char* what) const;
    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
};

// "Freqlist.dbf": the operator's frequency list (Freq 15, Radio 1, Descript 64) with the
// orders "Findex", "Rindex" (Radio+Freq) and "Dindex" (Descript+Freq), the last two
// case-insensitive. Opening creates an empty table when none exists.
struct FrequencyEntry {
    std::int64_t rowId = 0;
    std::string freq;
    std::string radio;
    std::string descript;
};

class FrequencyList {
public:
    static constexpr const char* kFileName = "Freqlist.dbf";
    enum class Order { Natural, Findex, Rindex, Dindex };

    explicit FrequencyList(const std::filesystem::path& stationFolder);
    std::vector<FrequencyEntry> entries(Order order);
    std::int64_t append(const FrequencyEntry& e); // fields cut to their widths
    void update(const FrequencyEntry& e);
    void remove(std::int64_t rowId);

private:
    TableDatabase m_db;
};

} // namespace tellur::storage
