// Opens a phone book in the real window and its print preview over it, and
// saves pictures of the preview: the dialog as drawn, and under a real X
// server (xvfb-run) the screen as the user sees it.
#include "TestSupport.h"
#include "TestWindow.h"
#include "WorkflowSupport.h"
#include "app/VersionText.h"
#include "print/DirectoryPrint.h"

#include <QFile>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

class PreviewShot : public QObject {
    Q_OBJECT

private slots:
    void renderPreview() {
        const ruvo::test::DialogScope dialogs;
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(u"window-sample.txt"_s);
        QVERIFY(QFile::copy(QStringLiteral(RUVO_UI_TEST_DATA "/window-sample.txt"), path));

        ruvo::test::TestWindow window([] { return ruvo::VersionText(); });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ruvo::test::OpenThroughDialog(window, path);
        QCOMPARE(window.CData.EntryCount(), 30u);

        const ruvo::print::DirectoryTitle title{u"window-sample.txt"_s, QDate(2026, 12, 11)};
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageLayout(ruvo::print::DirectoryPageLayout());
        const auto preview = ruvo::Dialogs::CreatePrintPreview(
            &window, printer,
            [&](QPrinter& on) { ruvo::print::PaintDirectory(on, window.CData, title); }, [] {});
        preview->show();
        QVERIFY(QTest::qWaitForWindowExposed(preview.get()));
        auto* pages = preview->findChild<QPrintPreviewWidget*>();
        QVERIFY(pages);
        QTRY_COMPARE(pages->pageCount(), 1);
        QVERIFY(preview->findChild<QAction*>(u"PreviewSavePdf"_s));
        QCoreApplication::processEvents();

        QVERIFY(
            preview->grab().toImage().save(QStringLiteral(RUVO_PREVIEW_SHOT_DIR "/preview.png")));
        qInfo("preview picture: %s", RUVO_PREVIEW_SHOT_DIR "/preview.png");
        if (QGuiApplication::platformName() == u"xcb"_s) {
            QTest::qWait(500); // the X server's picture of the screen, once drawn
            QVERIFY(QGuiApplication::primaryScreen()->grabWindow(0).save(
                QStringLiteral(RUVO_PREVIEW_SHOT_DIR "/preview-screen.png")));
            qInfo("screen picture: %s", RUVO_PREVIEW_SHOT_DIR "/preview-screen.png");
        }
    }
};

RUVO_UI_TEST_MAIN(PreviewShot)
#include "PreviewShot.moc"
