// Stored results count the characters of page text after each keyword, so a page must decode to
// exactly the text a browser shows: the same encoding, chosen from the same sources, and a U+FFFD
// wherever (and only wherever) a browser writes one.

#include <QtTest>

#include "core/scan/bodydecoder.h"

using namespace Qt::StringLiterals;
using qs::scan::BodyEnd;

namespace {

QByteArray type(const char *charset)
{
    return "text/html; charset=" + QByteArray(charset);
}

} // namespace

class TestBodyDecoder : public QObject
{
    Q_OBJECT

private slots:
    void decodeBody_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<bool>("cut");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("encoding");

        const QByteArray cafe = "caf\xC3\xA9";
        const auto row = [](const char *name, const QByteArray &body, const QByteArray &contentType,
                            const QString &text, const char *encoding, bool cut = false) {
            QTest::newRow(name) << body << contentType << cut << text << QByteArray(encoding);
        };

        // Where the encoding comes from.
        row("nothing declared: UTF-8", cafe, "text/html", u"café"_s, "UTF-8");
        row("UTF-8 mark beats header", "\xEF\xBB\xBF" + cafe, type("iso-8859-1"), u"café"_s, "UTF-8");
        row("second UTF-8 mark is text", "\xEF\xBB\xBF\xEF\xBB\xBF\x61", "text/html", u"\uFEFFa"_s, "UTF-8");
        row("UTF-16LE mark", QByteArray("\xFF\xFEh\0\xE9\0", 6), "text/html", u"hé"_s, "UTF-16LE");
        row("UTF-16BE mark", QByteArray("\xFE\xFF\0h\0\xE9", 6), "text/html", u"hé"_s, "UTF-16BE");
        row("header beats meta", "<meta charset=utf-8>caf\xE9", type("latin1"), u"<meta charset=utf-8>café"_s,
            "windows-1252");
        row("unknown header charset: meta", "<meta charset=koi8-r>\xE1", type("x-nonsense"),
            u"<meta charset=koi8-r>А"_s, "KOI8-R");
        row("unknown meta charset: UTF-8", "<meta charset=x-nonsense>" + cafe, "text/html",
            u"<meta charset=x-nonsense>café"_s, "UTF-8");
        row("meta claiming UTF-16: UTF-8", "<meta charset=utf-16>" + cafe, "text/html",
            u"<meta charset=utf-16>café"_s, "UTF-8");

        // Labels read the browser's way, where the strict charset would give other characters.
        row("euc-kr is windows-949", "<title>\x8C\x63</title>", type("euc-kr"), u"<title>똠</title>"_s,
            "EUC-KR");
        row("gb2312 is GBK", "\x81\x40\x80", type("gb2312"), u"丂€"_s, "GBK");
        row("iso-8859-9 is windows-1254", "\x80\x9F\xD0", type("iso-8859-9"), u"€ŸĞ"_s, "windows-1254");
        row("iso-8859-1 is windows-1252", "\x93hi\x94\x81", type("ISO-8859-1"), u"“hi”\u0081"_s,
            "windows-1252");
        row("KOI8-U short U", "\xAE\xBE", type("koi8-u"), u"ўЎ"_s, "KOI8-U");
        row("windows-874 gap", "\xA1\xDB", type("tis-620"), u"ก\uFFFD"_s, "windows-874");
        row("gb18030 four bytes", "\x81\x30\x81\x30\x90\x30\x81\x30", type("gb18030"), u"\u0080\U00010000"_s,
            "gb18030");
        row("Big5 letter with mark", "\x88\x62\xA4\x40", type("big5"), u"\u00CA\u0304一"_s, "Big5");
        row("ISO-2022-JP", "a\x1B$B\x30\x21\x1B(Bb", type("iso-2022-jp"), u"a亜b"_s, "ISO-2022-JP");

