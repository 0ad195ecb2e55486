#include "core/scan/bodydecoder.h"

#include <optional>

#include <QStringDecoder>

namespace qs::scan {
namespace {

using Flags = QStringDecoder::Flags;

bool isTokenSpace(char c)
{
    return c == ' ' || c == '\t';
}

// The WHATWG Encoding Standard (section 4.2, "Names and labels") makes browsers read pages labelled
// ISO-8859-1 or US-ASCII as windows-1252, and servers rely on it: such pages routinely carry
// 0x80-0x9F quotes and dashes. Reading them as C1 control codes would hide words from the search.
QByteArray browserEncodingName(QByteArray name)
{
    name = name.trimmed().toLower();
    static const QByteArrayView latin1Labels[] = {
        "iso-8859-1", "iso8859-1",   "iso_8859-1", "iso88591", "iso_8859-1:1987", "latin1",
        "l1",         "cp819",       "ibm819",     "us-ascii", "ascii",           "ansi_x3.4-1968",
        "iso-ir-100", "csisolatin1", "x-cp1252",
    };
    for (const QByteArrayView label : latin1Labels) {
        if (name == label)
            return QByteArrayLiteral("windows-1252");
    }
    return name;
}

std::optional<QStringDecoder> decoderNamed(const QByteArray &name, Flags flags)
{
    if (name.isEmpty())
        return std::nullopt;
    QStringDecoder decoder(browserEncodingName(name).constData(), flags);
    if (!decoder.isValid())
        return std::nullopt;
    return decoder;
}

// WHATWG Encoding Standard, "BOM sniff": only the UTF-8 and UTF-16 marks count.
std::optional<QStringDecoder::Encoding> encodingFromBom(QByteArrayView body)
{
    if (body.startsWith("\xEF\xBB\xBF"))
        return QStringDecoder::Utf8;
    if (body.startsWith("\xFE\xFF"))
        return QStringDecoder::Utf16BE;
    if (body.startsWith("\xFF\xFE"))
        return QStringDecoder::Utf16LE;
    return std::nullopt;
}

// The encoding a <meta> element near the top of the page declares.
std::optional<QStringDecoder> decoderFromMeta(QByteArrayView body, Flags flags)
{
    // Without a BOM (ruled out before) and without a <meta> declaration, decoderForHtml()
    // answers UTF-8; so does an unknown name in the page (an invalid decoder).
    QStringDecoder declared = QStringDecoder::decoderForHtml(body);
    if (!declared.isValid())
        return std::nullopt;
    const QByteArray name = QByteArray(declared.name()).toLower();
    // A page whose ASCII <meta> could be read is not UTF-16 or UTF-32, whatever it claims
    // (WHATWG HTML, "prescan a byte stream": utf-16 from <meta> means UTF-8).
    if (name.startsWith("utf-16") || name.startsWith("utf-32"))
        return std::nullopt;
    return decoderNamed(name, flags);
}

} // namespace

QByteArray charsetFromContentType(QByteArrayView contentType)
{
    // media-type = type "/" subtype parameters; parameter values are a token or a quoted-string
    // with backslash escapes (RFC 9110 sections 8.3.1 and 5.6.4).
    qsizetype pos = contentType.indexOf(';');
    while (pos >= 0 && pos < contentType.size()) {
        ++pos; // past ';'
        while (pos < contentType.size() && isTokenSpace(contentType[pos]))
            ++pos;
        const qsizetype nameStart = pos;
        while (pos < contentType.size() && contentType[pos] != '=' && contentType[pos] != ';')
            ++pos;
        const QByteArray name =
            contentType.sliced(nameStart, pos - nameStart).toByteArray().trimmed().toLower();
        if (pos >= contentType.size() || contentType[pos] == ';')
            continue; // a parameter without a value
        ++pos;        // past '='

        QByteArray value;
        if (pos < contentType.size() && contentType[pos] == '"') {
            ++pos;
            while (pos < contentType.size() && contentType[pos] != '"') {
                if (contentType[pos] == '\\' && pos + 1 < contentType.size())
                    ++pos;
                value += contentType[pos++];
            }
            pos = contentType.indexOf(';', pos);
        } else {
            const qsizetype end = contentType.indexOf(';', pos);
            value = contentType.sliced(pos, (end < 0 ? contentType.size() : end) - pos).toByteArray();
            pos = end;
        }
        if (name == "charset")
            return value.trimmed().toLower();
    }
    return {};
}

DecodedBody decodeBody(QByteArrayView body, QByteArrayView contentType, BodyEnd end)
{
    // A stateless decoder turns an incomplete last character into U+FFFD; a stateful one keeps it
    // back for a next call that never comes, which is what a body cut on purpose wants.
    const Flags flags = end == BodyEnd::Complete ? Flags(QStringDecoder::Flag::Stateless) : Flags();

    std::optional<QStringDecoder> decoder;
    if (const auto bom = encodingFromBom(body))
        decoder.emplace(*bom, flags); // the mark itself is skipped by the decoder
    if (!decoder)
        decoder = decoderNamed(charsetFromContentType(contentType), flags);
    if (!decoder)
        decoder = decoderFromMeta(body, flags);
    if (!decoder)
        decoder.emplace(QStringDecoder::Utf8, flags);
    QString text = decoder->decode(body);
    return {std::move(text), QByteArray(decoder->name())};
}

} // namespace qs::scan
