#include "icudecoder.h"

#include <optional>
#include <utility>

#include "core/scan/icutables.h"

namespace qs::scan {
namespace {

constexpr char16_t ReplacementCharacter = 0xFFFD;

class Output
{
public:
    explicit Output(qsizetype expected) { m_text.reserve(expected); }

    void put(char32_t codePoint)
    {
        if (codePoint < 0x10000) {
            m_text.append(QChar(char16_t(codePoint)));
        } else {
            m_text.append(QChar(QChar::highSurrogate(codePoint)));
            m_text.append(QChar(QChar::lowSurrogate(codePoint)));
        }
    }
    void error() { m_text.append(QChar(ReplacementCharacter)); }
    QString take() { return std::move(m_text); }

private:
    QString m_text;
};

char32_t lookUp(const IndexTable &index, int pointer)
{
    return pointer >= 0 && pointer < int(index.size()) ? index[std::size_t(pointer)] : 0;
}

bool inRange(uchar byte, uchar low, uchar high)
{
    return byte >= low && byte <= high;
}

// After a lead byte, a trail byte that gives no character is an error; if the trail byte is ASCII
// the standard reads it again on its own, and on its own it is itself.
void trailError(Output &out, uchar trail)
{
    out.error();
    if (trail < 0x80)
        out.put(trail);
}

QString decodeSingleByte(const SingleByteTable &table, QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    for (const char c : bytes) {
        const auto byte = uchar(c);
        *out++ = byte < 0x80 ? char16_t(byte) : table[byte - 0x80];
    }
    return text;
}

// x-user-defined: the high half goes to U+F780..U+F7FF, a private use block, byte for byte.
QString decodeXUserDefined(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    for (const char c : bytes) {
        const auto byte = uchar(c);
        *out++ = byte < 0x80 ? char16_t(byte) : char16_t(0xF780 + byte - 0x80);
    }
    return text;
}

QString decodeGb18030(QByteArrayView bytes, BodyEnd end)
{
    const IndexTable &index = indexGb18030();
    Output out(bytes.size());
    uchar first = 0, second = 0, third = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = uchar(bytes[i]);
        if (third) {
            if (!inRange(byte, 0x30, 0x39)) {
                // The second byte (a digit) is read again as itself, the third as a new first byte,
                // and this byte after it.
                out.error();
                out.put(second);
                first = third;
                second = third = 0;
                --i;
                continue;
            }
            const int pointer = (first - 0x81) * (10 * 126 * 10) + (second - 0x30) * (10 * 126) +
                                (third - 0x81) * 10 + byte - 0x30;
            first = second = third = 0;
            if (const char32_t codePoint = gb18030RangesCodePoint(pointer))
                out.put(codePoint);
            else
                out.error();
            continue;
        }
        if (second) {
            if (inRange(byte, 0x81, 0xFE)) {
                third = byte;
                continue;
            }
            out.error();
            out.put(second);
            first = second = 0;
            --i;
            continue;
        }
        if (first) {
            if (inRange(byte, 0x30, 0x39)) {
                second = byte;
                continue;
            }
            const uchar lead = first;
            first = 0;
            const int offset = byte < 0x7F ? 0x40 : 0x41;
            const int pointer = inRange(byte, 0x40, 0x7E) || inRange(byte, 0x80, 0xFE)
                                    ? (lead - 0x81) * 190 + (byte - offset)
                                    : -1;
            if (const char32_t codePoint = lookUp(index, pointer))
                out.put(codePoint);
            else
                trailError(out, byte);
            continue;
        }
        if (byte < 0x80)
            out.put(byte);
        else if (byte == 0x80)
            out.put(0x20AC);
        else if (byte != 0xFF)
            first = byte;
        else
            out.error();
    }
    if ((first || second || third) && end == BodyEnd::Complete)
        out.error();
    return out.take();
}

// Four Big5 characters have no code point of their own: each is a letter and a combining mark.
std::optional<std::pair<char32_t, char32_t>> big5Sequence(int pointer)
{
    switch (pointer) {
    case 1133:
        return std::pair{0x00CA, 0x0304};
    case 1135:
        return std::pair{0x00CA, 0x030C};
    case 1164:
        return std::pair{0x00EA, 0x0304};
    case 1166:
        return std::pair{0x00EA, 0x030C};
    default:
        return std::nullopt;
    }
}

QString decodeBig5(QByteArrayView bytes, BodyEnd end)
{
    const IndexTable &index = indexBig5();
    Output out(bytes.size());
    uchar lead = 0;
    for (const char c : bytes) {
        const auto byte = uchar(c);
        if (lead) {
            const int offset = byte < 0x7F ? 0x40 : 0x62;
            const int pointer = inRange(byte, 0x40, 0x7E) || inRange(byte, 0xA1, 0xFE)
                                    ? (lead - 0x81) * 157 + (byte - offset)
                                    : -1;
            lead = 0;
            if (const auto sequence = big5Sequence(pointer)) {
                out.put(sequence->first);
                out.put(sequence->second);
                continue;
            }
            if (const char32_t codePoint = lookUp(index, pointer))
                out.put(codePoint);
            else
                trailError(out, byte);
            continue;
        }
        if (byte < 0x80)
            out.put(byte);
        else if (inRange(byte, 0x81, 0xFE))
            lead = byte;
        else
            out.error();
    }
    if (lead && end == BodyEnd::Complete)
        out.error();
    return out.take();
}

QString decodeEucJp(QByteArrayView bytes, BodyEnd end)
{
    const IndexTable &jis0208 = indexJis0208();
    Output out(bytes.size());
    uchar lead = 0;
    bool jis0212 = false;
    for (const char c : bytes) {
        const auto byte = uchar(c);
        if (lead == 0x8E && inRange(byte, 0xA1, 0xDF)) {
            lead = 0;
            out.put(0xFF61 - 0xA1 + byte); // half-width katakana
            continue;
        }
        if (lead == 0x8F && inRange(byte, 0xA1, 0xFE)) {
            jis0212 = true;
            lead = byte;
            continue;
        }
        if (lead) {
            const uchar previous = lead;
            lead = 0;
            char32_t codePoint = 0;
            if (inRange(previous, 0xA1, 0xFE) && inRange(byte, 0xA1, 0xFE)) {
                const int pointer = (previous - 0xA1) * 94 + byte - 0xA1;
                codePoint = lookUp(jis0212 ? indexJis0212() : jis0208, pointer);
            }
            jis0212 = false;
            if (codePoint)
                out.put(codePoint);
            else
                trailError(out, byte);
            continue;
        }
        if (byte < 0x80)
            out.put(byte);
        else if (byte == 0x8E || byte == 0x8F || inRange(byte, 0xA1, 0xFE))
            lead = byte;
        else
            out.error();
    }
    if (lead && end == BodyEnd::Complete)
        out.error();
    return out.take();
}

// ISO-2022-JP switches character sets with escape sequences; the decoder is a state machine whose
// states and transitions are the standard's.
class Iso2022JpDecoder
{
public:
    explicit Iso2022JpDecoder(qsizetype expected)
        : m_out(expected)
    {}

