#pragma once

#include <utility>

namespace ruvo {

// Shows the failure being handled (call from a catch block) in the error
// box, captioned with the application title.
void ShowCurrentException();

// Runs an event handler; a failure that escapes it goes to the error box,
// so that it never unwinds through Qt's own code.
template <class Handler> void RunHandler(Handler&& handler) {
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        ShowCurrentException();
    }
}

} // namespace ruvo
