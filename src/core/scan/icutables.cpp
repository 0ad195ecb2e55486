#include "icutables.h"

#include <initializer_list>
#include <memory>
#include <utility>

#include <QLoggingCategory>

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/utf16.h>

Q_LOGGING_CATEGORY(lcIcu, "qs.scan.icu", QtWarningMsg)

namespace qs::scan {
namespace {

constexpr char16_t ReplacementCharacter = 0xFFFD;

bool isPrivateUse(char32_t codePoint)
{
    return codePoint >= 0xE000 && codePoint <= 0xF8FF;
}

// One ICU converter, asked for one character at a time. Its to-Unicode callback only notes that
// the bytes did not decode: ICU's own substitute is U+001A for several converters, which is not a
// character any browser shows.
class IcuConverter
{
public:
    explicit IcuConverter(const char *name)
    {
        UErrorCode error = U_ZERO_ERROR;
        m_converter.reset(ucnv_open(name, &error));
        if (U_FAILURE(error)) {
            qCWarning(lcIcu, "ICU has no converter %s (%s): its bytes decode as U+FFFD", name,
                      u_errorName(error));
            m_converter.reset();
            return;
        }
        ucnv_setToUCallBack(m_converter.get(), noteFailure, &m_failed, nullptr, nullptr, &error);
    }
    IcuConverter(const IcuConverter &) = delete;
    IcuConverter &operator=(const IcuConverter &) = delete;

    // The one code point the bytes stand for; 0 when ICU maps them to nothing or to more than one.
    char32_t codePoint(std::initializer_list<uchar> bytes)
    {
        if (!m_converter)
            return 0;
        ucnv_resetToUnicode(m_converter.get());
        m_failed = false;
        char source[4];
        qsizetype length = 0;
        for (const uchar byte : bytes)
            source[length++] = char(byte);
        UChar target[8];
        UChar *targetEnd = target;
        const char *sourceStart = source;
        UErrorCode error = U_ZERO_ERROR;
        ucnv_toUnicode(m_converter.get(), &targetEnd, target + 8, &sourceStart, source + length, nullptr,
                       true, &error);
        const int units = int(targetEnd - target);
        if (U_FAILURE(error) || m_failed || units == 0)
            return 0;
        int offset = 0;
        UChar32 result = 0;
        U16_NEXT(target, offset, units, result);
        return offset == units ? char32_t(result) : 0;
    }

private:
    static void noteFailure(const void *context, UConverterToUnicodeArgs *, const char *, int32_t,
                            UConverterCallbackReason reason, UErrorCode *error)
    {
        if (reason > UCNV_IRREGULAR)
            return; // reset, close and clone notifications
        *static_cast<bool *>(const_cast<void *>(context)) = true;
        *error = U_ZERO_ERROR; // skip the bytes; codePoint() reports the failure
    }

