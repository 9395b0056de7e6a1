#pragma once

// Pieces shared by the workflow tests: a shown window, the window mode read
// back from the controls, phone-book files in a scratch folder, and real
// input events for the grid and the boxes.

#include "TestSupport.h"
#include "TestWindow.h"
#include "ui/Cp932Text.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>

#include <array>
#include <memory>
#include <string>

namespace ruvo::test {

inline std::unique_ptr<TestWindow> ShowWindow() {
    auto window = std::make_unique<TestWindow>([] { return std::string("0.900"); });
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("window not active");
    return window;
}

// 1 idle, 2 browse, 3 edit: the mode whose column of enabled controls the
// window shows; -1 when it matches none.
inline int WindowMode(const TestWindow& window) {
    const std::array<const QWidget*, 11> controls = {
        window.BOpen,  window.BNew,  window.BCopy, window.BDel, window.BSave, window.DBG,
        window.EGroup, window.EName, window.EKana, window.ETel, window.BRun};
    for (int mode = 1; mode <= 3; ++mode) {
        const std::array<bool, 11> expected = {mode == 1, mode == 2, mode == 2, mode == 2,
                                               mode == 2, mode == 2, mode == 3, mode == 3,
                                               mode == 3, mode == 3, mode == 3};
        bool all = true;
        for (std::size_t i = 0; i < controls.size(); ++i)
            all = all && controls[i]->isEnabled() == expected[i];
        if (all)
            return mode;
    }
    return -1;
}

inline QByteArray Cp932(const QString& text) {
    return QByteArray::fromStdString(EncodeCp932(text).value());
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size() && file.flush();
}

// A phone book of `entries` ASCII entries ("Name01" ... with readings
// "KANA01" ...), LF line ends.
inline QByteArray SimpleBook(int entries) {
    QByteArray bytes;
    for (int i = 1; i <= 6; ++i)
        bytes += "header " + QByteArray::number(i) + "\n";
    for (int i = 1; i <= entries; ++i) {
        const QByteArray n = QByteArray::number(i).rightJustified(2, '0');
        bytes += n.right(2) + "\tName" + n + "\tKANA" + n + "\t0300" + n + ":0:0\n";
    }
    return bytes;
}

// The text of an error box that was asked for; empty for any other dialog.
inline QString ErrorText(const Dialogs::Shown& shown) {
    return shown.kind == Dialogs::Kind::ErrorBox ? shown.text : QString();
}

inline std::string PathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Opens the file through the open dialog, as the user does.
inline void OpenThroughDialog(TestWindow& window, const QString& path) {
    Dialogs::QueueAnswer(Dialogs::Answer::File(PathBytes(path)));
    QTest::mouseClick(window.BOpen, Qt::LeftButton);
}

// Text as an input method commits it.
inline void CommitText(QWidget* box, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(box, &event);
}

inline QPoint RowCentre(const TestWindow& window, int row) {
    return window.DBG->visualRect(window.DS->index(row, 1)).center();
}

inline void ClickRow(TestWindow& window, int row) {
    QTest::mouseClick(window.DBG->viewport(), Qt::LeftButton, {}, RowCentre(window, row));
}

// One wheel notch towards the user (the next entry) when notches < 0.
inline void Wheel(QWidget* widget, int notches) {
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    QWheelEvent wheel(at, widget->mapToGlobal(at), {}, {0, notches * 120}, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &wheel);
}

// The drop of one local file on the window; true when it was taken.
inline bool DropFile(TestWindow& w, const QString& path) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at(380, 400);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&w, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(&w, &drop);
    return drop.isAccepted();
}

// A shown window in browse mode with a phone book (SimpleBook(entries), or
// the bytes given) opened from a scratch folder.
struct Browsing {
    QTemporaryDir dir;
    QString book;
    std::unique_ptr<TestWindow> window;

    explicit Browsing(int entries = 3) : Browsing(SimpleBook(entries)) {}
    explicit Browsing(const QByteArray& bytes) {
        book = dir.filePath(QStringLiteral("book.txt"));
        if (!WriteBytes(book, bytes))
            qFatal("cannot write the phone book");
        window = ShowWindow();
        OpenThroughDialog(*window, book);
    }
};

// Types a path into the real open dialog once it is up, as a user would.
// Should the dialog refuse the name (silently, or in a box of its own), the
// test fails and the dialog is cancelled rather than left hanging.
inline void TypeIntoOpenDialog(const QString& path) {
    auto* poll = new QTimer;
    auto typed = std::make_shared<bool>(false);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, path, typed] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* complaint = qobject_cast<QMessageBox*>(modal);
            complaint && qobject_cast<QFileDialog*>(complaint->parentWidget())) {
            poll->deleteLater();
            auto* dialog = static_cast<QDialog*>(complaint->parentWidget());
            const QString text = complaint->text();
            complaint->reject();
            dialog->reject();
            QFAIL(qPrintable(QStringLiteral("the open dialog refused the name: ") + text));
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog || *typed)
            return;
        *typed = true;
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
        poll->deleteLater();
        if (dialog->isVisible()) {
            dialog->reject();
            QFAIL("the open dialog did not take the name");
        }
    });
    poll->start(10);
}

// Closes the next real message box with its default button, once it is up,
// and keeps its text and title.
struct MessageBoxSeen {
    QString text;
    QString title;
};
inline std::shared_ptr<MessageBoxSeen> CloseNextMessageBox() {
    auto seen = std::make_shared<MessageBoxSeen>();
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll->deleteLater();
        seen->text = box->text();
        seen->title = box->windowTitle();
        QTest::keyClick(box, Qt::Key_Return);
    });
    poll->start(10);
    return seen;
}

inline bool BusyCursor() {
    return QApplication::overrideCursor() &&
           QApplication::overrideCursor()->shape() == Qt::WaitCursor;
}

inline void ResetCursor() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace ruvo::test
