#include "utfdecoders.h"

#include <cstring>

#include <QStringDecoder>

namespace qs::scan {
namespace {

constexpr char16_t ReplacementCharacter = 0xFFFD;

// How many continuation bytes a UTF-8 lead byte announces, and the range its first one must lie in
// (narrower after E0, ED, F0 and F4, which rules out overlong forms, surrogates and code points above
// U+10FFFF); needed is 0 for a byte that cannot start a sequence.
struct Lead
{
    int needed = 0;
    uchar lower = 0x80;
    uchar upper = 0xBF;
};

Lead leadOf(uchar byte)
{
    if (byte >= 0xC2 && byte <= 0xDF)
        return {1};
    if (byte >= 0xE0 && byte <= 0xEF)
        return {2, uchar(byte == 0xE0 ? 0xA0 : 0x80), uchar(byte == 0xED ? 0x9F : 0xBF)};
    if (byte >= 0xF0 && byte <= 0xF4)
        return {3, uchar(byte == 0xF0 ? 0x90 : 0x80), uchar(byte == 0xF4 ? 0x8F : 0xBF)};
    return {};
}

// The number of bytes at the end that begin a character the bytes stop in the middle of: a lead
// byte followed by fewer continuation bytes than it needs, each in its allowed range.
qsizetype unfinishedTail(QByteArrayView bytes)
{
    for (qsizetype length = 1; length <= 3 && length <= bytes.size(); ++length) {
        const auto byte = uchar(bytes[bytes.size() - length]);
        if (byte >= 0x80 && byte <= 0xBF)
            continue; // a continuation byte: look further back for its lead
        const Lead lead = leadOf(byte);
        if (lead.needed < length)
            return 0;
        for (qsizetype i = 1; i < length; ++i) {
            const auto next = uchar(bytes[bytes.size() - length + i]);
            const uchar lower = i == 1 ? lead.lower : 0x80;
            const uchar upper = i == 1 ? lead.upper : 0xBF;
            if (next < lower || next > upper)
                return 0;
        }
        return length;
    }
    return 0;
}

// The Encoding Standard's algorithm, step for step, with a shortcut over runs of ASCII.
QString decodeUtf8Strictly(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        // Eight bytes at a time while they are all ASCII.
        while (i + 8 <= size) {
            quint64 block;
            std::memcpy(&block, in + i, sizeof block);
            if (block & 0x8080808080808080ULL)
                break;
            for (int k = 0; k < 8; ++k)
                *out++ = in[i + k];
            i += 8;
        }
        if (i >= size)
            break;
        const uchar byte = in[i++];
        if (byte < 0x80) {
            *out++ = byte;
            continue;
        }
        const Lead lead = leadOf(byte);
        if (lead.needed == 0) {
            *out++ = ReplacementCharacter;
            continue;
        }
        char32_t codePoint = byte & (0x3F >> lead.needed);
        int seen = 0;
        uchar lower = lead.lower;
        uchar upper = lead.upper;
        while (seen < lead.needed && i < size && in[i] >= lower && in[i] <= upper) {
            codePoint = (codePoint << 6) | (in[i++] & 0x3F);
            ++seen;
            lower = 0x80;
            upper = 0xBF;
        }
        if (seen < lead.needed) {
            // The byte that broke the sequence (if any) is read again as the start of the next one.
            *out++ = ReplacementCharacter;
        } else if (codePoint < 0x10000) {
            *out++ = char16_t(codePoint);
        } else {
            *out++ = QChar::highSurrogate(codePoint);
            *out++ = QChar::lowSurrogate(codePoint);
        }
    }
    text.truncate(out - reinterpret_cast<const char16_t *>(text.constData()));
    return text;
}

} // namespace

QString decodeUtf8(QByteArrayView bytes, BodyEnd end)
{
    // A character the cut split is left out; everything before it is whole.
    if (end == BodyEnd::Cut)
        bytes.chop(unfinishedTail(bytes));

    // Qt's decoder is much faster on large pages, and for input without an error any conforming
    // decoder gives the same text. It writes one U+FFFD per bad byte, though, so when it reports an
    // error the body is decoded again by the rules browsers follow. ConvertInitialBom keeps a second
    // byte-order mark as U+FEFF, as the Encoding Standard does (the first one was removed already).
    QStringDecoder qtDecoder(QStringDecoder::Utf8,
                             QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = qtDecoder.decode(bytes);
    if (!qtDecoder.hasError())
        return text;
    return decodeUtf8Strictly(bytes);
}

QString decodeUtf16(QByteArrayView bytes, bool bigEndian, BodyEnd end)
{
    const qsizetype units = bytes.size() / 2;
    QString text(units + 1, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const uchar *>(bytes.data());
    char16_t pendingHigh = 0;
    for (qsizetype i = 0; i < units; ++i) {
        const uchar first = in[2 * i];
        const uchar second = in[2 * i + 1];
        const auto unit = char16_t(bigEndian ? (first << 8) | second : (second << 8) | first);
        if (pendingHigh) {
            if (QChar::isLowSurrogate(unit)) {
                *out++ = pendingHigh;
                *out++ = unit;
                pendingHigh = 0;
                continue;
            }
            // The unit after an unpaired high surrogate is read again on its own.
            *out++ = ReplacementCharacter;
            pendingHigh = 0;
        }
        if (QChar::isHighSurrogate(unit))
            pendingHigh = unit;
        else if (QChar::isLowSurrogate(unit))
            *out++ = ReplacementCharacter;
        else
            *out++ = unit;
    }
    // A high surrogate and an odd byte left over at the end make one error together, not two.
    if ((pendingHigh || bytes.size() % 2) && end == BodyEnd::Complete)
        *out++ = ReplacementCharacter;
    text.truncate(out - reinterpret_cast<const char16_t *>(text.constData()));
    return text;
}

} // namespace qs::scan