    std::unique_ptr<UConverter, decltype(&ucnv_close)> m_converter{nullptr, &ucnv_close};
    bool m_failed = false;
};

// The ICU 72 converters whose tables agree with the Encoding Standard's single-byte indexes,
// except for the corrections below (checked byte by byte against the standard's index files).
const char *singleByteConverter(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Ibm866:
        return "ibm-866_P100-1995";
    case Encoding::Iso8859_2:
        return "ibm-912_P100-1995";
    case Encoding::Iso8859_3:
        return "ibm-913_P100-2000";
    case Encoding::Iso8859_4:
        return "ibm-914_P100-1995";
    case Encoding::Iso8859_5:
        return "ibm-915_P100-1995";
    case Encoding::Iso8859_6:
        return "ibm-1089_P100-1995";
    case Encoding::Iso8859_7:
        return "ibm-9005_X110-2007";
    case Encoding::Iso8859_8:
    case Encoding::Iso8859_8I:
        return "ibm-5012_P100-1999"; // the same index; they differ only in layout
    case Encoding::Iso8859_10:
        return "iso-8859_10-1998";
    case Encoding::Iso8859_13:
        return "ibm-921_P100-1995";
    case Encoding::Iso8859_14:
        return "iso-8859_14-1998";
    case Encoding::Iso8859_15:
        return "ibm-923_P100-1998";
    case Encoding::Koi8R:
        return "ibm-878_P100-1996";
    case Encoding::Koi8U:
        return "ibm-1168_P100-2002";
    case Encoding::Macintosh:
        return "macos-0_2-10.2";
    case Encoding::Windows874:
        return "windows-874-2000";
    case Encoding::Windows1250:
        return "ibm-5346_P100-1998";
    case Encoding::Windows1251:
        return "ibm-5347_P100-1998";
    case Encoding::Windows1252:
        return "ibm-5348_P100-1997";
    case Encoding::Windows1253:
        return "ibm-5349_P100-1998";
    case Encoding::Windows1254:
        return "ibm-5350_P100-1998";
    case Encoding::Windows1255:
        return "ibm-9447_P100-2002";
    case Encoding::Windows1256:
        return "ibm-9448_X100-2005";
    case Encoding::Windows1257:
        return "ibm-9449_P100-2002";
    case Encoding::Windows1258:
        return "ibm-5354_P100-1998";
    case Encoding::XMacCyrillic:
        return "macos-7_3-10.2";
    default:
        return nullptr;
    }
}

// Debian's ICU 72 data has no ISO-8859-16 converter: bytes 0xA0 to 0xFF from the standard's index
// (0x80 to 0x9F are the C1 controls, as in every ISO-8859 part).
constexpr char16_t Iso8859_16Upper[96] = {
    0x00A0, 0x0104, 0x0105, 0x0141, 0x20AC, 0x201E, 0x0160, 0x00A7, 0x0161, 0x00A9, 0x0218, 0x00AB,
    0x0179, 0x00AD, 0x017A, 0x017B, 0x00B0, 0x00B1, 0x010C, 0x0142, 0x017D, 0x201D, 0x00B6, 0x00B7,
    0x017E, 0x010D, 0x0219, 0x00BB, 0x0152, 0x0153, 0x0178, 0x017C, 0x00C0, 0x00C1, 0x00C2, 0x0102,
    0x00C4, 0x0106, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x0110, 0x0143, 0x00D2, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x015A, 0x0170, 0x00D9, 0x00DA, 0x00DB,
    0x00DC, 0x0118, 0x021A, 0x00DF, 0x00E0, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x0107, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x0111, 0x0144, 0x00F2, 0x00F3,
    0x00F4, 0x0151, 0x00F6, 0x015B, 0x0171, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x0119, 0x021B, 0x00FF,
};

struct ByteCorrection
{
    Encoding encoding;
    uchar byte;
    char16_t codePoint; // U+FFFD: the standard maps nothing
};

// Where ICU 72's single-byte tables and the Encoding Standard's indexes disagree.
constexpr ByteCorrection SingleByteCorrections[] = {
    // KOI8-U as browsers read it includes the Belarusian short U (ICU: box drawing characters).
    {Encoding::Koi8U, 0xAE, 0x045E},
    {Encoding::Koi8U, 0xBE, 0x040E},
    // Unassigned in the standard; ICU maps them into the private use area.
    {Encoding::Windows874, 0xDB, 0xFFFD},
    {Encoding::Windows874, 0xDC, 0xFFFD},
    {Encoding::Windows874, 0xDD, 0xFFFD},
    {Encoding::Windows874, 0xDE, 0xFFFD},
    {Encoding::Windows874, 0xFC, 0xFFFD},
    {Encoding::Windows874, 0xFD, 0xFFFD},
    {Encoding::Windows874, 0xFE, 0xFFFD},
    {Encoding::Windows874, 0xFF, 0xFFFD},
    // Unassigned in the standard; ICU has U+00AA.
    {Encoding::Windows1253, 0xAA, 0xFFFD},
    // Hebrew point holam haser for vav; unassigned in ICU.
    {Encoding::Windows1255, 0xCA, 0x05BA},
};

SingleByteTable buildSingleByteTable(Encoding encoding)
{
    SingleByteTable table;
    if (encoding == Encoding::Iso8859_16) {
        for (int byte = 0x80; byte < 0xA0; ++byte)
            table[byte - 0x80] = char16_t(byte);
        for (int byte = 0xA0; byte <= 0xFF; ++byte)
            table[byte - 0x80] = Iso8859_16Upper[byte - 0xA0];
        return table;
    }
    IcuConverter converter(singleByteConverter(encoding));
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        const char32_t codePoint = converter.codePoint({uchar(byte)});
        table[byte - 0x80] = codePoint && codePoint < 0x10000 ? char16_t(codePoint) : ReplacementCharacter;
    }
    for (const ByteCorrection &correction : SingleByteCorrections) {
        if (correction.encoding == encoding)
            table[correction.byte - 0x80] = correction.codePoint;
    }
    return table;
}

