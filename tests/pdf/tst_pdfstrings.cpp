// The byte rules for strings, names, numbers and paper sizes in PDF output.
#include "papersize.h"
#include "pdfformat.h"
#include "pdfstrings.h"

#include <QLocale>
#include <QTest>

using namespace tavimo;

class TestPdfStrings : public QObject
{
    Q_OBJECT

private slots:
    void pageText_data();
    void pageText();
    void binaryEscapesSurviveLineEnds_data();
    void binaryEscapesSurviveLineEnds();
    void keyEntryContinuesLongLines();
    void names_data();
    void names();
    void winAnsi_data();
    void winAnsi();
    void reals_data();
    void reals();
    void realsIgnoreTheUsersLocale();
    void paperSizes_data();
    void paperSizes();
};

void TestPdfStrings::pageText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("charset");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("parentheses") << QByteArray("f(x) = y") << 0 << QByteArray("f\\(x\\) = y");
    QTest::newRow("backslash") << QByteArray("C:\\dir") << 0 << QByteArray("C:\\\\dir");
    QTest::newRow("blanks trimmed") << QByteArray("  mid  ") << 0 << QByteArray("mid");
    QTest::newRow("tab becomes blank") << QByteArray("a\tb") << 0 << QByteArray("a b");
    QTest::newRow("line ends become blanks") << QByteArray("a\r\nb") << 0 << QByteArray("a  b");
    QTest::newRow("127 and 129 become blanks") << QByteArray("a\x7F" "b\x81" "c") << 0 << QByteArray("a b c");
    QTest::newRow("0x1E is kept") << QByteArray("a\x1E" "b") << 0 << QByteArray("a\x1E" "b");
    QTest::newRow("empty") << QByteArray() << 0 << QByteArray();
    QTest::newRow("Latin-1 kept") << QByteArray("caf\xE9") << 0 << QByteArray("caf\xE9");
    QTest::newRow("Baltic to hex strings") << QByteArray("\xD0" "a\xDE" "b\xFE") << 186
                                           << QByteArray(")<8A>(a)<8E>(b)<9E>(");
    QTest::newRow("Baltic marks") << QByteArray("\x8D\x8F\xA8\xAF\xB8\xBF") << 186
                                  << QByteArray(")<A8>()<B8>()<D8>()<C6>()<F8>()<E6>(");
    QTest::newRow("Baltic blanks") << QByteArray("a\x83\x88\x8A\x8C" "b") << 186 << QByteArray("a    b");
    QTest::newRow("Baltic bytes elsewhere untouched") << QByteArray("\xD0\xFE") << 0 << QByteArray("\xD0\xFE");
}

void TestPdfStrings::pageText()
{
    QFETCH(QByteArray, text);
    QFETCH(int, charset);
    QFETCH(QByteArray, written);
    QCOMPARE(PdfStrings::pageText(text, charset), written);
}

void TestPdfStrings::binaryEscapesSurviveLineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("delimiters") << QByteArray("()\\") << QByteArray("\\(\\)\\\\");
    QTest::newRow("control bytes") << QByteArray("\n\r\t\b\f") << QByteArray("\\n\\r\\t\\b\\f");
    QTest::newRow("others as they are") << QByteArray("\x00\x01\xFF", 3) << QByteArray("\x00\x01\xFF", 3);
}

void TestPdfStrings::binaryEscapesSurviveLineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, written);
    QCOMPARE(PdfStrings::escapeBinary(bytes), written);
}

void TestPdfStrings::keyEntryContinuesLongLines()
{
    QCOMPARE(PdfStrings::escapeKeyEntry(QByteArray("a(\r\x0C", 4)), QByteArray("a\\(\\r\x0C"));
    const QByteArray long150(150, 'x');
    const QByteArray written = PdfStrings::escapeKeyEntry(long150);
    QCOMPARE(written, QByteArray(74, 'x') + "\\\r\n" + QByteArray(74, 'x') + "\\\r\n" + "xx");
    QCOMPARE(PdfStrings::escapeKeyEntry(QByteArray(74, 'y')), QByteArray(74, 'y'));
}