        // Bad bytes: one U+FFFD per maximal invalid subpart, never ICU's U+001A.
        row("UTF-8 truncated four-byte", "\xF0\x9F\x98\x41", "text/html", u"\uFFFDA"_s, "UTF-8");
        row("UTF-8 overlong", "\xC0\xAF", "text/html", u"\uFFFD\uFFFD"_s, "UTF-8");
        row("UTF-8 surrogate", "\xED\xA0\x80", "text/html", u"\uFFFD\uFFFD\uFFFD"_s, "UTF-8");
        row("UTF-8 incomplete at end", "ab\xC3", "text/html", u"ab\uFFFD"_s, "UTF-8");
        // The same characters through the fast path and, with an error after them, through the slow one.
        row("UTF-8 noncharacters", "\xEF\xBF\xBE\xF4\x8F\xBF\xBF", type("utf-8"), u"\uFFFE\U0010FFFF"_s,
            "UTF-8");
        row("UTF-8 noncharacters, then error", "\xEF\xBF\xBE\xF4\x8F\xBF\xBF\xFF", type("utf-8"),
            u"\uFFFE\U0010FFFF\uFFFD"_s, "UTF-8");
        row("UTF-16 pair", QByteArray("\x3D\xD8\x00\xDE", 4), type("utf-16le"), u"\U0001F600"_s, "UTF-16LE");
        row("UTF-16 lone high surrogate", QByteArray("\xD8\x00\x00\x41", 4), type("utf-16be"), u"\uFFFDA"_s,
            "UTF-16BE");
        row("UTF-16 lone low surrogate", QByteArray("\x00\xDC\x41\x00", 4), type("utf-16"), u"\uFFFDA"_s,
            "UTF-16LE");
        row("UTF-16 odd last byte", QByteArray("\x41\x00\x42", 3), type("utf-16le"), u"A\uFFFD"_s,
            "UTF-16LE");
        row("Shift_JIS bad bytes", "\xA0\x81\x20", type("shift_jis"), u"\uFFFD\uFFFD "_s, "Shift_JIS");
        row("EUC-JP bad bytes", "\xFF\xA1\x20", type("euc-jp"), u"\uFFFD\uFFFD "_s, "EUC-JP");
        row("EUC-KR unmapped pair keeps ASCII", "\xC0\x60", type("euc-kr"), u"\uFFFD`"_s, "EUC-KR");
        row("x-user-defined", "a\x80\xFF", type("x-user-defined"), u"a\uF780\uF7FF"_s, "x-user-defined");
        row("replacement", "abc", type("iso-2022-kr"), u"\uFFFD"_s, "replacement");
        row("replacement, empty body", "", type("hz-gb-2312"), QString(), "replacement");