// Big5 pointers where the standard has a character and ICU's Big5-HKSCS converter has none, or a
// private use one (HKSCS characters that Unicode encoded after ICU's table was made).
constexpr std::pair<int, char32_t> Big5Corrections[] = {
    {1008, 0x9F97},  {1016, 0x9F96},  {1099, 0x31C0},  {1100, 0x31C1},  {1101, 0x31C2},  {1102, 0x31C3},
    {1103, 0x31C4},  {1105, 0x31C5},  {1108, 0x31C6},  {1109, 0x31C7},  {1112, 0x31C8},  {1114, 0x31C9},
    {1115, 0x31CA},  {1116, 0x31CB},  {1117, 0x31CC},  {1119, 0x31CD},  {1120, 0x31CE},  {1170, 0x23DA},
    {1171, 0x23DB},  {1730, 0x9FA6},  {1772, 0x9FA7},  {1779, 0x9FA8},  {1812, 0x9FA9},  {1814, 0x9FAA},
    {1816, 0x9FAB},  {1821, 0x9FAC},  {1844, 0x9FAD},  {1845, 0x9FAE},  {1847, 0x9FAF},  {1866, 0x9FB2},
    {1892, 0x9FB3},  {2082, 0x7BB8},  {2088, 0x7C06},  {2103, 0x7CCE},  {2114, 0x7DD2},  {2123, 0x7E1D},
    {2148, 0x8005},  {2151, 0x8028},  {2221, 0x83C1},  {2239, 0x84A8},  {2244, 0x840F},  {2303, 0x89A6},
    {2304, 0x89A9},  {2354, 0x8D77},  {2400, 0x90FD},  {2413, 0x92B9},  {2477, 0x975C},  {2498, 0x97FF},
    {2605, 0x9F16},  {2673, 0x8503},  {2746, 0x5159},  {2747, 0x515B},  {2748, 0x515D},  {2749, 0x515E},
    {2771, 0x936E},  {2780, 0x7479},  {2990, 0x6D67},  {3087, 0x799B},  {3259, 0x9097},  {3301, 0x975D},
    {3436, 0x701E},  {3451, 0x5B28},  {4136, 0x7201},  {4138, 0x77D7},  {4141, 0x7E87},  {4182, 0x99D6},
    {4206, 0x91D4},  {4220, 0x60DE},  {4230, 0x6FB6},  {4241, 0x8F36},  {4258, 0x4FBB},  {4273, 0x71DF},
    {4279, 0x9104},  {4282, 0x9DF0},  {4294, 0x83CF},  {4329, 0x5C10},  {4330, 0x79E3},  {4349, 0x5A67},
    {4419, 0x8F0B},  {4422, 0x7B51},  {4494, 0x62D0},  {4624, 0x6062},  {4694, 0x75F9},  {4708, 0x6C4A},
    {4742, 0x9B2E},  {4748, 0x9F17},  {4815, 0x50ED},  {4828, 0x5F0C},  {4902, 0x880F},  {4922, 0x62CE},
    {4982, 0x7468},  {4992, 0x7162},  {4997, 0x7250},  {5464, 0x2421},  {10942, 0x5EF4}, {10946, 0x65E0},
    {10948, 0x7676}, {10950, 0x96B6}, {10957, 0x3003}, {10958, 0x4EDD}, {11204, 0x31CF}, {11210, 0x9FB0},
    {11212, 0x9FB1}, {19028, 0x5029}, {19035, 0x507D}, {19088, 0x5305}, {19096, 0x5344}, {19112, 0x537F},
    {19162, 0x5605}, {19240, 0x5A77}, {19299, 0x5E75}, {19305, 0x5ED0}, {19326, 0x5F58}, {19355, 0x60A4},
    {19398, 0x6490}, {19439, 0x6674}, {19454, 0x675E}, {19553, 0x6C9C}, {19554, 0x6E1D}, {19557, 0x6E2F},
    {19611, 0x716E}, {19643, 0x732A}, {19672, 0x745C}, {19697, 0x74E9}, {19748, 0x7809},
};

