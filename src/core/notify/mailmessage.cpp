#include "core/notify/mailmessage.h"

#include <algorithm>
#include <utility>

#include <QSysInfo>
#include <QUrl>
#include <QUuid>

namespace qs::notify {

namespace {

constexpr QByteArrayView crlf = "\r\n";

// RFC 5322 section 2.1.1: lines SHOULD stay within 78 characters.
constexpr qsizetype foldWidth = 78;
// RFC 2045 section 6.7 rule 5: encoded lines at most 76 characters, soft-break '=' included.
constexpr qsizetype qpLineContent = 75;
// RFC 2047 section 2: an encoded word is at most 75 characters and a line holding one at
// most 76. 39 octets give 52 base64 characters, a 64-character word, and room for the field
// name on the first line.
constexpr qsizetype encodedWordOctets = 39;
// A word longer than this cannot be folded below the width, so it is encoded instead.
constexpr qsizetype longestPlainWord = 70;

bool isUtf8Continuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

bool needsEncodedWords(const QString &text)
{
    if (text.isEmpty())
        return false;
    // Leading or trailing blanks would be taken for folding white space and dropped by
    // readers; inside an encoded word they are kept.
    if (text.front() == QLatin1Char(' ') || text.back() == QLatin1Char(' '))
        return true;
    // Plain text that looks like an encoded word would be decoded by the reader (RFC 2047 section 6.2).
    if (text.contains(QStringLiteral("=?")))
        return true;
    qsizetype word = 0;
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return true;
        word = c == QLatin1Char(' ') ? 0 : word + 1;
        if (word > longestPlainWord)
            return true;
    }
    return false;
}

QByteArray foldPlain(QByteArrayView name, const QString &text)
{
    QByteArray out = name.toByteArray() + ':';
    if (text.isEmpty())
        return out;
    qsizetype lineLength = out.size();
    // Only called for printable ASCII, so Latin-1 is the exact byte form.
    const QByteArray bytes = text.toLatin1();
    qsizetype from = 0;
    bool first = true;
    while (from <= bytes.size()) {
        qsizetype to = bytes.indexOf(' ', from);
        if (to < 0)
            to = bytes.size();
        const QByteArrayView word(bytes.constData() + from, to - from);
        // Fold (RFC 5322 section 2.2.3) only in front of a non-empty word, so that no line is
        // made of white space alone; unfolding gives the text back unchanged.
        if (!first && !word.isEmpty() && lineLength + 1 + word.size() > foldWidth) {
            out += crlf;
            lineLength = 0;
        }
        out += ' ';
        out += word;
        lineLength += 1 + word.size();
        first = false;
        from = to + 1;
    }
    return out;
}

QByteArray encodedWords(QByteArrayView name, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out = name.toByteArray() + ':';
    qsizetype from = 0;
    while (from < utf8.size()) {
        qsizetype to = std::min(from + encodedWordOctets, utf8.size());
        // RFC 2047 section 5: each encoded word holds whole characters.
        while (to < utf8.size() && to > from && isUtf8Continuation(utf8.at(to)))
            --to;
        if (from > 0)
            out += crlf;
        out += " =?UTF-8?B?" + utf8.mid(from, to - from).toBase64() + "?=";
        from = to;
    }
    return out;
}

QByteArray addressHeader(QByteArrayView name, const QString &value)
{
    const QString safe = headerSafe(value);
    bool ascii = true;
    for (const QChar c : safe)
        ascii = ascii && c.unicode() < 0x80;
    if (safe.isEmpty())
        return name.toByteArray() + ':';
    if (ascii)
        return name.toByteArray() + ": " + safe.toLatin1();

    // A display name in front of <address> may be any text (RFC 2047 section 5 (3)).
    const qsizetype open = safe.lastIndexOf(QLatin1Char('<'));
    QString displayName = open > 0 ? safe.left(open).trimmed() : QString();
    // The quotes of a quoted display name are syntax, not part of the name.
    if (displayName.size() >= 2 && displayName.front() == QLatin1Char('"') &&
        displayName.back() == QLatin1Char('"'))
        displayName = displayName.mid(1, displayName.size() - 2);
    const QString rest = open > 0 ? safe.mid(open) : QString();
    bool restAscii = true;
    for (const QChar c : rest)
        restAscii = restAscii && c.unicode() < 0x80;
    if (!displayName.isEmpty() && restAscii && rest.endsWith(QLatin1Char('>'))) {
        QByteArray words = encodedWords(name, displayName);
        return words + ' ' + rest.toLatin1();
    }
    // An internationalised address itself is sent as UTF-8 (RFC 6532).
    return name.toByteArray() + ": " + safe.toUtf8();
}

QString idHost(const QString &sender)
{
    auto clean = [](const QString &candidate) {
        QByteArray ace = QUrl::toAce(candidate.trimmed());
        QByteArray kept;
        for (const char c : ace) {
            if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                c == '.')
                kept += c;
        }
        while (kept.startsWith('.'))
            kept.remove(0, 1);
        while (kept.endsWith('.'))
            kept.chop(1);
        return QString::fromLatin1(kept);
    };
    const QString address = envelopeAddress(sender);
    const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        QString domain = clean(address.mid(at + 1));
        if (domain.contains(QLatin1Char('.')))
            return domain;
    }
    const QString machine = clean(QSysInfo::machineHostName());
    return machine.isEmpty() ? QStringLiteral("localhost") : machine;
}

} // namespace