        // A body cut on purpose loses the character the cut split, and only that.
        row("cut UTF-8", "ab\xC3", "text/html", u"ab"_s, "UTF-8", true);
        row("cut UTF-8 after an error", "a\xFF\x62\xF0\x9F\x98", "text/html", u"a\uFFFDb"_s, "UTF-8", true);
        row("cut UTF-8 keeps a broken end", "a\xE0\x80", "text/html", u"a\uFFFD\uFFFD"_s, "UTF-8", true);
        row("cut UTF-16 pair", QByteArray("A\0\x3D\xD8\x00", 5), type("utf-16le"), u"A"_s, "UTF-16LE", true);
        row("cut EUC-KR lead", "a\xB0", type("euc-kr"), u"a"_s, "EUC-KR", true);
        row("cut gb18030 four bytes", "a\x81\x30\x81", type("gb18030"), u"a"_s, "gb18030", true);
        row("cut ISO-2022-JP escape", "a\x1B$", type("iso-2022-jp"), u"a"_s, "ISO-2022-JP", true);
    }
    void decodeBody()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, contentType);
        QFETCH(bool, cut);
        const qs::scan::DecodedBody decoded =
            qs::scan::decodeBody(body, contentType, cut ? BodyEnd::Cut : BodyEnd::Complete);
        QTEST(decoded.text, "text");
        QTEST(decoded.encoding, "encoding");
    }

    void metaDeclaredEncoding_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("encoding");
        const auto row = [](const char *name, const QByteArray &body, const char *encoding) {
            QTest::newRow(name) << body << QByteArray(encoding);
        };
        const QByteArray meta = "<meta charset=koi8-r>";

        row("charset", "<html><META CHARSET=\"Big5\">", "Big5");
        row("http-equiv and content",
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-9\">", "windows-1254");
        row("quoted charset in content",
            "<meta content='text/html;charset=\"shift_jis\"' http-equiv=content-type>", "Shift_JIS");
        row("content without http-equiv", "<meta content=\"text/html; charset=koi8-r\">", "");
        row("http-equiv without content", "<meta http-equiv=\"Content-Type\"><meta charset=gbk>", "GBK");
        row("spaces around the value", "<meta charset = \" euc-jp \" >", "EUC-JP");
        row("first of two charsets", "<meta charset=koi8-r charset=utf-8>", "KOI8-R");
        row("unknown label: next meta", "<meta charset=nonsense><meta charset=euc-kr>", "EUC-KR");
        row("meta in a comment", "<!-- " + meta + " --><meta charset=windows-1251>", "windows-1251");
        row("comment closed by <!-->", "<!-->" + meta, "KOI8-R");
        row("meta in an attribute value", "<a title=\"" + meta + "\">", "");
        row("meta ending at byte 1024", QByteArray(1024 - meta.size(), ' ') + meta, "KOI8-R");
        row("meta crossing byte 1024", QByteArray(1025 - meta.size(), ' ') + meta, "");
        row("meta after byte 1024", QByteArray(1024, ' ') + meta, "");
        row("UTF-16 means UTF-8", "<meta charset=UTF-16BE>", "UTF-8");
        row("x-user-defined means windows-1252", "<meta charset=x-user-defined>", "windows-1252");
        row("XML declaration", "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?><p>", "ISO-8859-2");
        row("UTF-16 XML declaration", QByteArray("<\0?\0x\0m\0l\0", 10), "UTF-16LE");
        row("none", "<p>plain</p>", "");
    }
    void metaDeclaredEncoding()
    {
        QFETCH(QByteArray, body);
        QTEST(qs::scan::metaDeclaredEncoding(body), "encoding");
    }

    void labels_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("header"); // a Content-Type field to take the charset from, or a label
        QTest::addColumn<QByteArray>("result");
        const auto row = [](const char *name, const char *text, bool header, const char *result) {
            QTest::newRow(name) << QByteArray(text) << header << QByteArray(result);
        };
        row("label: case and ASCII whitespace", " \tLatin1\r\n", false, "windows-1252");
        row("label: vertical tab is not whitespace", "\vutf-8", false, "");
        row("label: a prefix is no label", "utf-8x", false, "");
        row("header: plain", "text/html; charset=UTF-8", true, "utf-8");
        row("header: quoted", "text/html; charset=\"ISO-8859-1\"", true, "iso-8859-1");
        row("header: name in capitals", "text/html;CHARSET=koi8-r", true, "koi8-r");
        row("header: after a quoted ';'", "text/html; x=\"a;charset=no\"; charset=utf-8", true, "utf-8");
        row("header: later parameter", "text/html; charset=utf-8; format=flowed", true, "utf-8");
        row("header: none", "text/html", true, "");
        row("header: empty value", "text/html; charset=", true, "");
        row("header: no value", "text/html; charset", true, "");
    }
    void labels()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, header);
        QTEST(header ? qs::scan::charsetFromContentType(text) : qs::scan::encodingForLabel(text), "result");
    }
};

QTEST_GUILESS_MAIN(TestBodyDecoder)
#include "tst_bodydecoder.moc"
