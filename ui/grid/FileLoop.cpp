#include "ui/grid/FileLoop.h"

#include "ui/grid/DataSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace ruvo {

void TFileLoop::Run(Kind kind, const std::function<void(const MessagePump& pump)>& body) {
    // Meanwhile the grid learns of the table's changes at each pump, not at
    // each entry: one notice per entry would cost far more than reading or
    // writing it.
    struct Scope {
        TFileLoop& loop;
        Scope(TFileLoop& l, Kind k) : loop(l) {
            loop.kind_ = k;
            loop.dataSource_.BeginBulk();
        }
        ~Scope() {
            loop.dataSource_.EndBulk();
            loop.kind_ = Kind::None;
        }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
    } scope(*this, kind);
    body(MakePump());
}

MessagePump TFileLoop::MakePump() {
    // Pumping before every line would cost more than the line itself; by
    // time the window stays live and the loop stays fast. Even the clock is
    // read only every few lines.
    QElapsedTimer sincePump;
    sincePump.start();
    unsigned calls = 0;
    return [this, sincePump, calls]() mutable {
        if (PumpInterval.count() > 0 && ++calls % 64 != 0)
            return;
        if (sincePump.elapsed() < PumpInterval.count())
            return;
        dataSource_.FlushBulk();
        QCoreApplication::processEvents();
        if (OnPump)
            OnPump();
        sincePump.restart();
    };
}

} // namespace ruvo
