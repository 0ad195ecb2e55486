#include "testcertificate.h"

#include <QDir>
#include <QProcess>

namespace qs::test {

bool makeSelfSignedCertificate(const QString &folder, const QString &name, const QString &subjectAltName,
                               QString *certificateFile, QString *keyFile, QString *error)
{
    const QDir dir(folder);
    *certificateFile = dir.filePath(name + QStringLiteral(".pem"));
    *keyFile = dir.filePath(name + QStringLiteral(".key"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    // An EC key: quick to make, and both Qt's and libcurl's TLS take it.
    openssl.start(
        QStringLiteral("openssl"),
        {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
         QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
         QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"), QStringLiteral("/CN=") + name,
         QStringLiteral("-addext"), QStringLiteral("subjectAltName=") + subjectAltName,
         QStringLiteral("-keyout"), *keyFile, QStringLiteral("-out"), *certificateFile});
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        *error = QStringLiteral("openssl failed: %1 %2")
                     .arg(openssl.errorString(), QString::fromLocal8Bit(openssl.readAll()));
        return false;
    }
    return true;
}

} // namespace qs::test
