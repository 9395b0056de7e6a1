#pragma once

#include "core/book/PhoneBookFile.h"

#include <chrono>
#include <functional>
#include <utility>

namespace ruvo {

class TDataSource;

// The file loop of a window: reading or writing a phone book while the
// window stays live. It pumps the window's events now and then, tells the
// grid of the table's changes at each pump instead of at each entry, and
// holds back a close asked for meanwhile until the loop has ended.
class TFileLoop {
public:
    enum class Kind { None, Reading, Writing };

    explicit TFileLoop(TDataSource& dataSource) : dataSource_(dataSource) {}

    // Runs body(pump) as a loop of the given kind; body reads or writes,
    // calling pump before each line.
    void Run(Kind kind, const std::function<void(const MessagePump& pump)>& body);

    bool Running() const { return kind_ != Kind::None; }

    // A close asked for during the loop: noted, and taken once, afterwards.
    void HoldClose() { closePending_ = true; }
    bool TakeHeldClose() { return std::exchange(closePending_, false); }

    // The events are processed every PumpInterval (0: before every line);
    // OnPump runs after each pump (a test hook).
    std::chrono::milliseconds PumpInterval{25};
    std::function<void()> OnPump;

private:
    MessagePump MakePump();

    TDataSource& dataSource_;
    Kind kind_ = Kind::None;
    bool closePending_ = false;
};

} // namespace ruvo
