#pragma once

#include "ui/RunHandler.h"

#include <QApplication>
#include <QString>

#include <exception>
#include <string>

class QKeyEvent;

namespace ruvo {

// A window that sees every key press meant for one of its controls before
// the control does (key preview).
class TKeyPreview {
public:
    // True when the key is used up and must not reach the receiver.
    virtual bool PreviewKeyPress(QWidget* receiver, QKeyEvent* event) = 0;

protected:
    ~TKeyPreview() = default;
};

// The application object: its event dispatch gives key presses to the
// receiver's window first (TKeyPreview) and shows any failure that escapes
// an event handler in the error box; the loop then goes on.
class TRuvoApplication : public QApplication {
    Q_OBJECT

public:
    TRuvoApplication(int& argc, char** argv);

    // Qt's own texts (dialogs, Yes and No) in Japanese, whatever the locale.
    bool LoadJapaneseTranslation();

    bool notify(QObject* receiver, QEvent* event) override;
};

// The executable's file name without folder and without everything from its
// first "."; the first character as it is, the rest lower-cased.
QString ApplicationTitle(const QString& executablePath);

// The title of the running program.
QString ApplicationTitle();

// Message of a failure as the error box shows it: "." appended when the last
// character sorts after "." by byte value.
QString ErrorBoxText(QString message);
QString ErrorBoxText(const std::exception& failure);

} // namespace ruvo