void TestPdfStrings::names_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("plain") << QByteArray("Arial,Bold") << QByteArray("Arial,Bold");
    QTest::newRow("blank") << QByteArray("Times New Roman") << QByteArray("Times#20New#20Roman");
    QTest::newRow("delimiters") << QByteArray("a/b(c)#") << QByteArray("a#2Fb#28c#29#23");
    QTest::newRow("high byte") << QByteArray("\xE9") << QByteArray("#E9");
}

void TestPdfStrings::names()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, written);
    QCOMPARE(PdfStrings::name(text), written);
}

void TestPdfStrings::winAnsi_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii") << QStringLiteral("abc") << QByteArray("abc");
    QTest::newRow("latin-1") << QStringLiteral("\u00e9\u00ff") << QByteArray("\xE9\xFF");
    QTest::newRow("euro and quotes") << QStringLiteral("\u20ac\u201c\u201d\u2013") << QByteArray("\x80\x93\x94\x96");
    QTest::newRow("S and Z caron") << QStringLiteral("\u0160\u017d\u0161\u017e") << QByteArray("\x8A\x8E\x9A\x9E");
    QTest::newRow("outside the code page") << QStringLiteral("\u0105\u4e2d") << QByteArray("??");
}

void TestPdfStrings::winAnsi()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(PdfStrings::toWinAnsi(text), bytes);
    for (int i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '?')
            QCOMPARE(QChar(PdfStrings::winAnsiToUnicode(uchar(bytes[i]))), text[i]);
    }
}

void TestPdfStrings::reals_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("whole") << 612.0 << QByteArray("612");
    QTest::newRow("three places") << 0.0721 << QByteArray("0.072");
    QTest::newRow("trailing zeros dropped") << 1.5 << QByteArray("1.5");
    QTest::newRow("negative") << -72.25 << QByteArray("-72.25");
    QTest::newRow("rounds to zero") << -0.0001 << QByteArray("0");
    QTest::newRow("large, no exponent") << 12345678.9 << QByteArray("12345678.9");
    QTest::newRow("not a number") << std::nan("") << QByteArray("0");
}

void TestPdfStrings::reals()
{
    QFETCH(double, value);
    QFETCH(QByteArray, written);
    QCOMPARE(PdfFormat::real(value), written);
}

void TestPdfStrings::realsIgnoreTheUsersLocale()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    const QByteArray written = PdfFormat::real(3.25);
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(saved);
    QCOMPARE(written, QByteArray("3.25"));
    QCOMPARE(PdfFormat::offset10(1234), QByteArray("0000001234"));
}

void TestPdfStrings::paperSizes_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("userWidth");
    QTest::addColumn<int>("userHeight");
    QTest::addColumn<QSize>("points");
    QTest::newRow("letter") << 1 << 0 << 0 << QSize(612, 792);
    QTest::newRow("letter small") << 2 << 0 << 0 << QSize(612, 792);
    QTest::newRow("A4") << 9 << 0 << 0 << QSize(594, 841);
    QTest::newRow("legal") << 5 << 0 << 0 << QSize(612, 1008);
    QTest::newRow("ledger is wide") << 4 << 0 << 0 << QSize(1224, 792);
    QTest::newRow("A3") << 8 << 0 << 0 << QSize(841, 1188);
    QTest::newRow("envelope 10") << 20 << 0 << 0 << QSize(297, 684);
    QTest::newRow("last code") << 41 << 0 << 0 << QSize(612, 936);
    QTest::newRow("user size, fraction dropped") << 256 << 5500 << 8501 << QSize(396, 612);
    QTest::newRow("unknown code") << 99 << 0 << 0 << QSize(0, 0);
}

void TestPdfStrings::paperSizes()
{
    QFETCH(int, code);
    QFETCH(int, userWidth);
    QFETCH(int, userHeight);
    QFETCH(QSize, points);
    QCOMPARE(PaperSize::points(code, userWidth, userHeight), points);
}

QTEST_APPLESS_MAIN(TestPdfStrings)
#include "tst_pdfstrings.moc"
