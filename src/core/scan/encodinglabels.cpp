#include "encodinglabels.h"

#include <array>
#include <string_view>

namespace qs::scan {
namespace {

using E = Encoding;

struct Label
{
    std::string_view label;
    Encoding encoding;
};

// Every label of the WHATWG Encoding Standard's table (section 4.2, "Names and labels"), in its
// order. A label that is not here is not an encoding for a browser either, and must fall through to
// the next source of the page's encoding.
constexpr Label Labels[] = {
    {"unicode-1-1-utf-8", E::Utf8},
    {"unicode11utf8", E::Utf8},
    {"unicode20utf8", E::Utf8},
    {"utf-8", E::Utf8},
    {"utf8", E::Utf8},
    {"x-unicode20utf8", E::Utf8},

    {"866", E::Ibm866},
    {"cp866", E::Ibm866},
    {"csibm866", E::Ibm866},
    {"ibm866", E::Ibm866},

    {"csisolatin2", E::Iso8859_2},
    {"iso-8859-2", E::Iso8859_2},
    {"iso-ir-101", E::Iso8859_2},
    {"iso8859-2", E::Iso8859_2},
    {"iso88592", E::Iso8859_2},
    {"iso_8859-2", E::Iso8859_2},
    {"iso_8859-2:1987", E::Iso8859_2},
    {"l2", E::Iso8859_2},
    {"latin2", E::Iso8859_2},

    {"csisolatin3", E::Iso8859_3},
    {"iso-8859-3", E::Iso8859_3},
    {"iso-ir-109", E::Iso8859_3},
    {"iso8859-3", E::Iso8859_3},
    {"iso88593", E::Iso8859_3},
    {"iso_8859-3", E::Iso8859_3},
    {"iso_8859-3:1988", E::Iso8859_3},
    {"l3", E::Iso8859_3},
    {"latin3", E::Iso8859_3},

    {"csisolatin4", E::Iso8859_4},
    {"iso-8859-4", E::Iso8859_4},
    {"iso-ir-110", E::Iso8859_4},
    {"iso8859-4", E::Iso8859_4},
    {"iso88594", E::Iso8859_4},
    {"iso_8859-4", E::Iso8859_4},
    {"iso_8859-4:1988", E::Iso8859_4},
    {"l4", E::Iso8859_4},
    {"latin4", E::Iso8859_4},

    {"csisolatincyrillic", E::Iso8859_5},
    {"cyrillic", E::Iso8859_5},
    {"iso-8859-5", E::Iso8859_5},
    {"iso-ir-144", E::Iso8859_5},
    {"iso8859-5", E::Iso8859_5},
    {"iso88595", E::Iso8859_5},
    {"iso_8859-5", E::Iso8859_5},
    {"iso_8859-5:1988", E::Iso8859_5},

    {"arabic", E::Iso8859_6},
    {"asmo-708", E::Iso8859_6},
    {"csiso88596e", E::Iso8859_6},
    {"csiso88596i", E::Iso8859_6},
    {"csisolatinarabic", E::Iso8859_6},
    {"ecma-114", E::Iso8859_6},
    {"iso-8859-6", E::Iso8859_6},
    {"iso-8859-6-e", E::Iso8859_6},
    {"iso-8859-6-i", E::Iso8859_6},
    {"iso-ir-127", E::Iso8859_6},
    {"iso8859-6", E::Iso8859_6},
    {"iso88596", E::Iso8859_6},
    {"iso_8859-6", E::Iso8859_6},
    {"iso_8859-6:1987", E::Iso8859_6},

    {"csisolatingreek", E::Iso8859_7},
    {"ecma-118", E::Iso8859_7},
    {"elot_928", E::Iso8859_7},
    {"greek", E::Iso8859_7},
    {"greek8", E::Iso8859_7},
    {"iso-8859-7", E::Iso8859_7},
    {"iso-ir-126", E::Iso8859_7},
    {"iso8859-7", E::Iso8859_7},
    {"iso88597", E::Iso8859_7},
    {"iso_8859-7", E::Iso8859_7},
    {"iso_8859-7:1987", E::Iso8859_7},
    {"sun_eu_greek", E::Iso8859_7},

    {"csiso88598e", E::Iso8859_8},
    {"csisolatinhebrew", E::Iso8859_8},
    {"hebrew", E::Iso8859_8},
    {"iso-8859-8", E::Iso8859_8},
    {"iso-8859-8-e", E::Iso8859_8},
    {"iso-ir-138", E::Iso8859_8},
    {"iso8859-8", E::Iso8859_8},
    {"iso88598", E::Iso8859_8},
    {"iso_8859-8", E::Iso8859_8},
    {"iso_8859-8:1988", E::Iso8859_8},
    {"visual", E::Iso8859_8},

    {"csiso88598i", E::Iso8859_8I},
    {"iso-8859-8-i", E::Iso8859_8I},
    {"logical", E::Iso8859_8I},

    {"csisolatin6", E::Iso8859_10},
    {"iso-8859-10", E::Iso8859_10},
    {"iso-ir-157", E::Iso8859_10},
    {"iso8859-10", E::Iso8859_10},
    {"iso885910", E::Iso8859_10},
    {"l6", E::Iso8859_10},
    {"latin6", E::Iso8859_10},

    {"iso-8859-13", E::Iso8859_13},
    {"iso8859-13", E::Iso8859_13},
    {"iso885913", E::Iso8859_13},

    {"iso-8859-14", E::Iso8859_14},
    {"iso8859-14", E::Iso8859_14},
    {"iso885914", E::Iso8859_14},

    {"csisolatin9", E::Iso8859_15},
    {"iso-8859-15", E::Iso8859_15},
    {"iso8859-15", E::Iso8859_15},
    {"iso885915", E::Iso8859_15},
    {"iso_8859-15", E::Iso8859_15},
    {"l9", E::Iso8859_15},

    {"iso-8859-16", E::Iso8859_16},

    {"cskoi8r", E::Koi8R},
    {"koi", E::Koi8R},
    {"koi8", E::Koi8R},
    {"koi8-r", E::Koi8R},
    {"koi8_r", E::Koi8R},

    {"koi8-ru", E::Koi8U},
    {"koi8-u", E::Koi8U},

    {"csmacintosh", E::Macintosh},
    {"mac", E::Macintosh},
    {"macintosh", E::Macintosh},
    {"x-mac-roman", E::Macintosh},

    {"dos-874", E::Windows874},
    {"iso-8859-11", E::Windows874},
    {"iso8859-11", E::Windows874},
    {"iso885911", E::Windows874},
    {"tis-620", E::Windows874},
    {"windows-874", E::Windows874},

    {"cp1250", E::Windows1250},
    {"windows-1250", E::Windows1250},
    {"x-cp1250", E::Windows1250},

    {"cp1251", E::Windows1251},
    {"windows-1251", E::Windows1251},
    {"x-cp1251", E::Windows1251},

    {"ansi_x3.4-1968", E::Windows1252},
    {"ascii", E::Windows1252},
    {"cp1252", E::Windows1252},
    {"cp819", E::Windows1252},
    {"csisolatin1", E::Windows1252},
    {"ibm819", E::Windows1252},
    {"iso-8859-1", E::Windows1252},
    {"iso-ir-100", E::Windows1252},
    {"iso8859-1", E::Windows1252},
    {"iso88591", E::Windows1252},
    {"iso_8859-1", E::Windows1252},
    {"iso_8859-1:1987", E::Windows1252},
    {"l1", E::Windows1252},
    {"latin1", E::Windows1252},
    {"us-ascii", E::Windows1252},
    {"windows-1252", E::Windows1252},
    {"x-cp1252", E::Windows1252},

    {"cp1253", E::Windows1253},
    {"windows-1253", E::Windows1253},
    {"x-cp1253", E::Windows1253},

    {"cp1254", E::Windows1254},
    {"csisolatin5", E::Windows1254},
    {"iso-8859-9", E::Windows1254},
    {"iso-ir-148", E::Windows1254},
    {"iso8859-9", E::Windows1254},
    {"iso88599", E::Windows1254},
    {"iso_8859-9", E::Windows1254},
    {"iso_8859-9:1989", E::Windows1254},
    {"l5", E::Windows1254},
    {"latin5", E::Windows1254},
    {"windows-1254", E::Windows1254},
    {"x-cp1254", E::Windows1254},

    {"cp1255", E::Windows1255},
    {"windows-1255", E::Windows1255},
    {"x-cp1255", E::Windows1255},

    {"cp1256", E::Windows1256},
    {"windows-1256", E::Windows1256},
    {"x-cp1256", E::Windows1256},

    {"cp1257", E::Windows1257},
    {"windows-1257", E::Windows1257},
    {"x-cp1257", E::Windows1257},

    {"cp1258", E::Windows1258},
    {"windows-1258", E::Windows1258},
    {"x-cp1258", E::Windows1258},

    {"x-mac-cyrillic", E::XMacCyrillic},
    {"x-mac-ukrainian", E::XMacCyrillic},

    {"chinese", E::Gbk},
    {"csgb2312", E::Gbk},
    {"csiso58gb231280", E::Gbk},
    {"gb2312", E::Gbk},
    {"gb_2312", E::Gbk},
    {"gb_2312-80", E::Gbk},
    {"gbk", E::Gbk},
    {"iso-ir-58", E::Gbk},
    {"x-gbk", E::Gbk},

    {"gb18030", E::Gb18030},

    {"big5", E::Big5},
    {"big5-hkscs", E::Big5},
    {"cn-big5", E::Big5},
    {"csbig5", E::Big5},
    {"x-x-big5", E::Big5},

    {"cseucpkdfmtjapanese", E::EucJp},
    {"euc-jp", E::EucJp},
    {"x-euc-jp", E::EucJp},

    {"csiso2022jp", E::Iso2022Jp},
    {"iso-2022-jp", E::Iso2022Jp},

    {"csshiftjis", E::ShiftJis},
    {"ms932", E::ShiftJis},
    {"ms_kanji", E::ShiftJis},
    {"shift-jis", E::ShiftJis},
    {"shift_jis", E::ShiftJis},
    {"sjis", E::ShiftJis},
    {"windows-31j", E::ShiftJis},
    {"x-sjis", E::ShiftJis},

    {"cseuckr", E::EucKr},
    {"csksc56011987", E::EucKr},
    {"euc-kr", E::EucKr},
    {"iso-ir-149", E::EucKr},
    {"korean", E::EucKr},
    {"ks_c_5601-1987", E::EucKr},
    {"ks_c_5601-1989", E::EucKr},
    {"ksc5601", E::EucKr},
    {"ksc_5601", E::EucKr},
    {"windows-949", E::EucKr},

    {"csiso2022kr", E::Replacement},
    {"hz-gb-2312", E::Replacement},
    {"iso-2022-cn", E::Replacement},
    {"iso-2022-cn-ext", E::Replacement},
    {"iso-2022-kr", E::Replacement},
    {"replacement", E::Replacement},

    {"unicodefffe", E::Utf16Be},
    {"utf-16be", E::Utf16Be},

    {"csunicode", E::Utf16Le},
    {"iso-10646-ucs-2", E::Utf16Le},
    {"ucs-2", E::Utf16Le},
    {"unicode", E::Utf16Le},
    {"unicodefeff", E::Utf16Le},
    {"utf-16", E::Utf16Le},
    {"utf-16le", E::Utf16Le},

    {"x-user-defined", E::XUserDefined},
};

// Indexed by Encoding.
constexpr std::array<QByteArrayView, 40> Names = {
    "UTF-8",        "IBM866",       "ISO-8859-2",   "ISO-8859-3",     "ISO-8859-4",     "ISO-8859-5",
    "ISO-8859-6",   "ISO-8859-7",   "ISO-8859-8",   "ISO-8859-8-I",   "ISO-8859-10",    "ISO-8859-13",
    "ISO-8859-14",  "ISO-8859-15",  "ISO-8859-16",  "KOI8-R",         "KOI8-U",         "macintosh",
    "windows-874",  "windows-1250", "windows-1251", "windows-1252",   "windows-1253",   "windows-1254",
    "windows-1255", "windows-1256", "windows-1257", "windows-1258",   "x-mac-cyrillic", "GBK",
    "gb18030",      "Big5",         "EUC-JP",       "ISO-2022-JP",    "Shift_JIS",      "EUC-KR",
    "replacement",  "UTF-16BE",     "UTF-16LE",     "x-user-defined",
};
static_assert(Names.size() == std::size_t(Encoding::XUserDefined) + 1);

// ASCII whitespace as the Encoding Standard means it: TAB, LF, FF, CR and SPACE (not VT).
bool isAsciiWhitespace(char c)
{
    return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

} // namespace

std::optional<Encoding> encodingFromLabel(QByteArrayView label)
{
    while (!label.isEmpty() && isAsciiWhitespace(label.front()))
        label = label.sliced(1);
    while (!label.isEmpty() && isAsciiWhitespace(label.back()))
        label.chop(1);
    for (const Label &entry : Labels) {
        if (qsizetype(entry.label.size()) != label.size())
            continue;
        bool same = true;
        for (qsizetype i = 0; same && i < label.size(); ++i)
            same = asciiLower(label[i]) == entry.label[std::size_t(i)];
        if (same)
            return entry.encoding;
    }
    return std::nullopt;
}

QByteArrayView encodingName(Encoding encoding)
{
    return Names[std::size_t(encoding)];
}

} // namespace qs::scan
