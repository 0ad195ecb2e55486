#pragma once

#include <QString>

namespace qs::test {

// A throwaway self-signed certificate and its key, made with the openssl command into folder as
// <name>.pem and <name>.key. subjectAltName as openssl takes it, e.g. "IP:127.0.0.1,DNS:localhost".
// False with the reason in error when openssl is missing or fails.
bool makeSelfSignedCertificate(const QString &folder, const QString &name, const QString &subjectAltName,
                               QString *certificateFile, QString *keyFile, QString *error);

} // namespace qs::test