// Pointers 5432 to 5463 are the control pictures U+2400 to U+241F, also missing from ICU's table.
constexpr int Big5ControlPictures = 5432;

struct PairMapping
{
    uchar lead;
    uchar trail;
    char32_t codePoint;
};

constexpr PairMapping Gb18030Of2022[] = {
    {0xA6, 0xD9, 0xFE10}, {0xA6, 0xDA, 0xFE12}, {0xA6, 0xDB, 0xFE11}, {0xA6, 0xDC, 0xFE13},
    {0xA6, 0xDD, 0xFE14}, {0xA6, 0xDE, 0xFE15}, {0xA6, 0xDF, 0xFE16}, {0xA6, 0xEC, 0xFE17},
    {0xA6, 0xED, 0xFE18}, {0xA6, 0xF3, 0xFE19}, {0xFE, 0x59, 0x9FB4}, {0xFE, 0x61, 0x9FB5},
    {0xFE, 0x66, 0x9FB6}, {0xFE, 0x67, 0x9FB7}, {0xFE, 0x6D, 0x9FB8}, {0xFE, 0x7E, 0x9FB9},
    {0xFE, 0x90, 0x9FBA}, {0xFE, 0xA0, 0x9FBB},
};

IndexTable buildEucKr()
{
    // windows-949 is what the standard calls EUC-KR; ICU's "EUC-KR" lacks the Unified Hangul Code
    // (bytes 8C 63 would not give U+B620).
    IcuConverter converter("windows-949-2000");
    IndexTable index(23940, 0);
    for (int pointer = 0; pointer < int(index.size()); ++pointer) {
        const char32_t codePoint =
            converter.codePoint({uchar(pointer / 190 + 0x81), uchar(pointer % 190 + 0x41)});
        // ICU maps the two user-defined rows (leads C9 and FE) into the private use area; the
        // standard leaves them, and everything else in the private use area, unmapped.
        index[pointer] = isPrivateUse(codePoint) ? 0 : codePoint;
    }
    return index;
}

IndexTable buildGb18030()
{
    IcuConverter converter("gb18030");
    IndexTable index(23940, 0);
    for (int pointer = 0; pointer < int(index.size()); ++pointer) {
        const int trail = pointer % 190;
        index[pointer] =
            converter.codePoint({uchar(pointer / 190 + 0x81), uchar(trail + (trail < 0x3F ? 0x40 : 0x41))});
    }
    // A3 A0 is U+3000 on the web; ICU keeps GB 18030's private use mapping U+E5E5.
    index[6555] = 0x3000;
    // GB 18030-2022 gave these private use mappings of ICU 72's table real characters, and the
    // standard followed (for GBK too) in 2024.
    for (const auto &[lead, trail, codePoint] : Gb18030Of2022) {
        const int pointer = (lead - 0x81) * 190 + trail - (trail < 0x7F ? 0x40 : 0x41);
        index[pointer] = codePoint;
    }
    return index;
}

IndexTable buildBig5()
{
    // ICU's "Big5" (windows-950) lacks the Hong Kong characters the standard's index includes;
    // its Big5-HKSCS converter is much closer.
    IcuConverter converter("ibm-1375_P100-2008");
    IndexTable index(19782, 0);
    for (int pointer = 0; pointer < int(index.size()); ++pointer) {
        const int trail = pointer % 157;
        const char32_t codePoint =
            converter.codePoint({uchar(pointer / 157 + 0x81), uchar(trail + (trail < 0x3F ? 0x40 : 0x62))});
        index[pointer] = isPrivateUse(codePoint) ? 0 : codePoint; // the standard's index has none
    }
    for (const auto &[pointer, codePoint] : Big5Corrections)
        index[pointer] = codePoint;
    for (int i = 0; i < 32; ++i)
        index[Big5ControlPictures + i] = 0x2400 + i;
    return index;
}