    void feed(uchar byte)
    {
        switch (m_state) {
        case State::Ascii:
        case State::Roman:
        case State::Katakana:
        case State::LeadByte:
            if (byte == 0x1B) {
                m_state = State::EscapeStart;
                return;
            }
            m_output = false;
            if (m_state == State::LeadByte) {
                if (inRange(byte, 0x21, 0x7E)) {
                    m_lead = byte;
                    m_state = State::TrailByte;
                } else {
                    m_out.error();
                }
            } else if (m_state == State::Katakana) {
                if (inRange(byte, 0x21, 0x5F))
                    m_out.put(0xFF61 - 0x21 + byte);
                else
                    m_out.error();
            } else if (byte > 0x7F || byte == 0x0E || byte == 0x0F) {
                m_out.error();
            } else if (m_state == State::Roman && byte == 0x5C) {
                m_out.put(0x00A5); // yen sign
            } else if (m_state == State::Roman && byte == 0x7E) {
                m_out.put(0x203E); // overline
            } else {
                m_out.put(byte);
            }
            return;
        case State::TrailByte:
            if (byte == 0x1B) {
                m_state = State::EscapeStart;
                m_out.error();
                return;
            }
            m_state = State::LeadByte;
            if (inRange(byte, 0x21, 0x7E)) {
                if (const char32_t codePoint = lookUp(indexJis0208(), (m_lead - 0x21) * 94 + byte - 0x21))
                    m_out.put(codePoint);
                else
                    m_out.error();
            } else {
                m_out.error();
            }
            return;
        case State::EscapeStart:
            if (byte == 0x24 || byte == 0x28) {
                m_lead = byte;
                m_state = State::Escape;
                return;
            }
            m_output = false;
            m_state = m_outputState;
            m_out.error();
            feed(byte);
            return;
        case State::Escape: {
            const uchar lead = std::exchange(m_lead, 0);
            std::optional<State> next;
            if (lead == 0x28 && byte == 0x42)
                next = State::Ascii;
            else if (lead == 0x28 && byte == 0x4A)
                next = State::Roman;
            else if (lead == 0x28 && byte == 0x49)
                next = State::Katakana;
            else if (lead == 0x24 && (byte == 0x40 || byte == 0x42))
                next = State::LeadByte;
            if (next) {
                m_state = m_outputState = *next;
                // Two escape sequences in a row with nothing between them are an error.
                if (std::exchange(m_output, true))
                    m_out.error();
                return;
            }
            m_output = false;
            m_state = m_outputState;
            m_out.error();
            feed(lead);
            feed(byte);
            return;
        }
        }
    }

