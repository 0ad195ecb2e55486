#include "testcertificate.h"

#include <QDir>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace qs::test {

bool makeSelfSignedCertificate(const QString &folder, const QString &name, const QString &subjectAltName,
                               QString *certificateFile, QString *keyFile, QString *error)
{
    const QDir dir(folder);
    *certificateFile = dir.filePath(name + u".pem"_s);
    *keyFile = dir.filePath(name + u".key"_s);
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    // An EC key: quick to make, and both Qt's and libcurl's TLS take it.
    openssl.start(u"openssl"_s,
                  u"req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"_s.split(u' ') +
                      QStringList{u"-subj"_s, u"/CN="_s + name, u"-addext"_s,
                                  u"subjectAltName="_s + subjectAltName, u"-keyout"_s, *keyFile, u"-out"_s,
                                  *certificateFile});
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        *error =
            u"openssl failed: %1 %2"_s.arg(openssl.errorString(), QString::fromLocal8Bit(openssl.readAll()));
        return false;
    }
    return true;
}

} // namespace qs::test