IndexTable buildJis0208()
{
    // Read through ICU's Shift_JIS (Windows code page 932) converter, which has the NEC and IBM
    // extensions of the standard's index. Pointers 8836 to 10715 are user-defined: the Shift_JIS
    // decoder maps them to the private use area itself and the other decoders cannot reach them.
    IcuConverter converter("ibm-943_P15A-2003");
    IndexTable index(11280, 0);
    for (int pointer = 0; pointer < int(index.size()); ++pointer) {
        if (pointer >= 8836 && pointer <= 10715)
            continue;
        const int lead = pointer / 188;
        const int trail = pointer % 188;
        index[pointer] = converter.codePoint(
            {uchar(lead + (lead < 0x1F ? 0x81 : 0xC1)), uchar(trail + (trail < 0x3F ? 0x40 : 0x41))});
    }
    return index;
}

IndexTable buildJis0212()
{
    IcuConverter converter("euc-jp-2007");
    IndexTable index(8836, 0);
    for (int pointer = 0; pointer < int(index.size()); ++pointer)
        index[pointer] = converter.codePoint({0x8F, uchar(pointer / 94 + 0xA1), uchar(pointer % 94 + 0xA1)});
    // Row 82 holds IBM's roman numerals in ICU's table; JIS X 0212 itself, as the standard has it,
    // leaves them out.
    for (int pointer = 7708; pointer <= 7727; ++pointer)
        index[pointer] = 0;
    index[7730] = 0;
    return index;
}

// Four-byte gb18030 pointers 0 to 39419 are the rest of the Basic Multilingual Plane; ICU's
// converter agrees with the standard's "index gb18030 ranges" for every one of them.
std::vector<char16_t> buildGb18030Ranges()
{
    IcuConverter converter("gb18030");
    std::vector<char16_t> codePoints(39420, 0);
    for (int pointer = 0; pointer < int(codePoints.size()); ++pointer) {
        const char32_t codePoint =
            converter.codePoint({uchar(pointer / 12600 + 0x81), uchar(pointer % 12600 / 1260 + 0x30),
                                 uchar(pointer % 1260 / 10 + 0x81), uchar(pointer % 10 + 0x30)});
        codePoints[pointer] = codePoint < 0x10000 ? char16_t(codePoint) : 0;
    }
    return codePoints;
}

} // namespace

const SingleByteTable &singleByteTable(Encoding encoding)
{
    static const auto tables = [] {
        std::array<SingleByteTable, std::size_t(Encoding::XUserDefined) + 1> all{};
        for (std::size_t i = 0; i < all.size(); ++i) {
            const auto encoding = Encoding(i);
            if (singleByteConverter(encoding) || encoding == Encoding::Iso8859_16)
                all[i] = buildSingleByteTable(encoding);
        }
        return all;
    }();
    return tables[std::size_t(encoding)];
}

const IndexTable &indexEucKr()
{
    static const IndexTable index = buildEucKr();
    return index;
}

const IndexTable &indexGb18030()
{
    static const IndexTable index = buildGb18030();
    return index;
}

const IndexTable &indexBig5()
{
    static const IndexTable index = buildBig5();
    return index;
}

const IndexTable &indexJis0208()
{
    static const IndexTable index = buildJis0208();
    return index;
}

const IndexTable &indexJis0212()
{
    static const IndexTable index = buildJis0212();
    return index;
}

char32_t gb18030RangesCodePoint(int pointer)
{
    if ((pointer > 39419 && pointer < 189000) || pointer > 1237575)
        return 0;
    if (pointer >= 189000)
        return 0x10000 + char32_t(pointer - 189000); // the supplementary planes, in order
    static const std::vector<char16_t> bmp = buildGb18030Ranges();
    return bmp[pointer];
}

} // namespace qs::scan
