#pragma once

// Shared pieces of the window tests: the application object the program
// uses, and the dialog hook every test function runs under.

#include "ui/Dialogs.h"
#include "ui/RuvoApplication.h"

#include <QTest>

namespace ruvo::test {

// Dialogs answer from a queue while this lives. A dialog nobody queued an
// answer for fails the test, and so does an answer left unused at the end.
class DialogScope {
public:
    DialogScope() {
        Dialogs::SetTestMode(true);
        Dialogs::SetUnexpectedHandler([](const QString& description) {
            QTest::qFail(qUtf8Printable(description), __FILE__, __LINE__);
        });
    }
    ~DialogScope() {
        if (Dialogs::PendingAnswers() != 0)
            QTest::qFail(qUtf8Printable(QStringLiteral("%1 dialog answer(s) left unused")
                                            .arg(Dialogs::PendingAnswers())),
                         __FILE__, __LINE__);
        Dialogs::SetUnexpectedHandler({});
        Dialogs::SetTestMode(true);
    }
    DialogScope(const DialogScope&) = delete;
    DialogScope& operator=(const DialogScope&) = delete;
};

} // namespace ruvo::test

// Like QTEST_MAIN, with the program's own application object.
#define RUVO_UI_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char** argv) {                                                              \
        ruvo::TRuvoApplication application(argc, argv);                                            \
        application.LoadJapaneseTranslation();                                                     \
        ruvo::Dialogs::SetTestMode(true);                                                          \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
