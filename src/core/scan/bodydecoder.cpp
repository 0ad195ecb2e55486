#include "bodydecoder.h"

#include <optional>

#include <QList>

#include "core/scan/encodinglabels.h"
#include "core/scan/icudecoder.h"
#include "core/scan/utfdecoders.h"

namespace qs::scan {
namespace {

// Browsers look for a page's own declaration only this far (WHATWG HTML, "determining the
// character encoding": "User agents are encouraged to only prescan the first 1024 bytes").
constexpr qsizetype PrescanLength = 1024;

bool isTokenSpace(char c)
{
    return c == ' ' || c == '\t';
}

// ASCII whitespace in the HTML standard's sense: TAB, LF, FF, CR and SPACE.
bool isHtmlSpace(uchar c)
{
    return c == 0x09 || c == 0x0A || c == 0x0C || c == 0x0D || c == 0x20;
}

char asciiLower(uchar c)
{
    return char(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
}

bool isAsciiLetter(uchar c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// WHATWG Encoding Standard, "BOM sniff": only the UTF-8 and UTF-16 marks count.
struct Bom
{
    Encoding encoding;
    qsizetype length;
};

std::optional<Bom> sniffBom(QByteArrayView body)
{
    if (body.startsWith("\xEF\xBB\xBF"))
        return Bom{Encoding::Utf8, 3};
    if (body.startsWith("\xFE\xFF"))
        return Bom{Encoding::Utf16Be, 2};
    if (body.startsWith("\xFF\xFE"))
        return Bom{Encoding::Utf16Le, 2};
    return std::nullopt;
}

// WHATWG HTML, "algorithm for extracting a character encoding from a meta element", over a
// content attribute value that is already lower-cased.
std::optional<Encoding> encodingFromMetaContent(QByteArrayView content)
{
    qsizetype pos = 0;
    while (true) {
        const qsizetype found = content.indexOf("charset", pos);
        if (found < 0)
            return std::nullopt;
        pos = found + 7;
        while (pos < content.size() && isHtmlSpace(uchar(content[pos])))
            ++pos;
        if (pos >= content.size() || content[pos] != '=')
            continue; // look for the next "charset" from here
        ++pos;
        while (pos < content.size() && isHtmlSpace(uchar(content[pos])))
            ++pos;
        if (pos >= content.size())
            return std::nullopt;
        const char first = content[pos];
        if (first == '"' || first == '\'') {
            const qsizetype close = content.indexOf(first, pos + 1);
            if (close < 0)
                return std::nullopt;
            return encodingFromLabel(content.sliced(pos + 1, close - pos - 1));
        }
        qsizetype end = pos;
        while (end < content.size() && !isHtmlSpace(uchar(content[end])) && content[end] != ';')
            ++end;
        return encodingFromLabel(content.sliced(pos, end - pos));
    }
}

// WHATWG HTML, "get an XML encoding": what the prescan falls back to when it finds no <meta>. Pages
// served as HTML but written as XHTML declare their encoding this way.
std::optional<Encoding> xmlDeclaredEncoding(QByteArrayView bytes)
{
    if (!bytes.startsWith("<?xml"))
        return std::nullopt;
    const qsizetype declarationEnd = bytes.indexOf('>');
    if (declarationEnd < 0)
        return std::nullopt;
    const qsizetype keyword = bytes.first(declarationEnd).indexOf("encoding");
    if (keyword < 0)
        return std::nullopt;
    qsizetype pos = keyword + 8;
    const auto skipSpaceAndControls = [&] {
        while (pos < bytes.size() && uchar(bytes[pos]) <= 0x20)
            ++pos;
    };
    skipSpaceAndControls();
    if (pos >= bytes.size() || bytes[pos] != '=')
        return std::nullopt;
    ++pos;
    skipSpaceAndControls();
    if (pos >= bytes.size() || (bytes[pos] != '"' && bytes[pos] != '\''))
        return std::nullopt;
    const char quote = bytes[pos++];
    const qsizetype close = bytes.indexOf(quote, pos);
    if (close < 0)
        return std::nullopt;
    const QByteArrayView label = bytes.sliced(pos, close - pos);
    for (const char c : label) {
        if (uchar(c) <= 0x20)
            return std::nullopt;
    }
    const std::optional<Encoding> encoding = encodingFromLabel(label);
    if (encoding == Encoding::Utf16Be || encoding == Encoding::Utf16Le)
        return Encoding::Utf8;
    return encoding;
}

// WHATWG HTML, "prescan a byte stream to determine its encoding", over bytes that end where the
// prescan stops. Running out of bytes anywhere ends the <meta> search without a result.
class Prescan
{
public:
    explicit Prescan(QByteArrayView bytes)
        : m_bytes(bytes)
    {}

    std::optional<Encoding> run()
    {
        if (m_bytes.startsWith(QByteArrayView("<\0?\0x\0", 6)))
            return Encoding::Utf16Le;
        if (m_bytes.startsWith(QByteArrayView("\0<\0?\0x", 6)))
            return Encoding::Utf16Be;
        if (const auto encoding = metaEncoding())
            return encoding;
        return xmlDeclaredEncoding(m_bytes);
    }

private:
    enum class Found
    {
        Attribute,
        Nothing,
        OutOfBytes,
    };

    bool startsWithAt(qsizetype pos, QByteArrayView text) const
    {
        if (pos + text.size() > m_bytes.size())
            return false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (asciiLower(uchar(m_bytes[pos + i])) != text[i])
                return false;
        }
        return true;
    }

    uchar byteAt(qsizetype pos) const { return pos < m_bytes.size() ? uchar(m_bytes[pos]) : 0; }

    std::optional<Encoding> metaEncoding()
    {
        for (m_pos = 0; m_pos < m_bytes.size(); ++m_pos) {
            if (startsWithAt(m_pos, "<!--")) {
                // Ends at the first "-->"; its dashes may be the ones that opened the comment.
                const qsizetype close = m_bytes.indexOf("-->", m_pos + 2);
                if (close < 0)
                    return std::nullopt;
                m_pos = close + 2;
            } else if (startsWithAt(m_pos, "<meta") &&
                       (isHtmlSpace(byteAt(m_pos + 5)) || byteAt(m_pos + 5) == '/')) {
                m_pos += 5;
                bool outOfBytes = false;
                if (const auto encoding = metaElement(outOfBytes))
                    return encoding;
                if (outOfBytes)
                    return std::nullopt;
            } else if (byteAt(m_pos) == '<' &&
                       (isAsciiLetter(byteAt(m_pos + 1)) ||
                        (byteAt(m_pos + 1) == '/' && isAsciiLetter(byteAt(m_pos + 2))))) {
                // Any other tag: skip its name and its attributes.
                while (m_pos < m_bytes.size() && !isHtmlSpace(byteAt(m_pos)) && byteAt(m_pos) != '>')
                    ++m_pos;
                if (m_pos >= m_bytes.size())
                    return std::nullopt;
                QByteArray name, value;
                Found found;
                while ((found = nextAttribute(name, value)) == Found::Attribute) {
                }
                if (found == Found::OutOfBytes)
                    return std::nullopt;
            } else if (startsWithAt(m_pos, "<!") || startsWithAt(m_pos, "</") || startsWithAt(m_pos, "<?")) {
                const qsizetype close = m_bytes.indexOf('>', m_pos + 1);
                if (close < 0)
                    return std::nullopt;
                m_pos = close;
            }
        }
        return std::nullopt;
    }

    // The attributes of one <meta>, up to its '>'; the encoding it declares if it does.
    std::optional<Encoding> metaElement(bool &outOfBytes)
    {
        QList<QByteArray> seen;
        bool gotPragma = false;
        std::optional<bool> needPragma;
        bool charsetSet = false;
        std::optional<Encoding> charset; // set but empty: a label that names nothing
        QByteArray name, value;
        Found found;
        while ((found = nextAttribute(name, value)) == Found::Attribute) {
            if (seen.contains(name))
                continue;
            seen.append(name);
            if (name == "http-equiv") {
                if (value == "content-type")
                    gotPragma = true;
            } else if (name == "content") {
                const auto fromContent = encodingFromMetaContent(value);
                if (fromContent && !charsetSet) {
                    charset = fromContent;
                    charsetSet = true;
                    needPragma = true;
                }
            } else if (name == "charset") {
                charset = encodingFromLabel(value);
                charsetSet = true;
                needPragma = false;
            }
        }
        if (found == Found::OutOfBytes) {
            outOfBytes = true;
            return std::nullopt;
        }
        if (!needPragma || (*needPragma && !gotPragma) || !charset)
            return std::nullopt;
        // A page whose <meta> could be read as ASCII is not in UTF-16, whatever it says.
        if (charset == Encoding::Utf16Be || charset == Encoding::Utf16Le)
            return Encoding::Utf8;
        if (charset == Encoding::XUserDefined)
            return Encoding::Windows1252;
        return charset;
    }

    // WHATWG HTML, "get an attribute": names and values come out lower-cased.
    Found nextAttribute(QByteArray &name, QByteArray &value)
    {
        while (m_pos < m_bytes.size() && (isHtmlSpace(byteAt(m_pos)) || byteAt(m_pos) == '/'))
            ++m_pos;
        if (m_pos >= m_bytes.size())
            return Found::OutOfBytes;
        if (byteAt(m_pos) == '>')
            return Found::Nothing;
        name.clear();
        value.clear();

        // The name, up to '=', a space, '/' or '>'.
        while (true) {
            if (m_pos >= m_bytes.size())
                return Found::OutOfBytes;
            const uchar c = byteAt(m_pos);
            if (c == '=' && !name.isEmpty())
                break;
            if (isHtmlSpace(c)) {
                while (m_pos < m_bytes.size() && isHtmlSpace(byteAt(m_pos)))
                    ++m_pos;
                if (m_pos >= m_bytes.size())
                    return Found::OutOfBytes;
                if (byteAt(m_pos) != '=')
                    return Found::Attribute; // a name without a value
                break;
            }
            if (c == '/' || c == '>')
                return Found::Attribute;
            name += asciiLower(c);
            ++m_pos;
        }
        ++m_pos; // past '='

        while (m_pos < m_bytes.size() && isHtmlSpace(byteAt(m_pos)))
            ++m_pos;
        if (m_pos >= m_bytes.size())
            return Found::OutOfBytes;
        const uchar first = byteAt(m_pos);
        if (first == '"' || first == '\'') {
            while (true) {
                ++m_pos;
                if (m_pos >= m_bytes.size())
                    return Found::OutOfBytes;
                if (byteAt(m_pos) == first) {
                    ++m_pos;
                    return Found::Attribute;
                }
                value += asciiLower(byteAt(m_pos));
            }
        }
        if (first == '>')
            return Found::Attribute;
        while (true) {
            value += asciiLower(byteAt(m_pos));
            ++m_pos;
            if (m_pos >= m_bytes.size())
                return Found::OutOfBytes;
            const uchar c = byteAt(m_pos);
            if (isHtmlSpace(c) || c == '>')
                return Found::Attribute;
        }
    }

    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
};

std::optional<Encoding> prescanEncoding(QByteArrayView body)
{
    return Prescan(body.first(qMin(body.size(), PrescanLength))).run();
}

QString decodeAs(Encoding encoding, QByteArrayView bytes, BodyEnd end)
{
    switch (encoding) {
    case Encoding::Utf8:
        return decodeUtf8(bytes, end);
    case Encoding::Utf16Be:
        return decodeUtf16(bytes, true, end);
    case Encoding::Utf16Le:
        return decodeUtf16(bytes, false, end);
    default:
        return decodeWithIcuTables(encoding, bytes, end);
    }
}

} // namespace

QByteArray encodingForLabel(QByteArrayView label)
{
    const std::optional<Encoding> encoding = encodingFromLabel(label);
    return encoding ? encodingName(*encoding).toByteArray() : QByteArray();
}

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

QByteArray metaDeclaredEncoding(QByteArrayView body)
{
    const std::optional<Encoding> encoding = prescanEncoding(body);
    return encoding ? encodingName(*encoding).toByteArray() : QByteArray();
}

DecodedBody decodeBody(QByteArrayView body, QByteArrayView contentType, BodyEnd end)
{
    // WHATWG HTML, "encoding sniffing algorithm", without the steps that need a user or a parent
    // document; the last resort stays UTF-8, which the stored results were computed with.
    Encoding encoding = Encoding::Utf8;
    if (const std::optional<Bom> bom = sniffBom(body)) {
        encoding = bom->encoding;
        body = body.sliced(bom->length); // the mark is not part of the text
    } else if (const auto fromHeader = encodingFromLabel(charsetFromContentType(contentType))) {
        encoding = *fromHeader;
    } else if (const auto fromPage = prescanEncoding(body)) {
        encoding = *fromPage;
    }
    return {decodeAs(encoding, body, end), encodingName(encoding).toByteArray()};
}

} // namespace qs::scan
