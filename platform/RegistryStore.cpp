#include "RegistryStore.h"

#include "Debug.h"

#include <sqlite3.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

#include <pwd.h>
#include <unistd.h>

// The file holds two tables. A key's values and subkeys go with it through
// the foreign keys' cascades.
//   RegKey    id, parent (null for the three roots), name as created, folded name
//   RegValue  key, name as created, folded name, data (TEXT, INTEGER or BLOB
//             by the value's type; the column has no affinity, so each keeps its own)
// user_version is 1 once the tables and roots exist.
static const char SchemaSql[] = R"(
BEGIN IMMEDIATE;
CREATE TABLE IF NOT EXISTS RegKey(
    id INTEGER PRIMARY KEY,
    parent INTEGER REFERENCES RegKey(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    folded TEXT NOT NULL);
CREATE UNIQUE INDEX IF NOT EXISTS RegKeyByName ON RegKey(parent, folded);
CREATE TABLE IF NOT EXISTS RegValue(
    key INTEGER NOT NULL REFERENCES RegKey(id) ON DELETE CASCADE,
    name TEXT NOT NULL,
    folded TEXT NOT NULL,
    data);
CREATE UNIQUE INDEX IF NOT EXISTS RegValueByName ON RegValue(key, folded);
INSERT OR IGNORE INTO RegKey(id, parent, name, folded) VALUES
    (1, NULL, 'HKEY_CLASSES_ROOT', 'hkey_classes_root'),
    (2, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user'),
    (3, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine');
PRAGMA user_version = 1;
COMMIT;
)";

static constexpr int BusyTimeoutMs = 5000;
// Another process may be switching a new file to WAL: retry for about two seconds.
static constexpr int OpenAttempts = 100;
static constexpr auto OpenRetryDelay = std::chrono::milliseconds(20);

static void reportError(sqlite3 *db, const char *what)
{
    const std::string line = std::string("Registry: ") + what + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
    OutputDebugStringA(line.c_str());
}

static bool isBusy(int result)
{
    const int primary = result & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

static int schemaVersion(sqlite3 *db, int &version)
{
    sqlite3_stmt *statement = nullptr;
    int result = sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
    if (result == SQLITE_OK) {
        result = sqlite3_step(statement);
        if (result == SQLITE_ROW) {
            version = sqlite3_column_int(statement, 0);
            result = SQLITE_OK;
        }
    }
    sqlite3_finalize(statement);
    return result;
}

static int prepareDatabase(sqlite3 *db)
{
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    int result = sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA foreign_keys=ON", nullptr, nullptr, nullptr);
    if (result != SQLITE_OK)
        return result;
    int version = 0;
    result = schemaVersion(db, version);
    if (result != SQLITE_OK || version >= 1)
        return result;
    result = sqlite3_exec(db, SchemaSql, nullptr, nullptr, nullptr);
    if (result != SQLITE_OK && !sqlite3_get_autocommit(db))
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return result;
}

// Null when the file cannot be opened as a registry.
static sqlite3 *openDatabase(const std::string &file)
{
    for (int attempt = 1;; ++attempt) {
        sqlite3 *db = nullptr;
        int result = sqlite3_open_v2(file.c_str(), &db,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (result == SQLITE_OK)
            result = prepareDatabase(db);
        if (result == SQLITE_OK)
            return db;
        if (!isBusy(result) || attempt == OpenAttempts) {
            reportError(db, ("cannot open " + file).c_str());
            sqlite3_close_v2(db);
            return nullptr;
        }
        sqlite3_close_v2(db);
        std::this_thread::sleep_for(OpenRetryDelay);
    }
}

namespace {

// A thread's connection to one registry file.
//
// Why one per thread, not one per registry object: a TSafeRegIniFile is one
// object used by many threads in turn, and a thread saving several option
// sets in one transaction uses several registry objects. With the calling
// thread's connection, no connection is ever in two threads at once, and
// every write of a thread joins the transaction that thread has open instead
// of waiting for it. A thread keeps one connection; when it turns to another
// file (tests move ZILO_REGISTRY between tests), the old one is closed.
class Connection
{
public:
    // Null when the file cannot be opened, or while this thread has a
    // transaction open on another file.
    static Connection *forFile(const std::string &file);

    Connection(std::string file, sqlite3 *db) : m_file(std::move(file)), m_pid(::getpid()), m_db(db) {}
    ~Connection();

    sqlite3 *db() const { return m_db; }
    bool exec(const char *sql);

    // A prepared statement for sql, which must be a string literal; hand it
    // back with release. A statement still in use (a query inside a query's
    // loop) is prepared afresh.
    sqlite3_stmt *acquire(const char *sql);
    void release(const char *sql, sqlite3_stmt *statement);

    bool begin();
    bool commit();
    void rollback();

private:
    struct Cached
    {
        sqlite3_stmt *statement = nullptr;
        bool inUse = false;
    };

    std::string m_file;
    pid_t m_pid;                                       // a forked child must not use its parent's connection
    sqlite3 *m_db;
    int m_depth = 0;                                   // open transaction scopes
    std::unordered_map<const char *, Cached> m_cache;  // keyed by the literal's address
};

thread_local std::unique_ptr<Connection> t_connection;

Connection *Connection::forFile(const std::string &file)
{
    if (t_connection && t_connection->m_pid != ::getpid()) {
        // Inherited over fork: it belongs to the parent, so never use or close it.
        [[maybe_unused]] Connection *inherited = t_connection.release();
    }
    if (t_connection && t_connection->m_file == file)
        return t_connection.get();
    if (t_connection && t_connection->m_depth > 0) {
        OutputDebugStringA("Registry: a transaction is open on another registry file");
        return nullptr;
    }
    t_connection.reset();
    if (sqlite3 *db = openDatabase(file))
        t_connection = std::make_unique<Connection>(file, db);
    return t_connection.get();
}

Connection::~Connection()
{
    for (auto &[sql, cached] : m_cache)
        sqlite3_finalize(cached.statement);
    sqlite3_close_v2(m_db);   // rolls back a transaction left open
}

bool Connection::exec(const char *sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK)
        return true;
    reportError(m_db, sql);
    return false;
}

sqlite3_stmt *Connection::acquire(const char *sql)
{
    Cached &cached = m_cache[sql];
    const bool fresh = cached.statement == nullptr || cached.inUse;
    sqlite3_stmt *statement = fresh ? nullptr : cached.statement;
    if (fresh && sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK) {
        reportError(m_db, sql);
        return nullptr;
    }
    if (!cached.statement)
        cached.statement = statement;
    if (statement == cached.statement)
        cached.inUse = true;
    return statement;
}

void Connection::release(const char *sql, sqlite3_stmt *statement)
{
    Cached &cached = m_cache[sql];
    if (statement != cached.statement) {
        sqlite3_finalize(statement);
        return;
    }
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    cached.inUse = false;
}

bool Connection::begin()
{
    if (m_depth > 0 && sqlite3_get_autocommit(m_db)) {
        OutputDebugStringA("Registry: the open transaction was rolled back by an error");
        return false;
    }
    if (!exec(m_depth == 0 ? "BEGIN IMMEDIATE" : "SAVEPOINT nested"))
        return false;
    ++m_depth;
    return true;
}

bool Connection::commit()
{
    if (m_depth == 0)
        return false;
    if (!sqlite3_get_autocommit(m_db) && exec(m_depth == 1 ? "COMMIT" : "RELEASE nested")) {
        --m_depth;
        return true;
    }
    rollback();
    return false;
}

void Connection::rollback()
{
    if (m_depth == 0)
        return;
    --m_depth;
    if (sqlite3_get_autocommit(m_db))
        return;   // SQLite has already rolled it back
    exec(m_depth == 0 ? "ROLLBACK" : "ROLLBACK TO nested; RELEASE nested");
}

// One run of a statement; binds in order, reads columns of the current row.
class Query
{
public:
    Query(Connection *connection, const char *sql)
        : m_connection(connection)
        , m_sql(sql)
        , m_statement(connection ? connection->acquire(sql) : nullptr)
        , m_ok(m_statement != nullptr)
    {
    }
    ~Query()
    {
        if (m_statement)
            m_connection->release(m_sql, m_statement);
    }
    Query(const Query &) = delete;
    Query &operator=(const Query &) = delete;

    Query &bind(int64_t value)
    {
        if (m_statement)
            sqlite3_bind_int64(m_statement, ++m_bound, value);
        return *this;
    }
    Query &bind(const QString &text)
    {
        if (m_statement) {
            const QByteArray utf8 = text.toUtf8();
            sqlite3_bind_text(m_statement, ++m_bound, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        return *this;
    }
    Query &bind(const RegistryData &data)
    {
        if (const auto *text = std::get_if<QString>(&data))
            return bind(*text);
        if (const auto *number = std::get_if<int32_t>(&data))
            return bind(int64_t(*number));
        if (m_statement) {
            // A non-null pointer keeps an empty block a zero-length BLOB rather than NULL.
            const QByteArray &bytes = std::get<QByteArray>(data);
            sqlite3_bind_blob(m_statement, ++m_bound, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        }
        return *this;
    }

    // True while a row is ready. An error ends the rows and is reported.
    bool next()
    {
        if (!m_ok || m_done)
            return false;
        const int result = sqlite3_step(m_statement);
        if (result == SQLITE_ROW)
            return true;
        m_done = true;
        if (result != SQLITE_DONE) {
            m_ok = false;
            reportError(m_connection->db(), m_sql);
        }
        return false;
    }
    // Runs to the end; true when no error came.
    bool exec()
    {
        while (next()) {
        }
        return m_ok;
    }

    int64_t integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    QString text(int column) const
    {
        const auto *utf8 = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return QString::fromUtf8(utf8, sqlite3_column_bytes(m_statement, column));
    }
    RegistryData data(int column) const
    {
        switch (sqlite3_column_type(m_statement, column)) {
        case SQLITE_TEXT:
            return text(column);
        case SQLITE_INTEGER:
            return int32_t(integer(column));
        default: {
            const auto *bytes = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
            return QByteArray(bytes, sqlite3_column_bytes(m_statement, column));
        }
        }
    }

private:
    Connection *m_connection;
    const char *m_sql;
    sqlite3_stmt *m_statement;
    int m_bound = 0;
    bool m_ok;
    bool m_done = false;
};

// One write: all of it or none. Inside a caller's transaction it is a savepoint.
class WriteScope
{
public:
    explicit WriteScope(Connection *connection)
        : m_connection(connection && connection->begin() ? connection : nullptr)
    {
    }
    ~WriteScope()
    {
        if (m_connection)
            m_connection->rollback();
    }
    WriteScope(const WriteScope &) = delete;
    WriteScope &operator=(const WriteScope &) = delete;

    explicit operator bool() const { return m_connection != nullptr; }
    Connection *connection() const { return m_connection; }
    bool commit() { return std::exchange(m_connection, nullptr)->commit(); }

private:
    Connection *m_connection;
};

} // namespace

static QString folded(const QString &name)
{
    return name.toCaseFolded();
}

static bool keyExists(Connection *connection, RegistryStore::KeyId key)
{
    Query query(connection, "SELECT 1 FROM RegKey WHERE id = ?");
    return query.bind(key).next();
}

static int64_t insertKey(Connection *connection, RegistryStore::KeyId parent, const QString &name,
                         const QString &foldedName)
{
    Query insert(connection, "INSERT INTO RegKey(parent, name, folded) VALUES (?, ?, ?)");
    if (!insert.bind(parent).bind(name).bind(foldedName).exec())
        return 0;
    return sqlite3_last_insert_rowid(connection->db());
}

// Walks names down from base, creating what is missing when create is set.
static RegistryStore::KeyId walk(Connection *connection, RegistryStore::KeyId base, const QStringList &names,
                                 bool create, QStringList *storedNames)
{
    if (!keyExists(connection, base))
        return 0;
    RegistryStore::KeyId key = base;
    QStringList stored;
    for (const QString &name : names) {
        Query find(connection, "SELECT id, name FROM RegKey WHERE parent = ? AND folded = ?");
        if (find.bind(key).bind(folded(name)).next()) {
            key = find.integer(0);
            stored.append(find.text(1));
            continue;
        }
        if (!create)
            return 0;
        key = insertKey(connection, key, name, folded(name));
        if (key == 0)
            return 0;
        stored.append(name);
    }
    if (storedNames)
        *storedNames = stored;
    return key;
}

static bool copyTree(Connection *connection, RegistryStore::KeyId source, RegistryStore::KeyId target)
{
    Query values(connection, "INSERT INTO RegValue(key, name, folded, data)"
                             " SELECT ?, name, folded, data FROM RegValue WHERE key = ? ORDER BY rowid");
    if (!values.bind(target).bind(source).exec())
        return false;
    struct Child
    {
        RegistryStore::KeyId id;
        QString name;
        QString foldedName;
    };
    std::vector<Child> children;   // read whole first: the copies go into the same table
    Query query(connection, "SELECT id, name, folded FROM RegKey WHERE parent = ? ORDER BY rowid");
    query.bind(source);
    while (query.next())
        children.push_back({query.integer(0), query.text(1), query.text(2)});
    if (!query.exec())
        return false;
    for (const Child &child : children) {
        const RegistryStore::KeyId copy = insertKey(connection, target, child.name, child.foldedName);
        if (copy == 0 || !copyTree(connection, child.id, copy))
            return false;
    }
    return true;
}

std::string RegistryStore::currentFile()
{
    if (const char *file = std::getenv("ZILO_REGISTRY"); file && *file)
        return file;
    std::string config;
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
        config = xdg;
    } else {
        const char *home = std::getenv("HOME");
        const passwd *user = home && *home ? nullptr : ::getpwuid(::getuid());
        config = std::string(user ? user->pw_dir : home ? home : "") + "/.config";
    }
    const std::string folder = config + "/zilo";
    std::error_code ignored;   // a folder that cannot be made fails at open, where it is reported
    std::filesystem::create_directories(folder, ignored);
    return folder + "/Registry.db";
}

RegistryStore::KeyId RegistryStore::findKey(KeyId base, const QStringList &names, QStringList *storedNames) const
{
    Connection *connection = Connection::forFile(m_file);
    return connection ? walk(connection, base, names, false, storedNames) : 0;
}

RegistryStore::KeyId RegistryStore::createKey(KeyId base, const QStringList &names, QStringList *storedNames)
{
    WriteScope scope(Connection::forFile(m_file));
    if (!scope)
        return 0;
    const KeyId key = walk(scope.connection(), base, names, true, storedNames);
    return key != 0 && scope.commit() ? key : 0;
}

bool RegistryStore::deleteKey(KeyId key)
{
    if (key <= LocalMachineId)
        return false;
    WriteScope scope(Connection::forFile(m_file));
    if (!scope)
        return false;
    Query remove(scope.connection(), "DELETE FROM RegKey WHERE id = ?");
    if (!remove.bind(key).exec() || sqlite3_changes(scope.connection()->db()) == 0)
        return false;
    return scope.commit();
}

bool RegistryStore::isWithin(KeyId key, KeyId ancestor) const
{
    // UNION, not UNION ALL: a damaged file with a cycle of parents still ends.
    Query query(Connection::forFile(m_file),
                "WITH RECURSIVE up(id) AS (SELECT ? UNION"
                " SELECT parent FROM RegKey JOIN up ON RegKey.id = up.id WHERE parent IS NOT NULL)"
                " SELECT 1 FROM up WHERE id = ?");
    return query.bind(key).bind(ancestor).next();
}

bool RegistryStore::copyKey(KeyId source, KeyId target)
{
    WriteScope scope(Connection::forFile(m_file));
    if (!scope || !copyTree(scope.connection(), source, target))
        return false;
    return scope.commit();
}

QStringList RegistryStore::subkeyNames(KeyId key) const
{
    QStringList names;
    Query query(Connection::forFile(m_file), "SELECT name FROM RegKey WHERE parent = ? ORDER BY folded");
    query.bind(key);
    while (query.next())
        names.append(query.text(0));
    return names;
}

QStringList RegistryStore::valueNames(KeyId key) const
{
    QStringList names;
    Query query(Connection::forFile(m_file), "SELECT name FROM RegValue WHERE key = ? ORDER BY rowid");
    query.bind(key);
    while (query.next())
        names.append(query.text(0));
    return names;
}

bool RegistryStore::hasSubkeys(KeyId key) const
{
    Query query(Connection::forFile(m_file), "SELECT 1 FROM RegKey WHERE parent = ? LIMIT 1");
    return query.bind(key).next();
}

std::optional<RegistryData> RegistryStore::readValue(KeyId key, const QString &name) const
{
    Query query(Connection::forFile(m_file), "SELECT data FROM RegValue WHERE key = ? AND folded = ?");
    if (!query.bind(key).bind(folded(name)).next())
        return std::nullopt;
    return query.data(0);
}

bool RegistryStore::writeValue(KeyId key, const QString &name, const RegistryData &data)
{
    WriteScope scope(Connection::forFile(m_file));
    if (!scope)
        return false;
    // An update in place keeps the value's first name and its place in the order.
    Query write(scope.connection(), "INSERT INTO RegValue(key, name, folded, data) VALUES (?, ?, ?, ?)"
                                    " ON CONFLICT(key, folded) DO UPDATE SET data = excluded.data");
    if (!write.bind(key).bind(name).bind(folded(name)).bind(data).exec())
        return false;
    return scope.commit();
}

bool RegistryStore::deleteValue(KeyId key, const QString &name)
{
    WriteScope scope(Connection::forFile(m_file));
    if (!scope)
        return false;
    Query remove(scope.connection(), "DELETE FROM RegValue WHERE key = ? AND folded = ?");
    if (!remove.bind(key).bind(folded(name)).exec() || sqlite3_changes(scope.connection()->db()) == 0)
        return false;
    return scope.commit();
}

bool RegistryStore::begin()
{
    Connection *connection = Connection::forFile(m_file);
    return connection && connection->begin();
}

bool RegistryStore::commit()
{
    Connection *connection = Connection::forFile(m_file);
    return connection && connection->commit();
}

void RegistryStore::rollback()
{
    if (Connection *connection = Connection::forFile(m_file))
        connection->rollback();
}
