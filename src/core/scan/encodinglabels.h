#pragma once

#include <optional>

#include <QByteArrayView>

namespace qs::scan {

// The encodings of the WHATWG Encoding Standard (section 4.2): the only ones a browser decodes a
// page with, so the only ones the scan may use if its text is to match what the user sees.
enum class Encoding : quint8
{
    Utf8,
    Ibm866,
    Iso8859_2,
    Iso8859_3,
    Iso8859_4,
    Iso8859_5,
    Iso8859_6,
    Iso8859_7,
    Iso8859_8,
    Iso8859_8I,
    Iso8859_10,
    Iso8859_13,
    Iso8859_14,
    Iso8859_15,
    Iso8859_16,
    Koi8R,
    Koi8U,
    Macintosh,
    Windows874,
    Windows1250,
    Windows1251,
    Windows1252,
    Windows1253,
    Windows1254,
    Windows1255,
    Windows1256,
    Windows1257,
    Windows1258,
    XMacCyrillic,
    Gbk,
    Gb18030,
    Big5,
    EucJp,
    Iso2022Jp,
    ShiftJis,
    EucKr,
    Replacement,
    Utf16Be,
    Utf16Le,
    XUserDefined,
};

// The Encoding Standard's "get an encoding": the label without leading and trailing ASCII
// whitespace, matched ASCII case-insensitively against the standard's label table.
std::optional<Encoding> encodingFromLabel(QByteArrayView label);

// The name the Encoding Standard gives the encoding ("UTF-8", "windows-1252", "EUC-KR", ...).
QByteArrayView encodingName(Encoding encoding);

} // namespace qs::scan
