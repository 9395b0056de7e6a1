#pragma once

#include <stdexcept>
#include <string>

namespace ruvo {

// Every failure the core raises carries its message as UTF-8, ready to be
// shown as it is. The subclasses are there for callers that must tell one
// kind of failure from another.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A text that should be a number is not one (or does not fit 32 bits).
class EConvertError : public Error {
public:
    using Error::Error;
};

// A failure of the phone-book table: "CData: <text>".
class EDatabaseError : public Error {
public:
    using Error::Error;
};

// A failed file operation, with its code from the I/O message table.
class EInOutError : public Error {
public:
    EInOutError(int code, const std::string& message) : Error(message), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

} // namespace ruvo
