#include "support/RawBrowser.hpp"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace ostrel::test {

RawBrowser::RawBrowser(int port, const std::string& request) {
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        throw std::system_error(errno, std::generic_category(), "socket");
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        ::close(socket_);
        throw std::system_error(error, std::generic_category(), "connect");
    }
    for (std::size_t sent = 0; sent < request.size();) {
        const auto count = ::send(socket_, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (count <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(count);
    }
    ::fcntl(socket_, F_SETFL, ::fcntl(socket_, F_GETFL) | O_NONBLOCK);
}

RawBrowser::~RawBrowser() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
}

bool RawBrowser::poll() {
    char buffer[4096];
    while (!closed_) {
        const auto count = ::recv(socket_, buffer, sizeof buffer, 0);
        if (count > 0) {
            received_.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            closed_ = true;
        } else {
            break;
        }
    }
    return closed_;
}

} // namespace ostrel::test
