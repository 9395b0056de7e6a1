// Opens a phone book in the real window through the open-dialog hook and
// saves a picture of the window.
#include "TestSupport.h"
#include "TestWindow.h"
#include "app/VersionText.h"

#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

class WindowShot : public QObject {
    Q_OBJECT

private slots:
    void renderLoadedWindow() {
        const ruvo::test::DialogScope dialogs;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(u"window-sample.txt"_s);
        QVERIFY(QFile::copy(QStringLiteral(RUVO_UI_TEST_DATA "/window-sample.txt"), path));

        ruvo::test::TestWindow window([] { return ruvo::VersionText(); });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ruvo::Dialogs::QueueAnswer(
            ruvo::Dialogs::Answer::File(QFile::encodeName(path).toStdString()));
        QTest::mouseClick(window.BOpen, Qt::LeftButton);
        QCOMPARE(window.CData.EntryCount(), 30u);
        QTRY_VERIFY(window.DBG->hasFocus());
        // The last entry read is current, and the grid scrolls to it.
        QCOMPARE(window.DBG->CurrentRow(), 29);
        QTRY_VERIFY(window.DBG->rowViewportPosition(29) + window.DBG->rowHeight(29) <=
                    window.DBG->viewport()->height());
        QCOMPARE(window.LCnt->text(), u"30件"_s);

        // Scroll bars show or hide by posted calls.
        QCoreApplication::sendPostedEvents();
        QVERIFY(window.DBG->verticalScrollBar()->isVisible());
        const QImage shot = window.grab().toImage();
        QCOMPARE(shot.size(), QSize(760, 700) * shot.devicePixelRatio());
        QVERIFY(shot.save(QStringLiteral(RUVO_SHOT_FILE)));
        qInfo("window picture: %s", RUVO_SHOT_FILE);
    }
};

RUVO_UI_TEST_MAIN(WindowShot)
#include "WindowShot.moc"
