// Code page 932 between the core's bytes and the widgets' Unicode.
#include "ui/Cp932Text.h"
#include "TestSupport.h"

using namespace Qt::Literals::StringLiterals;

class Cp932TextTest : public QObject {
    Q_OBJECT

private slots:
    void bothWays_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("ASCII") << QByteArray("Tel 03-1234") << u"Tel 03-1234"_s;
        QTest::newRow("backslash and tilde") << QByteArray("\\~") << u"\\~"_s;
        QTest::newRow("kanji") << QByteArray("\x93\x64\x98\x62") << u"電話"_s;
        QTest::newRow("half-width kana") << QByteArray("\xB6\xC5") << u"ｶﾅ"_s;
        QTest::newRow("IBM extension 髙") << QByteArray("\xFB\xFC") << u"髙"_s;
        QTest::newRow("NEC row 13 Ⅲ") << QByteArray("\x87\x56") << u"Ⅲ"_s;
        QTest::newRow("NEC row 13 ①") << QByteArray("\x87\x40") << u"①"_s;
        QTest::newRow("NEC row 13 ㎝") << QByteArray("\x87\x70") << u"㎝"_s;
        QTest::newRow("full-width tilde") << QByteArray("\x81\x60") << u"～"_s;
        QTest::newRow("minus") << QByteArray("\x81\x7C") << u"－"_s;
        QTest::newRow("ideographic space") << QByteArray("\x81\x40") << u"　"_s;
    }
    void bothWays() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(ruvo::DecodeCp932(bytes.toStdString()), text);
        const auto encoded = ruvo::EncodeCp932(text);
        QVERIFY(encoded);
        QCOMPARE(QByteArray::fromStdString(*encoded), bytes);
        QCOMPARE(ruvo::Cp932Length(text), bytes.size());
    }

    void invalidBytesShowAsReplacement_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("0x80") << QByteArray("a\x80"
                                            "b")
                              << u"a\uFFFDb"_s;
        QTest::newRow("0xA0 and 0xFD") << QByteArray("\xA0\xFD") << u"\uFFFD\uFFFD"_s;
        QTest::newRow("unassigned 0x8540") << QByteArray("\x85\x40z") << u"\uFFFD@z"_s;
        QTest::newRow("lead byte at the end") << QByteArray("\x93\x64\x82") << u"電\uFFFD"_s;
    }
    void invalidBytesShowAsReplacement() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(ruvo::DecodeCp932(bytes.toStdString()), text);
    }

    void unencodableCharacterIsReported_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("character");
        QTest::newRow("剝") << u"剝がす"_s << u"剝"_s;
        QTest::newRow("emoji") << u"ab😀c"_s << u"😀"_s;
        QTest::newRow("euro") << u"€"_s << u"€"_s;
        QTest::newRow("replacement character") << u"x\uFFFD"_s << u"\uFFFD"_s;
    }
    void unencodableCharacterIsReported() {
        QFETCH(QString, text);
        QFETCH(QString, character);
        QString unencodable;
        QVERIFY(!ruvo::EncodeCp932(text, &unencodable));
        QCOMPARE(unencodable, character);
    }
};

RUVO_UI_TEST_MAIN(Cp932TextTest)
#include "Cp932TextTest.moc"