QString headerSafe(const QString &value)
{
    QString out = value;
    for (QChar &c : out) {
        if ((c.unicode() < 0x20 && c != QLatin1Char('\t')) || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    return out;
}

QString envelopeAddress(const QString &value)
{
    QString safe = headerSafe(value).trimmed();
    const qsizetype open = safe.lastIndexOf(QLatin1Char('<'));
    const qsizetype close = safe.lastIndexOf(QLatin1Char('>'));
    if (open >= 0 && close > open)
        return safe.mid(open + 1, close - open - 1).trimmed();
    return safe;
}

QByteArray encodeQuotedPrintable(QByteArrayView text)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(text.size() + text.size() / 4);
    qsizetype lineLength = 0;
    bool endsWithBreak = true;

    auto put = [&](const char *token, qsizetype length) {
        if (lineLength + length > qpLineContent) {
            out += "=\r\n"; // soft line break (RFC 2045 section 6.7 rule 5)
            lineLength = 0;
        }
        out.append(token, length);
        lineLength += length;
        endsWithBreak = false;
    };
    auto hardBreak = [&] {
        out += crlf;
        lineLength = 0;
        endsWithBreak = true;
    };
    auto breakFollows = [&](qsizetype next) {
        return next == text.size() || text.at(next) == '\n' ||
               (text.at(next) == '\r' && next + 1 < text.size() && text.at(next + 1) == '\n');
    };

    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r' && i + 1 < text.size() && text.at(i + 1) == '\n') {
            hardBreak(); // rule 4: a line break of the text stays a CR LF
            ++i;
        } else if (c == '\n') {
            hardBreak(); // a lone LF is taken as the line break it stands for
        } else if (((c == ' ' || c == '\t') && !breakFollows(i + 1)) || (u >= 33 && u <= 126 && c != '=')) {
            // White space inside a line and printable ASCII stay. A leading '.' needs nothing
            // here: libcurl dot-stuffs the data (RFC 5321 section 4.5.2).
            put(&c, 1);
        } else {
            // '=', 8-bit octets, a lone CR and white space at the end of a line (rule 3:
            // transports may strip trailing white space).
            const char escaped[3] = {'=', hex[u >> 4], hex[u & 0x0F]};
            put(escaped, 3);
        }
    }
    // A body that does not end with a line break ends with a soft one, so that the CR LF
    // that must close the message does not become part of the decoded text.
    if (!endsWithBreak)
        out += "=\r\n";
    return out;
}

QByteArray unstructuredHeader(QByteArrayView name, const QString &text)
{
    const QString safe = headerSafe(text);
    return needsEncodedWords(safe) ? encodedWords(name, safe) : foldPlain(name, safe);
}

QString newMessageId(const QString &sender)
{
    return QLatin1Char('<') + QUuid::createUuid().toString(QUuid::Id128) + QLatin1Char('.') +
           QString::number(QDateTime::currentMSecsSinceEpoch(), 36) + QLatin1Char('@') + idHost(sender) +
           QLatin1Char('>');
}

QByteArray composeMessage(const MailContent &content, const QDateTime &date, const QString &messageId)
{
    QByteArray out;
    auto header = [&out](const QByteArray &line) {
        out += line;
        out += crlf;
    };
    // RFC 5322 section 3.3 date-time; Qt writes the month in English whatever the locale.
    header("Date: " + date.toString(Qt::RFC2822Date).toLatin1());
    header(addressHeader("From", content.sender));
    header(addressHeader("To", content.recipient));
    header(unstructuredHeader("Subject", content.subject));
    header("Message-ID: " + headerSafe(messageId).toLatin1());
    // RFC 2045: MIME so that the UTF-8 text and its long lines travel over any 7-bit hop.
    header("MIME-Version: 1.0");
    if (content.html.isEmpty()) {
        header("Content-Type: text/plain; charset=UTF-8");
        header("Content-Transfer-Encoding: quoted-printable");
        out += crlf;
        out += encodeQuotedPrintable(content.body.toUtf8());
        return out;
    }
    // "=_" never occurs in quoted-printable text ('=' is followed by two hex digits or a line
    // break), so the boundary cannot occur inside a part (RFC 2046 section 5.1.1).
    const QByteArray boundary = "=_quillmere_" + messageId.toLatin1().toHex().left(24);
    header("Content-Type: multipart/alternative; boundary=\"" + boundary + '"');
    out += crlf;
    for (const auto &[type, text] : {std::pair(QByteArrayLiteral("text/plain"), content.body),
                                     std::pair(QByteArrayLiteral("text/html"), content.html)}) {
        out += "--" + boundary + "\r\n";
        header("Content-Type: " + type + "; charset=UTF-8");
        header("Content-Transfer-Encoding: quoted-printable");
        out += crlf;
        out += encodeQuotedPrintable(text.toUtf8());
        out += crlf;
    }
    out += "--" + boundary + "--\r\n";
    return out;
}

} // namespace qs::notify
