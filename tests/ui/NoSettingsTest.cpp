// The program keeps no settings: a whole session with the real open dialog
// (open, edit, save, close) leaves an empty HOME empty.
#include "WorkflowSupport.h"

#include <QDirIterator>

#include <cstdio>
#include <cstdlib>

using namespace Qt::Literals::StringLiterals;
using namespace ruvo::test;
using ruvo::test::TestWindow;

namespace {

// Everything below the folder, hidden files included.
QStringList Contents(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

} // namespace

class NoSettingsTest : public QObject {
    Q_OBJECT

public:
    explicit NoSettingsTest(QString home) : home_(std::move(home)) {}

private slots:
    void sessionWritesNothingButTheBook() {
        ruvo::Dialogs::SetTestMode(false);
        QTemporaryDir dir;
        const QString book = dir.filePath(u"book.txt"_s);
        QVERIFY(WriteBytes(book, SimpleBook(3)));
        auto window = ShowWindow();
        TestWindow& w = *window;

        TypeIntoOpenDialog(book);
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        QTRY_COMPARE(w.CData.EntryCount(), 3u);
        QTest::mouseClick(w.BNew, Qt::LeftButton);
        QTest::keyClicks(w.EName, u"Added"_s);
        QTest::mouseClick(w.BRun, Qt::LeftButton);
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        QCOMPARE(WindowMode(w), 1);
        w.close();
        window.reset();

        QCOMPARE(ReadBytes(book).count("\r\n"), 6 + 4);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList({u"book.BAK"_s, u"book.txt"_s}));
        QCOMPARE(Contents(home_), QStringList());
    }

private:
    QString home_;
};

int main(int argc, char** argv) {
    // A fresh HOME, and no XDG folder elsewhere, before Qt looks at either.
    const QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    for (const char* name :
         {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"})
        qunsetenv(name);
    int status = 0;
    {
        ruvo::TRuvoApplication application(argc, argv);
        application.LoadJapaneseTranslation();
        NoSettingsTest test(home.path());
        status = QTest::qExec(&test, argc, argv);
    }
    // Qt may write when the application object goes, too.
    const QStringList left = Contents(home.path());
    for (const QString& path : left)
        std::fprintf(stderr, "written under HOME: %s\n", qUtf8Printable(path));
    return left.isEmpty() ? status : EXIT_FAILURE;
}

#include "NoSettingsTest.moc"
