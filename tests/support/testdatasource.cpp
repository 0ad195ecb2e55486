#include "testdatasource.h"

#include <atomic>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace qs::test {
namespace {

std::atomic<int> serial{0};

QString uniqueSuffix()
{
    return QStringLiteral("%1_%2").arg(QCoreApplication::applicationPid()).arg(++serial);
}

QString odbcIniPath()
{
    QString path = qEnvironmentVariable("ODBCINI");
    // Tests must never write into the user's own ODBC file.
    Q_ASSERT_X(!path.isEmpty(), "TestDataSource", "ODBCINI must point at the test's own file");
    return path;
}

struct PostgresServer
{
    QString socketDir;
    QString port;
    QString user;
};

PostgresServer postgresServer()
{
    PostgresServer server;
    QFile state(qEnvironmentVariable("QS_TEST_PG_STATE"));
    if (!state.open(QIODevice::ReadOnly))
        return server;
    for (const QString &line : QString::fromUtf8(state.readAll()).split(QLatin1Char('\n'))) {
        const QString key = line.section(QLatin1Char('='), 0, 0);
        const QString value = line.section(QLatin1Char('='), 1);
        if (key == QLatin1String("PG_SOCKET_DIR"))
            server.socketDir = value;
        else if (key == QLatin1String("PG_PORT"))
            server.port = value;
        else if (key == QLatin1String("PG_USER"))
            server.user = value;
    }
    return server;
}

QList<QPair<QString, QString>> postgresEntries(const QString &database)
{
    const PostgresServer server = postgresServer();
    return {{QStringLiteral("Driver"), QStringLiteral("PostgreSQL Unicode")},
            {QStringLiteral("Servername"), server.socketDir},
            {QStringLiteral("Port"), server.port},
            {QStringLiteral("Database"), database},
            {QStringLiteral("Username"), server.user},
            {QStringLiteral("Password"), QString()},
            {QStringLiteral("CommLog"), QStringLiteral("0")},
            {QStringLiteral("Debug"), QStringLiteral("0")}};
}

QSqlDatabase openConnection(const QString &connectionName, const QString &dsn, QString *error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), connectionName);
    // As the program opens it: 64-bit integers arrive whole.
    db.setDatabaseName(dsn + QStringLiteral(";BigInt=1"));
    if (!db.open())
        *error = db.lastError().text();
    return db;
}

} // namespace

QString backendName(Backend backend)
{
    return backend == Backend::Sqlite ? QStringLiteral("sqlite") : QStringLiteral("postgresql");
}

bool postgresAvailable()
{
    return !postgresServer().socketDir.isEmpty();
}

QString schemaFile(Backend backend)
{
    return qEnvironmentVariable("QS_SOURCE_DIR") + QStringLiteral("/db/") + backendName(backend) +
           QStringLiteral("/schema.sql");
}

QList<QPair<QString, QString>> sqliteEntries(const QString &databaseFile)
{
    return {{QStringLiteral("Driver"), QStringLiteral("SQLite3")},
            {QStringLiteral("Database"), databaseFile},
            {QStringLiteral("JournalMode"), QStringLiteral("WAL")},
            {QStringLiteral("SyncPragma"), QStringLiteral("NORMAL")},
            {QStringLiteral("StepAPI"), QStringLiteral("1")}};
}

bool registerDataSource(const QString &name, const QList<QPair<QString, QString>> &entries)
{
    // The file lives on between runs in the build tree; each test process starts it afresh.
    static bool fresh = false;
    QFile file(odbcIniPath());
    const QIODevice::OpenMode mode = fresh ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate;
    fresh = true;
    if (!file.open(mode | QIODevice::Text))
        return false;
    QByteArray section = "\n[" + name.toUtf8() + "]\n";
    for (const auto &[key, value] : entries)
        section += key.toUtf8() + '=' + value.toUtf8() + '\n';
    return file.write(section) == section.size();
}

TestDataSource::TestDataSource(Backend backend)
    : m_backend(backend)
    , m_name(QStringLiteral("qs_test_%1_%2").arg(backendName(backend), uniqueSuffix()))
    , m_connection(QStringLiteral("test-arrange:") + m_name)
{
    if (backend == Backend::Sqlite) {
        m_databaseFile = m_dir.filePath(QStringLiteral("scan.db"));
        registerDataSource(m_name, sqliteEntries(m_databaseFile));
    } else {
        if (!postgresAvailable()) {
            m_error = QStringLiteral("no PostgreSQL test server (run the test through ctest)");
            return;
        }
        if (!createPostgresDatabase())
            return;
        registerDataSource(m_name, postgresEntries(m_pgDatabase));
    }
    openConnection(m_connection, m_name, &m_error);
    if (m_error.isEmpty())
        loadSchema();
}

TestDataSource::~TestDataSource()
{
    {
        QSqlDatabase connection = QSqlDatabase::database(m_connection, false);
        connection.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
}

bool TestDataSource::createPostgresDatabase()
{
    m_pgDatabase = QStringLiteral("qs_%1").arg(uniqueSuffix());
    const QString adminName = QStringLiteral("qs_admin_") + uniqueSuffix();
    registerDataSource(adminName, postgresEntries(QStringLiteral("postgres")));
    const QString connectionName = QStringLiteral("test-admin:") + adminName;
    {
        QSqlDatabase admin = openConnection(connectionName, adminName, &m_error);
        if (m_error.isEmpty()) {
            QSqlQuery create(admin);
            if (!create.exec(QStringLiteral("CREATE DATABASE ") + m_pgDatabase))
                m_error = create.lastError().text();
        }
        admin.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    return m_error.isEmpty();
}

bool TestDataSource::loadSchema()
{
    QFile file(schemaFile(m_backend));
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("cannot read ") + file.fileName();
        return false;
    }
    QString text;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (!line.trimmed().startsWith(QStringLiteral("--")))
            text += line + QLatin1Char('\n');
    }
    for (const QString &statement : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (statement.trimmed().isEmpty())
            continue;
        if (!exec(statement)) {
            m_error = m_lastError;
            return false;
        }
    }
    return true;
}

QSqlDatabase TestDataSource::db() const
{
    return QSqlDatabase::database(m_connection, false);
}

bool TestDataSource::exec(const QString &sql, const QVariantList &values)
{
    QSqlQuery query(db());
    if (!query.prepare(sql)) {
        m_lastError = query.lastError().text();
        return false;
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        m_lastError = query.lastError().text();
        return false;
    }
    return true;
}

QList<QVariantList> TestDataSource::rows(const QString &sql, const QVariantList &values)
{
    QList<QVariantList> result;
    QSqlQuery query(db());
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        m_lastError = query.lastError().text();
        return result;
    }
    while (query.next()) {
        QVariantList row;
        for (int column = 0; column < query.record().count(); ++column)
            row << query.value(column);
        result << row;
    }
    return result;
}

QVariant TestDataSource::value(const QString &sql, const QVariantList &values)
{
    const QList<QVariantList> all = rows(sql, values);
    return all.isEmpty() || all.first().isEmpty() ? QVariant() : all.first().first();
}

int TestDataSource::count(const QString &table)
{
    return value(QStringLiteral("SELECT COUNT(*) FROM ") + table).toInt();
}

bool TestDataSource::dropOtherSessions()
{
    if (m_backend != Backend::Postgres)
        return false;
    return exec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                               "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
}

} // namespace qs::test
