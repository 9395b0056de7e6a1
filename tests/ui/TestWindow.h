#pragma once

// The main window as tests and benchmarks see it: the real window, with its
// controls found by their object names and the rest reached through the
// window's test hooks.

#include "ui/main.h"

namespace ruvo::test {

class TestWindow : public TFRuvoTelEdit {
public:
    explicit TestWindow(VersionTextFunction versionText = {})
        : TFRuvoTelEdit(std::move(versionText)), BOpen(Control<QToolButton>("BOpen")),
          BNew(Control<QToolButton>("BNew")), BCopy(Control<QToolButton>("BCopy")),
          BDel(Control<QToolButton>("BDel")), LCnt(Control<TAutoSizeLabel>("LCnt")),
          BSave(Control<QToolButton>("BSave")), EGroup(Control<TFieldEdit>("EGroup")),
          EName(Control<TFieldEdit>("EName")), EKana(Control<TFieldEdit>("EKana")),
          ETel(Control<TFieldEdit>("ETel")), BRun(Control<QPushButton>("BRun")),
          DBG(Control<TDBGrid>("DBG")), DS(DBG->DataSource()), Book(Hooks().book),
          CData(Book.Table()), FileName(Book.Path()), Headers(Book.Headers()),
          PumpInterval(Hooks().fileLoop.PumpInterval), OnPump(Hooks().fileLoop.OnPump) {}

    bool FileLoopRunning() { return Hooks().fileLoop.Running(); }

    QToolButton* const BOpen;
    QToolButton* const BNew;
    QToolButton* const BCopy;
    QToolButton* const BDel;
    TAutoSizeLabel* const LCnt;
    QToolButton* const BSave;
    TFieldEdit* const EGroup;
    TFieldEdit* const EName;
    TFieldEdit* const EKana;
    TFieldEdit* const ETel;
    QPushButton* const BRun;
    TDBGrid* const DBG;
    TDataSource* const DS;
    PhoneBook& Book;
    PhoneBookTable& CData;
    // The file in use and the six header lines of the file last opened.
    const std::string& FileName;
    const HeaderLines& Headers;
    std::chrono::milliseconds& PumpInterval;
    std::function<void()>& OnPump;

private:
    template <class Widget> Widget* Control(const char* name) {
        auto* control = findChild<Widget*>(QLatin1String(name));
        if (!control)
            qFatal("no control named %s", name);
        return control;
    }
};

} // namespace ruvo::test