    QString finish(BodyEnd end)
    {
        if (end == BodyEnd::Complete) {
            if (m_state == State::TrailByte || m_state == State::EscapeStart) {
                m_out.error();
            } else if (m_state == State::Escape) {
                m_state = m_outputState;
                m_out.error();
                feed(std::exchange(m_lead, 0));
                if (m_state == State::TrailByte)
                    m_out.error();
            }
        }
        return m_out.take();
    }

private:
    enum class State
    {
        Ascii,
        Roman,
        Katakana,
        LeadByte,
        TrailByte,
        EscapeStart,
        Escape
    };

    Output m_out;
    State m_state = State::Ascii;
    State m_outputState = State::Ascii;
    uchar m_lead = 0;
    bool m_output = false;
};

QString decodeIso2022Jp(QByteArrayView bytes, BodyEnd end)
{
    Iso2022JpDecoder decoder(bytes.size());
    for (const char c : bytes)
        decoder.feed(uchar(c));
    return decoder.finish(end);
}

QString decodeShiftJis(QByteArrayView bytes, BodyEnd end)
{
    const IndexTable &index = indexJis0208();
    Output out(bytes.size());
    uchar lead = 0;
    for (const char c : bytes) {
        const auto byte = uchar(c);
        if (lead) {
            const int offset = byte < 0x7F ? 0x40 : 0x41;
            const int leadOffset = lead < 0xA0 ? 0x81 : 0xC1;
            const int pointer = inRange(byte, 0x40, 0x7E) || inRange(byte, 0x80, 0xFC)
                                    ? (lead - leadOffset) * 188 + byte - offset
                                    : -1;
            lead = 0;
            if (pointer >= 8836 && pointer <= 10715) {
                out.put(0xE000 - 8836 + pointer); // Windows' user-defined characters
                continue;
            }
            if (const char32_t codePoint = lookUp(index, pointer))
                out.put(codePoint);
            else
                trailError(out, byte);
            continue;
        }
        if (byte <= 0x80)
            out.put(byte);
        else if (inRange(byte, 0xA1, 0xDF))
            out.put(0xFF61 - 0xA1 + byte); // half-width katakana
        else if (inRange(byte, 0x81, 0x9F) || inRange(byte, 0xE0, 0xFC))
            lead = byte;
        else
            out.error();
    }
    if (lead && end == BodyEnd::Complete)
        out.error();
    return out.take();
}

QString decodeEucKr(QByteArrayView bytes, BodyEnd end)
{
    const IndexTable &index = indexEucKr();
    Output out(bytes.size());
    uchar lead = 0;
    for (const char c : bytes) {
        const auto byte = uchar(c);
        if (lead) {
            const int pointer = inRange(byte, 0x41, 0xFE) ? (lead - 0x81) * 190 + (byte - 0x41) : -1;
            lead = 0;
            if (const char32_t codePoint = lookUp(index, pointer))
                out.put(codePoint);
            else
                trailError(out, byte);
            continue;
        }
        if (byte < 0x80)
            out.put(byte);
        else if (inRange(byte, 0x81, 0xFE))
            lead = byte;
        else
            out.error();
    }
    if (lead && end == BodyEnd::Complete)
        out.error();
    return out.take();
}

} // namespace

QString decodeWithIcuTables(Encoding encoding, QByteArrayView bytes, BodyEnd end)
{
    switch (encoding) {
    case Encoding::Gbk:
    case Encoding::Gb18030:
        return decodeGb18030(bytes, end); // GBK's decoder is gb18030's
    case Encoding::Big5:
        return decodeBig5(bytes, end);
    case Encoding::EucJp:
        return decodeEucJp(bytes, end);
    case Encoding::Iso2022Jp:
        return decodeIso2022Jp(bytes, end);
    case Encoding::ShiftJis:
        return decodeShiftJis(bytes, end);
    case Encoding::EucKr:
        return decodeEucKr(bytes, end);
    case Encoding::XUserDefined:
        return decodeXUserDefined(bytes);
    case Encoding::Replacement:
        // Encodings a server and a browser could disagree on are not decoded at all.
        return bytes.isEmpty() ? QString() : QString(QChar(ReplacementCharacter));
    case Encoding::Utf8:
    case Encoding::Utf16Be:
    case Encoding::Utf16Le:
        Q_UNREACHABLE();
    default:
        return decodeSingleByte(singleByteTable(encoding), bytes);
    }
}

} // namespace qs::scan
