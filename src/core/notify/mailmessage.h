#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace qs::notify {

// The five values one mail is made of, exactly as the settings and the report give them.
struct MailContent
{
    QString server;
    QString sender;
    QString recipient;
    QString subject;
    QString body;
    // When not empty, an HTML alternative of the body (RFC 2046 multipart/alternative): mail
    // readers that show HTML show it, the others the plain text.
    QString html;
};

// The complete Internet message (RFC 5322) that goes after SMTP DATA: CR LF line ends, a
// UTF-8 plain-text body in quoted-printable, and the HTML alternative after it when there is
// one. Decoding the plain text gives `content.body` back byte for byte, except that a lone LF
// becomes CR LF. Pure: the date and the Message-ID (with its angle brackets) are passed in.
QByteArray composeMessage(const MailContent &content, const QDateTime &date, const QString &messageId);

// A new globally unique "<...@host>" identifier; host is the sender's domain when it has a
// usable one, else this machine's name.
QString newMessageId(const QString &sender);

// The bare address for the SMTP envelope: "Name <a@b.org>" gives "a@b.org"; anything else
// is taken whole, without surrounding blanks.
QString envelopeAddress(const QString &value);

// A header value with every CR, LF and other control character except TAB replaced by a
// blank, so that no value can end its header line and start a new header.
QString headerSafe(const QString &value);

// RFC 2045 section 6.7 quoted-printable of UTF-8 text.
QByteArray encodeQuotedPrintable(QByteArrayView text);

// The header field "name: value" for unstructured text (RFC 5322 section 3.2.5), folded to
// lines of at most 78 characters; as RFC 2047 encoded words (UTF-8, "B") when the text is not
// plain printable ASCII or would not survive as such. No CR LF at the end.
QByteArray unstructuredHeader(QByteArrayView name, const QString &text);

} // namespace qs::notify
