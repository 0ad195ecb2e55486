#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace qs::scan {

// Whether the bytes handed to decodeBody() are the whole body or were cut short on purpose.
enum class BodyEnd
{
    Complete, // an incomplete character at the end is a decoding error and becomes U+FFFD
    Cut,      // the body was truncated: a character split by the cut is dropped
};

struct DecodedBody
{
    QString text;
    QByteArray encoding; // the WHATWG Encoding Standard's name of the encoding used, e.g. "windows-1252"
};

// The WHATWG Encoding Standard's name for a charset label ("latin1" gives "windows-1252",
// "euc-kr" gives "EUC-KR"); empty when the label names no encoding a browser knows.
QByteArray encodingForLabel(QByteArrayView label);

// The charset parameter of a Content-Type field value ("text/html; charset=ISO-8859-1"),
// unquoted and lower-cased; empty when there is none.
QByteArray charsetFromContentType(QByteArrayView contentType);

// The encoding the page declares for itself near its top, found the way the WHATWG HTML
// standard's "prescan a byte stream to determine its encoding" finds it in the first 1024 bytes
// (<meta charset>, <meta http-equiv="Content-Type" content="...">, or an XML declaration); empty
// when there is none or it names no known encoding.
QByteArray metaDeclaredEncoding(QByteArrayView body);

// Turns a response body into the text a browser shows for it. The encoding is taken from a
// byte-order mark first, then the charset of the Content-Type header, then the page's own
// declaration, else UTF-8 (which is what the scan's stored results were computed with); a label
// that names no known encoding falls through to the next source. Decoding follows the WHATWG
// Encoding Standard, so bytes that do not decode become U+FFFD exactly where a browser shows one.
DecodedBody decodeBody(QByteArrayView body, QByteArrayView contentType, BodyEnd end = BodyEnd::Complete);

} // namespace qs::scan
