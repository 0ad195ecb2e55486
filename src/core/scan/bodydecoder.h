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

// The charset parameter of a Content-Type field value ("text/html; charset=ISO-8859-1"),
// unquoted and lower-cased; empty when there is none.
QByteArray charsetFromContentType(QByteArrayView contentType);

// Turns a response body into text the way a browser picks the encoding: a byte-order mark
// first, then the charset of the Content-Type header, then the page's own <meta> declaration,
// else UTF-8. A charset name that is not known falls through to the next source. Bytes that do
// not decode become U+FFFD.
struct DecodedBody
{
    QString text;
    QByteArray encoding; // the name of the encoding used
};
DecodedBody decodeBody(QByteArrayView body, QByteArrayView contentType, BodyEnd end = BodyEnd::Complete);

} // namespace qs::scan
