// The aligned text box: where its text shows for each alignment and reading
// order, and what setting the alignment keeps.
#include "ui/widgets/UAEdit.h"
#include "TestSupport.h"

#include <QSignalSpy>

using namespace Qt::Literals::StringLiterals;
using ruvo::TAlignment;
using ruvo::TUAEdit;

namespace {

enum Place { AtLeft, AtCentre, AtRight };

// Where the box's text ink sits, judged from a picture of the box.
Place InkPlace(TUAEdit& box) {
    const QImage image = box.grab().toImage();
    const QColor text = box.palette().color(QPalette::Text);
    int first = -1;
    int last = -1;
    for (int x = 4; x < image.width() - 4; ++x)
        for (int y = 4; y < image.height() - 4; ++y) {
            const QColor pixel = image.pixelColor(x, y);
            if (qAbs(pixel.lightness() - text.lightness()) < 80) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    if (first < 0)
        return AtCentre;
    const double middle = (first + last) / 2.0 / image.width();
    return middle < 0.3 ? AtLeft : middle > 0.7 ? AtRight : AtCentre;
}

} // namespace

class UAEditTest : public QObject {
    Q_OBJECT

private slots:
    void textPlace_data() {
        QTest::addColumn<int>("alignment");
        QTest::addColumn<bool>("rightToLeft");
        QTest::addColumn<int>("place");
        QTest::newRow("left, LTR") << int(ruvo::taLeftJustify) << false << int(AtLeft);
        QTest::newRow("right, LTR") << int(ruvo::taRightJustify) << false << int(AtRight);
        QTest::newRow("centre, LTR") << int(ruvo::taCenter) << false << int(AtCentre);
        QTest::newRow("left, RTL") << int(ruvo::taLeftJustify) << true << int(AtRight);
        QTest::newRow("right, RTL") << int(ruvo::taRightJustify) << true << int(AtLeft);
        QTest::newRow("centre, RTL") << int(ruvo::taCenter) << true << int(AtCentre);
    }
    void textPlace() {
        QFETCH(int, alignment);
        QFETCH(bool, rightToLeft);
        QFETCH(int, place);
        TUAEdit box;
        box.resize(200, 24);
        box.setText(u"88"_s);
        // The reading order may come before or after the alignment.
        box.setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        box.SetAlignment(static_cast<TAlignment>(alignment));
        QCOMPARE(InkPlace(box), Place(place));
        box.setLayoutDirection(rightToLeft ? Qt::LeftToRight : Qt::RightToLeft);
        box.setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
        QCOMPARE(InkPlace(box), Place(place));
    }

    void newBoxIsLeftJustified() {
        TUAEdit box;
        QCOMPARE(box.Alignment(), ruvo::taLeftJustify);
        box.resize(200, 24);
        box.setText(u"88"_s);
        QCOMPARE(InkPlace(box), AtLeft);
    }

    void settingTheSameValueDoesNothing() {
        TUAEdit box;
        QSignalSpy changes(&box, &TUAEdit::AlignmentChanged);
        box.SetAlignment(ruvo::taLeftJustify);
        QCOMPARE(changes.count(), 0);
        box.SetAlignment(ruvo::taCenter);
        box.SetAlignment(ruvo::taCenter);
        QCOMPARE(changes.count(), 1);
        // A window layout sets it as a property.
        QVERIFY(box.setProperty("Alignment", int(ruvo::taRightJustify)));
        QCOMPARE(box.Alignment(), ruvo::taRightJustify);
        QCOMPARE(changes.count(), 2);
    }

    void changeKeepsTextAndSelection() {
        TUAEdit box;
        box.resize(200, 24);
        box.setMaxLength(10);
        box.setText(u"0312"_s);
        box.setSelection(1, 2);
        box.SetAlignment(ruvo::taRightJustify);
        QCOMPARE(box.text(), u"0312"_s);
        QCOMPARE(box.selectedText(), u"31"_s);
        QCOMPARE(box.maxLength(), 10);
        QCOMPARE(InkPlace(box), AtRight);
    }
};

RUVO_UI_TEST_MAIN(UAEditTest)
#include "UAEditTest.moc"
