#pragma once

#include <stdexcept>
#include <string>

namespace ostrel {

// A platform operation (launch an app, hide it, open a page...) that the system refused or could
// not carry out. Every role's operations report failure this way; reads report it as an empty
// optional instead, since a failed read is ordinary (an app that does not answer, a window gone).
class OperationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace ostrel
