#pragma once

#include <string>
#include <utility>
#include <variant>

namespace quorva {

// Why the record store did not do what was asked, as a person reads it: the
// store's location (password masked) and the reason, in the current language.
struct StoreError {
    enum class Kind {
        Open,     // the store cannot be reached or is not usable: no run may start
        Write,    // a read or write failed: the run stops before the next chip
        Refused,  // the request itself was turned down (a sequence going back)
        NotFound, // no such record
    };
    Kind kind = Kind::Write;
    std::string message;
};

// A value or the error that kept it from being made.
template <typename T>
class StoreResult {
public:
    StoreResult(T value) : content_(std::move(value)) {}          // NOLINT(google-explicit-constructor)
    StoreResult(StoreError error) : content_(std::move(error)) {} // NOLINT(google-explicit-constructor)

    bool ok() const { return content_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(content_); }
    const T& value() const { return std::get<0>(content_); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const StoreError& error() const { return std::get<1>(content_); }

private:
    std::variant<T, StoreError> content_;
};

// The result of a request that yields nothing but success.
struct Done {};
using StoreStatus = StoreResult<Done>;

} // namespace quorva
