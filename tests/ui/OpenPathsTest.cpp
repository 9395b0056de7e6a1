// What the window does with the path chosen in the open dialog: Japanese
// file and folder names get their backup beside the file, and special files
// are refused before anything is read or written.
#include "WorkflowSupport.h"

#include <QDirIterator>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace ruvo::test;
using ruvo::test::TestWindow;
namespace Dialogs = ruvo::Dialogs;

namespace {

QStringList FilesBelow(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

class OpenPathsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { ResetCursor(); }

    void backupBesideJapaneseNames_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("backup");
        QTest::newRow("katakana name") << u"リスト.txt"_s << u"リスト.BAK"_s;
        QTest::newRow("no extension") << u"電話帳"_s << u"電話帳.BAK"_s;
        QTest::newRow("capital extension") << u"ゼンブ.TXT"_s << u"ゼンブ.BAK"_s;
        QTest::newRow("dot in the folder") << u"v1.あ/data"_s << u"v1.あ/data.BAK"_s;
        QTest::newRow("dots in both") << u"社員.名簿/ソフト.txt"_s << u"社員.名簿/ソフト.BAK"_s;
        QTest::newRow("two dots") << u"a.b.c"_s << u"a.b.BAK"_s;
    }
    void backupBesideJapaneseNames() {
        QFETCH(QString, file);
        QFETCH(QString, backup);
        const DialogScope dialogs;
        QTemporaryDir dir;
        const QString path = dir.filePath(file);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(WriteBytes(path, SimpleBook(2)));
        // A file where a byte-wise scan gone wrong would put the backup.
        QVERIFY(WriteBytes(dir.filePath(u"v1.BAK"_s), "keep me"));
        auto window = ShowWindow();
        OpenThroughDialog(*window, path);
        QCOMPARE(window->CData.EntryCount(), 2u);
        QCOMPARE(ReadBytes(dir.filePath(backup)), SimpleBook(2));
        QCOMPARE(ReadBytes(dir.filePath(u"v1.BAK"_s)), QByteArray("keep me"));
        QStringList expected{file, backup, u"v1.BAK"_s};
        if (file.contains(u'/'))
            expected << QFileInfo(file).path();
        expected.sort();
        QCOMPARE(FilesBelow(dir.path()), expected);
    }

    // A FIFO would block the reading forever and a device would be read
    // until memory runs out: both, and folders and sockets, are refused
    // with the access-denied message; nothing is written, and a later save
    // does not replace them.
    void specialFilesAreRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << u"fifo"_s;
        QTest::newRow("link to a FIFO") << u"link"_s;
        QTest::newRow("socket") << u"socket"_s;
        QTest::newRow("folder") << u"folder"_s;
        QTest::newRow("device") << u"device"_s;
    }
    void specialFilesAreRefused() {
        QFETCH(QString, kind);
        const DialogScope dialogs;
        QTemporaryDir dir;
        QString path = dir.filePath(u"special"_s);
        const std::string bytes = PathBytes(path);
        int socketFd = -1;
        if (kind == u"fifo"_s || kind == u"link"_s) {
            QCOMPARE(::mkfifo(bytes.c_str(), 0644), 0);
            if (kind == u"link"_s) {
                path = dir.filePath(u"link.txt"_s);
                QVERIFY(QFile::link(dir.filePath(u"special"_s), path));
            }
        } else if (kind == u"socket"_s) {
            socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            QVERIFY(bytes.size() < sizeof(address.sun_path));
            std::copy(bytes.begin(), bytes.end(), address.sun_path);
            QCOMPARE(::bind(socketFd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        } else if (kind == u"folder"_s) {
            QVERIFY(QDir().mkdir(path));
        } else {
            path = u"/dev/zero"_s;
        }
        const QStringList before = FilesBelow(dir.path());

        auto window = ShowWindow();
        TestWindow& w = *window;
        Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(path)));
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BOpen, Qt::LeftButton);
        auto shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 2u);
        QCOMPARE(ErrorText(shown[1]), u"ファイルへのアクセスが拒否されました."_s);
        QCOMPARE(w.CData.EntryCount(), 0u);
        QVERIFY(std::all_of(w.Headers.begin(), w.Headers.end(),
                            [](const std::string& line) { return line.empty(); }));

        // A save is refused too: the path names something not read.
        Dialogs::QueueAnswer(Dialogs::Answer::ErrorOk());
        QTest::mouseClick(w.BSave, Qt::LeftButton);
        shown = Dialogs::TakeShown();
        QCOMPARE(shown.size(), 1u);
        QCOMPARE(WindowMode(w), 2);
        QCOMPARE(FilesBelow(dir.path()), before);
        if (socketFd >= 0)
            ::close(socketFd);
    }
};

RUVO_UI_TEST_MAIN(OpenPathsTest)
#include "OpenPathsTest.moc"
