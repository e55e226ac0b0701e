#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace ostrel::test {

// A browser's side of one request to 127.0.0.1: connects, sends the bytes as they are, then
// collects the reply until the peer closes. Nothing blocks: poll() reads what has arrived, so a
// test can keep settling virtual time while the answer is on its way.
class RawBrowser {
public:
    // Throws std::system_error when the connection is refused.
    RawBrowser(int port, const std::string& request);
    ~RawBrowser();

    RawBrowser(const RawBrowser&) = delete;
    RawBrowser& operator=(const RawBrowser&) = delete;

    // Reads what is there; true once the peer closed the connection.
    bool poll();
    const std::string& received() const { return received_; }

private:
    int socket_ = -1;
    bool closed_ = false;
    std::string received_;
};

} // namespace ostrel::test
